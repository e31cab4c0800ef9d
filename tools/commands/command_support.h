// SPDX-License-Identifier: MIT
// What the commands share: loading the plug-in, checking the rate, telling the plug-in the
// rate before its texts are read, and resolving --set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/commands/commands.h"
#include "tools/session/parameter_settings.h"
#include "tools/hosting/plugin_instance.h"

std::unique_ptr<PluginInstance> loadChosenPlugin(const CommonOptions& common);

// Throws ToolError naming the range.
void checkRate(double rate);

// Activates and deactivates the plug-in at this rate, so that the texts it shows (and those
// searched for values) are the ones at this rate.
void announceRate(PluginInstance& plugin, double rate, int block);

std::vector<ParameterSetting> resolveSettings(PluginInstance& plugin, const ParameterNames& names,
                                              const std::vector<std::string>& assignments);

void warn(const std::string& message);
