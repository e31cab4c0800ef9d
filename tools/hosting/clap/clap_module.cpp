// SPDX-License-Identifier: MIT
#include "tools/hosting/clap/clap_module.h"

#include <dlfcn.h>

#include <cctype>
#include <fstream>
#include <system_error>

#include "tools/tool_error.h"

namespace {

bool endsWithClap(const std::string& text) {
    constexpr std::size_t kLength = 5;
    if (text.size() < kLength) return false;
    std::string tail = text.substr(text.size() - kLength);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".clap";
}

}  // namespace

ClapPluginPath splitClapPluginPath(const std::string& text) {
    if (endsWithClap(text)) return {text, ""};
    // The first "#" right after ".clap": an id may hold "#" itself.
    for (std::size_t hash = text.find('#'); hash != std::string::npos; hash = text.find('#', hash + 1)) {
        if (endsWithClap(text.substr(0, hash))) return {text.substr(0, hash), text.substr(hash + 1)};
    }
    return {text, ""};
}

std::string clapVersionText(const clap_version& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.revision);
}

std::unique_ptr<ClapModule> ClapModule::open(const std::filesystem::path& path) {
    const std::string shown = path.string();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw ToolError("CLAP module not found: " + shown);
    if (std::filesystem::is_directory(path, error)) {
        throw ToolError("CLAP module is a directory, not a shared object: " + shown);
    }
    if (!std::ifstream(path, std::ios::binary).is_open()) throw ToolError("CLAP module cannot be read: " + shown);
    // init gets the module's full path, as CLAP asks; dlopen a path with a slash, so that it
    // does not search the library path.
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::string openPath = error ? (path.has_parent_path() ? shown : "./" + shown) : absolute.string();
    void* library = ::dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        throw ToolError("cannot load CLAP module " + shown + " (not a loadable shared object?): " +
                        (reason != nullptr ? reason : "unknown reason"));
    }
    ::dlerror();
    const auto* entry = static_cast<const clap_plugin_entry*>(::dlsym(library, "clap_entry"));
    if (entry == nullptr) {
        ::dlclose(library);
        throw ToolError("CLAP module " + shown + " does not export \"clap_entry\"");
    }
    if (!clapVersionCompatible(entry->clap_version)) {
        ::dlclose(library);
        throw ToolError("CLAP module " + shown + " follows CLAP " + clapVersionText(entry->clap_version) +
                        ", which this host cannot load (it hosts CLAP 1.x)");
    }
    if (entry->init == nullptr || entry->deinit == nullptr || entry->get_factory == nullptr) {
        ::dlclose(library);
        throw ToolError("CLAP module " + shown + ": \"clap_entry\" lacks one of init, deinit and get_factory");
    }
    if (!entry->init(openPath.c_str())) {
        // A refused init must not be followed by deinit or any other call.
        ::dlclose(library);
        throw ToolError("CLAP module " + shown + ": the entry's init failed");
    }
    // From here the destructor de-initialises and unloads.
    std::unique_ptr<ClapModule> module(new ClapModule(path, library, entry));
    module->factory_ = static_cast<const clap_plugin_factory*>(entry->get_factory(kClapPluginFactoryId));
    const clap_plugin_factory* factory = module->factory_;
    if (factory == nullptr || factory->get_plugin_count == nullptr || factory->get_plugin_descriptor == nullptr ||
        factory->create_plugin == nullptr) {
        throw ToolError("CLAP module " + shown + " offers no plug-in factory");
    }
    const std::uint32_t count = factory->get_plugin_count(factory);
    if (count == 0) throw ToolError("CLAP module " + shown + ": its factory has no plug-ins");
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, i);
        if (descriptor == nullptr || descriptor->id == nullptr || descriptor->name == nullptr) {
            throw ToolError("CLAP module " + shown + ": plug-in " + std::to_string(i) +
                            " of its factory has no descriptor with an id and a name");
        }
        module->descriptors_.push_back(descriptor);
    }
    return module;
}

ClapModule::ClapModule(std::filesystem::path path, void* library, const clap_plugin_entry* entry)
    : path_(std::move(path)), library_(library), entry_(entry) {}

ClapModule::~ClapModule() {
    entry_->deinit();
    ::dlclose(library_);
}

const clap_plugin_descriptor& ClapModule::choose(const std::string& pluginId) const {
    if (pluginId.empty()) return *descriptors_.front();
    std::string known;
    for (const clap_plugin_descriptor* descriptor : descriptors_) {
        if (pluginId == descriptor->id) return *descriptor;
        known += (known.empty() ? "" : ", ") + std::string("\"") + descriptor->id + "\"";
    }
    throw ToolError("CLAP module " + path_.string() + " has no plug-in \"" + pluginId + "\"; it has " + known);
}
