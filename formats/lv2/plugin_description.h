// SPDX-License-Identifier: MIT
// The bundle's two Turtle files, written from the one parameter table and the core: the
// manifest, which names the two plug-ins (mono and stereo) and their module, and the
// plug-ins' description with their ports, ranges, units, enumerations and defaults. The
// build runs write_lv2_bundle_description to put them beside the module, so the
// description can never disagree with the code.
#pragma once

#include <string>

struct Lv2DescriptionVersion {
    int minor = 0;  // the URI carries the major version: it never changes
    int micro = 0;
};

std::string lv2ManifestTurtle(const std::string& moduleFileName, const std::string& descriptionFileName);
std::string lv2PluginTurtle(const Lv2DescriptionVersion& version);
