// SPDX-License-Identifier: MIT
// What an LV2 plug-in's description says about it, read once through lilv: its URI, name,
// bundle and module, classes, features, options, and every port (lv2_port.h).
#pragma once

#include <lilv/lilv.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/hosting/lv2/lv2_port.h"

struct Lv2PluginFacts {
    std::string uri;
    std::string name;
    std::filesystem::path bundle;
    std::filesystem::path binary;
    // The URIs of every plug-in the world knows in the same bundle, this one's included.
    std::vector<std::string> pluginsInBundle;
    // The plug-in's classes of the LV2 core by short name ("FilterPlugin", "InstrumentPlugin"),
    // lv2:Plugin left out.
    std::vector<std::string> classes;
    // Feature and option URIs.
    std::vector<std::string> requiredFeatures;
    std::vector<std::string> optionalFeatures;
    std::vector<std::string> requiredOptions;
    bool hasUserInterface = false;
    std::vector<Lv2Port> ports;

    bool hasClass(const std::string& shortName) const;
    // The first port whose designation is this URI.
    std::optional<std::uint32_t> portDesignated(const std::string& designationUri) const;
};

Lv2PluginFacts readLv2PluginFacts(LilvWorld* world, const LilvPlugin* plugin);

// The local path of a file: URI ("file:///usr/lib/lv2/calf.lv2/" gives "/usr/lib/lv2/calf.lv2"),
// without a trailing slash; empty for a URI that is not a local file.
std::filesystem::path pathOfFileUri(const std::string& uri);
