// SPDX-License-Identifier: MIT
// Who the plug-in is to a CLAP host. The id is the plug-in's identity in every saved host
// session and must never change.
#pragma once

#include "interfaces/clap/clap_abi.h"

inline constexpr char kFilterPluginId[] = "bramsoliket.filter";

extern const clap_plugin_descriptor kFilterPluginDescriptor;
