// SPDX-License-Identifier: MIT
// Which format a plug-in path is in, and loading it as a PluginInstance. This is the one
// place that knows the formats: a new one adds its case to detectPluginFormat and loadPlugin.
#pragma once

#include <filesystem>
#include <memory>

#include "tools/hosting/plugin_instance.h"

enum class PluginFormat {
    // A shared object (.so, .dll, or any other file) whose exported `main` returns the record.
    Vst,
    // A bundle directory ending in ".lv2", one plug-in of a bundle ("bundle.lv2#URI"), or a
    // plug-in URI ("urn:...", "http://...").
    Lv2,
    // A ".clap" file, or "FILE.clap#ID" for the plug-in ID in it.
    Clap,
};

// By the path alone; nothing is opened.
PluginFormat detectPluginFormat(const std::filesystem::path& path);

// Throws ToolError when the plug-in cannot be loaded, or its format is not one this build
// of the tool hosts.
std::unique_ptr<PluginInstance> loadPlugin(const std::filesystem::path& path);
