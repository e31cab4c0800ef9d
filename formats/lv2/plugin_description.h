// SPDX-License-Identifier: MIT
// The bundle's two Turtle files, written from the one parameter table and the core: the
// manifest, which names the two plug-ins (mono and stereo), their module, and their UI and
// its module, and the plug-ins' description with their ports, ranges, units, enumerations and
// defaults, and the UI: what it needs of the host and which port it must be told about. The
// build runs write_lv2_bundle_description to put them beside the module, so the description
// can never disagree with the code.
#pragma once

#include <string>

struct Lv2DescriptionVersion {
    int minor = 0;  // the URI carries the major version: it never changes
    int micro = 0;
};

// `uiFileName` names the UI's module in the bundle, or is empty for a bundle without a UI.
std::string lv2ManifestTurtle(const std::string& moduleFileName, const std::string& descriptionFileName,
                              const std::string& uiFileName = {});
std::string lv2PluginTurtle(const Lv2DescriptionVersion& version, const std::string& uiFileName = {});
