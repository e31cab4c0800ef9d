#include "tools/effect_info.h"

#include <cstdio>
#include <iomanip>

#include "formats/vst/aeffect.h"
#include "tools/loaded_effect.h"

namespace {

struct NamedFlag {
    std::int32_t bit;
    const char* name;
};

constexpr NamedFlag kNamedFlags[] = {
    {kFlagReportsClipping, "reportsClipping"},
    {kFlagHasMeter, "hasMeter"},
    {kFlagCanMono, "canMono"},
    {kFlagCanReplace, "canReplace"},
};

std::string hexWord(std::int32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
    return text;
}

}  // namespace

std::vector<std::string> flagNames(std::int32_t flags) {
    std::vector<std::string> names;
    for (int bit = 0; bit < 32; ++bit) {
        const auto value = static_cast<std::int32_t>(1u << bit);
        if ((flags & value) == 0) continue;
        const char* name = nullptr;
        for (const NamedFlag& flag : kNamedFlags) {
            if (flag.bit == value) name = flag.name;
        }
        if (name != nullptr) {
            names.emplace_back(name);
        } else {
            char text[24];
            std::snprintf(text, sizeof text, "bit 0x%X", static_cast<unsigned>(value));
            names.emplace_back(text);
        }
    }
    return names;
}

std::string fourCharacterText(std::int32_t value) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned byte = (static_cast<std::uint32_t>(value) >> shift) & 0xFFu;
        if (byte >= 0x20 && byte < 0x7F) {
            text.push_back(static_cast<char>(byte));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

EffectInfo describeEffect(LoadedEffect& effect) {
    const AEffect& record = effect.record();
    EffectInfo info{};
    info.modulePath = effect.modulePath().string();
    info.magic = record.magic;
    info.programCount = record.programCount;
    info.parameterCount = record.parameterCount;
    info.inputCount = record.inputCount;
    info.outputCount = record.outputCount;
    info.flags = record.flags;
    info.flagNames = flagNames(record.flags);
    info.initialDelay = record.initialDelay;
    info.uniqueId = record.uniqueId;
    info.version = record.version;
    info.currentProgram = effect.currentProgram();
    for (std::int32_t i = 0; i < record.parameterCount; ++i) {
        info.parameters.push_back(
            {i, effect.parameterName(i), effect.getParameter(i), effect.parameterDisplay(i), effect.parameterLabel(i)});
    }
    for (std::int32_t program = 0; program < record.programCount; ++program) {
        effect.selectProgram(program);
        info.programNames.push_back(effect.currentProgramName());
    }
    if (record.programCount > 0) effect.selectProgram(info.currentProgram);
    return info;
}

void printEffectInfo(const EffectInfo& info, std::ostream& out) {
    out << "module:         " << info.modulePath << '\n';
    out << "magic:          " << hexWord(info.magic) << " \"" << fourCharacterText(info.magic) << "\"\n";
    out << "unique id:      \"" << fourCharacterText(info.uniqueId) << "\" (" << info.uniqueId << ", "
        << hexWord(info.uniqueId) << ")\n";
    out << "version:        " << info.version << '\n';
    out << "inputs:         " << info.inputCount << '\n';
    out << "outputs:        " << info.outputCount << '\n';
    out << "initial delay:  " << info.initialDelay << '\n';
    out << "flags:          " << info.flags;
    for (std::size_t i = 0; i < info.flagNames.size(); ++i) out << (i == 0 ? " (" : ", ") << info.flagNames[i];
    out << (info.flagNames.empty() ? "\n" : ")\n");
    out << "programs:       " << info.programCount << " (current " << info.currentProgram << ")\n";
    for (std::size_t i = 0; i < info.programNames.size(); ++i) {
        out << "  " << std::setw(3) << i << "  \"" << info.programNames[i] << "\"\n";
    }
    out << "parameters:     " << info.parameterCount << '\n';
    out << "  index  name              value  display     label\n";
    for (const ParameterInfo& p : info.parameters) {
        out << "  " << std::setw(5) << p.index << "  " << std::left << std::setw(12) << p.name << std::right << ' '
            << std::setw(10) << std::fixed << std::setprecision(6) << p.value << std::defaultfloat << "  \""
            << p.display << "\"  \"" << p.label << "\"\n";
    }
}

nlohmann::ordered_json effectInfoToJson(const EffectInfo& info) {
    nlohmann::ordered_json parameters = nlohmann::ordered_json::array();
    for (const ParameterInfo& p : info.parameters) {
        parameters.push_back(
            {{"index", p.index}, {"name", p.name}, {"value", p.value}, {"display", p.display}, {"label", p.label}});
    }
    return {
        {"module", info.modulePath},
        {"magic", info.magic},
        {"magicText", fourCharacterText(info.magic)},
        {"uniqueId", info.uniqueId},
        {"uniqueIdText", fourCharacterText(info.uniqueId)},
        {"version", info.version},
        {"inputCount", info.inputCount},
        {"outputCount", info.outputCount},
        {"initialDelay", info.initialDelay},
        {"flags", info.flags},
        {"flagNames", info.flagNames},
        {"programCount", info.programCount},
        {"currentProgram", info.currentProgram},
        {"programs", info.programNames},
        {"parameterCount", info.parameterCount},
        {"parameters", parameters},
    };
}
