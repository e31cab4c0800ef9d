// SPDX-License-Identifier: MIT
// Who the plug-ins are to a CLAP host: the mono filter (one input, two identical outputs) and
// the stereo one (two channels filtered alike). An id is the plug-in's identity in every
// saved host session and must never change.
#pragma once

#include "interfaces/clap/clap_abi.h"

inline constexpr char kFilterPluginId[] = "bramsoliket.filter";
inline constexpr char kStereoFilterPluginId[] = "bramsoliket.filter.stereo";

extern const clap_plugin_descriptor kFilterPluginDescriptor;
extern const clap_plugin_descriptor kStereoFilterPluginDescriptor;
