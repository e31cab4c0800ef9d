// SPDX-License-Identifier: MIT
#include "tools/hosting/plugin_loader.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "tools/hosting/clap/clap_plugin.h"
#include "tools/hosting/vst/vst_plugin.h"
#include "tools/hosting/lv2/lv2_plugin.h"
#include "tools/hosting/lv2/lv2_plugin_lookup.h"
#include "tools/tool_error.h"

namespace {

std::string lowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool looksLikeUri(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](unsigned char c) {
        return std::isalpha(c) != 0 || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

PluginFormat detectPluginFormat(const std::filesystem::path& path) {
    // "x.clap#ID" names one plug-in of a CLAP module.
    if (!splitClapPluginPath(path.string()).pluginId.empty()) return PluginFormat::Clap;
    std::filesystem::path named = path;
    // "bundle.lv2/" names the bundle itself.
    if (!named.empty() && !named.has_filename()) named = named.parent_path();
    const std::string extension = lowerExtension(named);
    if (splitBundleAndUri(path.string())) return PluginFormat::Lv2;
    if (extension == ".lv2" || looksLikeUri(path.string())) return PluginFormat::Lv2;
    if (extension == ".clap") return PluginFormat::Clap;
    return PluginFormat::Vst;
}

std::unique_ptr<PluginInstance> loadPlugin(const std::filesystem::path& path) {
    switch (detectPluginFormat(path)) {
        case PluginFormat::Vst:
            return VstPlugin::load(path);
        case PluginFormat::Lv2:
            return Lv2Plugin::load(path.string());
        case PluginFormat::Clap:
            return ClapPlugin::load(path.string());
    }
    throw ToolError("unknown plug-in format: " + path.string());
}
