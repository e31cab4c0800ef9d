// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_plugin_lookup.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "tools/commands/command_support.h"
#include "tools/hosting/lv2/lv2_plugin_facts.h"
#include "tools/hosting/lv2/standard_error_capture.h"
#include "tools/tool_error.h"

namespace {

// Bundles in the messages that list a bundle's plug-ins are cut after this many.
constexpr std::size_t kMostListedPlugins = 12;

bool endsWithLv2(std::string text) {
    while (!text.empty() && text.back() == '/') text.pop_back();
    if (text.size() < 4) return false;
    std::string tail = text.substr(text.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".lv2";
}

bool isFileUri(const std::string& text) { return text.rfind("file:", 0) == 0; }

std::filesystem::path bundlePath(const std::string& text) {
    if (isFileUri(text)) return pathOfFileUri(text);
    std::string path = text;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string listUris(const std::vector<const LilvPlugin*>& plugins) {
    std::string list;
    for (std::size_t i = 0; i < plugins.size() && i < kMostListedPlugins; ++i) {
        list += (i == 0 ? "" : ", ") + std::string(lilv_node_as_uri(lilv_plugin_get_uri(plugins[i])));
    }
    if (plugins.size() > kMostListedPlugins) {
        list += " and " + std::to_string(plugins.size() - kMostListedPlugins) + " more (lv2ls lists them)";
    }
    return list;
}

std::vector<const LilvPlugin*> pluginsOf(LilvWorld* world) {
    std::vector<const LilvPlugin*> plugins;
    const LilvPlugins* all = lilv_world_get_all_plugins(world);
    LILV_FOREACH (plugins, i, all) plugins.push_back(lilv_plugins_get(all, i));
    return plugins;
}

const LilvPlugin* findInBundle(Lv2World& world, const Lv2PluginChoice& choice) {
    const std::string shown = choice.bundle.string();
    std::error_code error;
    if (!std::filesystem::exists(choice.bundle, error)) throw ToolError("LV2 bundle not found: " + shown);
    if (!std::filesystem::is_directory(choice.bundle, error)) {
        throw ToolError("LV2 bundle " + shown + " is not a directory (a bundle is a folder ending in .lv2)");
    }
    if (!std::filesystem::is_regular_file(choice.bundle / "manifest.ttl", error)) {
        throw ToolError(shown + " is not an LV2 bundle: it has no manifest.ttl");
    }
    const std::filesystem::path absolute = std::filesystem::absolute(choice.bundle, error);
    LilvNode* bundleUri = lilv_new_file_uri(world.get(), nullptr, (absolute.string() + "/").c_str());
    // What lilv finds wrong with the bundle's files is the user's to know, in the tool's form.
    StandardErrorCapture capture;
    lilv_world_load_bundle(world.get(), bundleUri);
    for (const std::string& line : capture.finish()) warn("lilv: " + line);
    lilv_node_free(bundleUri);
    const std::vector<const LilvPlugin*> plugins = pluginsOf(world.get());
    if (plugins.empty()) throw ToolError("LV2 bundle " + shown + " holds no plug-in that lilv could read from its manifest.ttl");
    if (!choice.uri.empty()) {
        for (const LilvPlugin* plugin : plugins) {
            if (choice.uri == lilv_node_as_uri(lilv_plugin_get_uri(plugin))) return plugin;
        }
        throw ToolError("LV2 bundle " + shown + " holds no plug-in " + choice.uri + "; it holds " + listUris(plugins));
    }
    if (plugins.size() > 1) {
        throw ToolError("LV2 bundle " + shown + " holds " + std::to_string(plugins.size()) +
                        " plug-ins; name one as " + shown + "#URI or by its URI alone: " + listUris(plugins));
    }
    return plugins.front();
}

const LilvPlugin* findInstalled(Lv2World& world, const std::string& uri) {
    // lilv complains about every entry of the folders that is not a bundle (LV2_PATH at a build
    // folder holds many): those lines concern other plug-ins and are left out.
    StandardErrorCapture capture;
    lilv_world_load_all(world.get());
    const bool complained = !capture.finish().empty();
    LilvNode* node = lilv_new_uri(world.get(), uri.c_str());
    const LilvPlugin* plugin =
        node == nullptr ? nullptr : lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world.get()), node);
    lilv_node_free(node);
    if (plugin != nullptr) return plugin;
    const char* searched = std::getenv("LV2_PATH");
    throw ToolError("no LV2 plug-in with the URI " + uri + " is installed (looked in " +
                    (searched != nullptr ? "LV2_PATH=" + std::string(searched)
                                         : std::string("lilv's default folders; set LV2_PATH to look elsewhere")) +
                    (complained ? "; lilv could not read some entries there, lv2ls shows which" : "") + ")");
}

}  // namespace

std::optional<Lv2PluginChoice> splitBundleAndUri(const std::string& text) {
    for (std::size_t hash = text.find('#'); hash != std::string::npos; hash = text.find('#', hash + 1)) {
        const std::string bundle = text.substr(0, hash);
        // A URI of its own (http://.../x.lv2#frag) is not a bundle; a file: URI is.
        if (!endsWithLv2(bundle) || (bundle.find("://") != std::string::npos && !isFileUri(bundle))) continue;
        if (hash + 1 == text.size()) return std::nullopt;
        return Lv2PluginChoice{bundlePath(bundle), text.substr(hash + 1)};
    }
    return std::nullopt;
}

Lv2PluginChoice parseLv2PluginChoice(const std::string& text) {
    if (std::optional<Lv2PluginChoice> split = splitBundleAndUri(text)) return *split;
    if (isFileUri(text)) return {bundlePath(text), ""};
    std::error_code error;
    const bool isUri = text.find(':') != std::string::npos && text.find('/') != 0 && text.rfind("./", 0) != 0;
    if (std::filesystem::exists(text, error) || !isUri) return {bundlePath(text), ""};
    return {"", text};
}

Lv2World::Lv2World() : world_(lilv_world_new()) {
    if (world_ == nullptr) throw ToolError("lilv could not make a world to load LV2 plug-ins in");
}

Lv2World::~Lv2World() { lilv_world_free(world_); }

const LilvPlugin* findLv2Plugin(Lv2World& world, const Lv2PluginChoice& choice) {
    if (!choice.bundle.empty()) return findInBundle(world, choice);
    return findInstalled(world, choice.uri);
}
