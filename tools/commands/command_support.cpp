// SPDX-License-Identifier: MIT
#include "tools/commands/command_support.h"

#include <cstdio>
#include <iostream>

#include "tools/hosting/module_search.h"
#include "tools/hosting/plugin_loader.h"
#include "tools/tool_error.h"

namespace {
constexpr double kLowestRate = 1.0;
constexpr double kHighestRate = 1.0e7;
}  // namespace

std::unique_ptr<PluginInstance> loadChosenPlugin(const CommonOptions& common) {
    return loadPlugin(common.plugin.empty() ? defaultModulePath() : std::filesystem::path(common.plugin));
}

void checkRate(double rate) {
    if (!(rate >= kLowestRate && rate <= kHighestRate)) {
        char text[160];
        std::snprintf(text, sizeof text, "sample rate %g Hz is out of range (%g to %.0f Hz)", rate, kLowestRate,
                      kHighestRate);
        throw ToolError(text);
    }
}

void announceRate(PluginInstance& plugin, double rate, int block) {
    plugin.activate(rate, block);
    plugin.deactivate();
}

std::vector<ParameterSetting> resolveSettings(PluginInstance& plugin, const ParameterNames& names,
                                              const std::vector<std::string>& assignments) {
    std::vector<ParameterSetting> settings;
    for (const std::string& assignment : assignments) {
        settings.push_back(parseSetting(assignment, names, plugin));
        warnAboutValueSent(plugin, settings.back(), names);
    }
    return settings;
}

void warn(const std::string& message) { std::cerr << "bramsoliket-host: warning: " << message << '\n'; }
