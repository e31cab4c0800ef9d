// SPDX-License-Identifier: MIT
// What a host sees of a loaded plug-in: its description, the programs and every parameter
// with its name, value, display text and unit.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/hosting/plugin_instance.h"

struct ParameterInfo {
    std::int32_t index;
    std::string name;
    float value;
    std::string display;
    std::string label;
    ParameterRange range;
    // What only the format tells (CLAP: id, module, flags, range).
    std::vector<FormatFact> facts;
    // Where the format gives one (an LV2 port's symbol).
    std::string symbol;
};

struct EffectInfo {
    PluginDescription description;
    std::int32_t programCount;
    std::int32_t currentProgram;
    std::vector<std::string> programNames;
    std::int32_t parameterCount;
    std::vector<ParameterInfo> parameters;
};

// Reads everything. The current program is the same afterwards.
EffectInfo describeEffect(PluginInstance& plugin);

void printEffectInfo(const EffectInfo& info, std::ostream& out);
nlohmann::ordered_json effectInfoToJson(const EffectInfo& info);
