// SPDX-License-Identifier: MIT
// A .clap file opened as CLAP hosts open it: dlopen, the exported `clap_entry`, its init
// with the file's path, and the plug-in factory. Everything is checked before use: the
// entry's version, init's answer, a factory and its plug-ins' descriptors.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/clap/clap_abi.h"

// "x.clap#some.id": the module's path and the id of the plug-in chosen in it. A path without
// "#ID" after ".clap" chooses no id (the module's first plug-in is taken).
struct ClapPluginPath {
    std::filesystem::path module;
    std::string pluginId;
};
ClapPluginPath splitClapPluginPath(const std::string& text);

class ClapModule {
public:
    // Throws ToolError naming the problem: a missing, unreadable or unloadable file, no
    // `clap_entry`, an entry of an incompatible version or whose init refuses, no plug-in
    // factory, a factory with no plug-ins or with a descriptor that lacks its id or name.
    static std::unique_ptr<ClapModule> open(const std::filesystem::path& path);
    // De-initialises the entry and unloads the module; every plug-in must be gone first.
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const clap_plugin_factory& factory() const { return *factory_; }
    // The descriptors of the factory's plug-ins, in its order.
    const std::vector<const clap_plugin_descriptor*>& descriptors() const { return descriptors_; }
    // The plug-in with this id, or the first for an empty id. Throws ToolError listing the
    // ids there are for an id the module does not have.
    const clap_plugin_descriptor& choose(const std::string& pluginId) const;

private:
    ClapModule(std::filesystem::path path, void* library, const clap_plugin_entry* entry);

    std::filesystem::path path_;
    void* library_;
    const clap_plugin_entry* entry_;
    const clap_plugin_factory* factory_ = nullptr;
    std::vector<const clap_plugin_descriptor*> descriptors_;
};

// CLAP 1.x: the interface's layout is that of every 1.x version; 0.x were drafts.
inline bool clapVersionCompatible(const clap_version& version) { return version.major >= 1; }

std::string clapVersionText(const clap_version& version);
