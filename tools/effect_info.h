// What a host sees of a loaded effect: the record's fields, the programs and every
// parameter with its name, value, display text and label.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class LoadedEffect;

struct ParameterInfo {
    std::int32_t index;
    std::string name;
    float value;
    std::string display;
    std::string label;
};

struct EffectInfo {
    std::string modulePath;
    std::int32_t magic;
    std::int32_t programCount;
    std::int32_t parameterCount;
    std::int32_t inputCount;
    std::int32_t outputCount;
    std::int32_t flags;
    std::vector<std::string> flagNames;
    std::int32_t initialDelay;
    std::int32_t uniqueId;
    std::int32_t version;
    std::int32_t currentProgram;
    std::vector<std::string> programNames;
    std::vector<ParameterInfo> parameters;
};

// Reads everything. The programs are listed by selecting each in turn and reading its name;
// the program that was current is selected again afterwards.
EffectInfo describeEffect(LoadedEffect& effect);

// The names of the set bits of a flags word; bits the interface does not name are shown as
// their value, e.g. "bit 0x20".
std::vector<std::string> flagNames(std::int32_t flags);

// Four characters, most significant byte first; bytes outside printable ASCII as "\xNN".
std::string fourCharacterText(std::int32_t value);

void printEffectInfo(const EffectInfo& info, std::ostream& out);
nlohmann::ordered_json effectInfoToJson(const EffectInfo& info);
