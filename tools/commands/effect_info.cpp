// SPDX-License-Identifier: MIT
#include "tools/commands/effect_info.h"

#include <algorithm>
#include <iomanip>

namespace {

// "label:" padded so that the values start in one column.
std::string field(const std::string& label) {
    std::string text = label + ":";
    if (text.size() < 16) text.resize(16, ' ');
    return text;
}

const char* yesNo(bool value) { return value ? "yes" : "no"; }

}  // namespace

EffectInfo describeEffect(PluginInstance& plugin) {
    EffectInfo info{};
    info.description = plugin.description();
    info.programCount = plugin.programCount();
    info.currentProgram = plugin.currentProgram();
    info.parameterCount = plugin.parameterCount();
    for (std::int32_t i = 0; i < info.parameterCount; ++i) {
        info.parameters.push_back({i, plugin.parameterName(i), plugin.parameterValue(i), plugin.parameterDisplay(i),
                                   plugin.parameterUnit(i), plugin.parameterRange(i), plugin.parameterFacts(i),
                                   plugin.parameterSymbol(i)});
    }
    info.programNames = plugin.programNames();
    return info;
}

void printEffectInfo(const EffectInfo& info, std::ostream& out) {
    const PluginDescription& d = info.description;
    out << field("plug-in") << d.name << '\n';
    out << field("format") << d.format << '\n';
    out << field("module") << d.path.string() << '\n';
    for (const FormatFact& fact : d.formatFacts) {
        if (!fact.label.empty()) out << field(fact.label) << fact.text << '\n';
    }
    out << field("inputs") << d.inputCount << '\n';
    out << field("outputs") << d.outputCount << '\n';
    out << field("instrument") << yesNo(d.isInstrument)
        << (d.isInstrument ? " (it needs notes, which this tool cannot send)" : "") << '\n';
    out << field("editor") << yesNo(d.hasEditor) << (d.hasEditor ? " (not shown by this tool)" : "") << '\n';
    out << field("meter") << yesNo(d.hasMeter) << '\n';
    out << field("programs") << info.programCount << " (current " << info.currentProgram << ")\n";
    for (std::size_t i = 0; i < info.programNames.size(); ++i) {
        out << "  " << std::setw(3) << i << "  \"" << info.programNames[i] << "\"\n";
    }
    out << field("parameters") << info.parameterCount << '\n';
    std::size_t nameWidth = 12;
    for (const ParameterInfo& p : info.parameters) nameWidth = std::max(nameWidth, p.name.size());
    out << "  index  " << std::left << std::setw(static_cast<int>(nameWidth)) << "name" << std::right
        << "      value  display     label\n";
    for (const ParameterInfo& p : info.parameters) {
        out << "  " << std::setw(5) << p.index << "  " << std::left << std::setw(static_cast<int>(nameWidth)) << p.name
            << std::right << ' ' << std::setw(10) << std::fixed << std::setprecision(6) << p.value << std::defaultfloat
            << "  \"" << p.display << "\"  \"" << p.label << "\"\n";
        std::string facts;
        for (const FormatFact& fact : p.facts) {
            if (!fact.label.empty()) facts += (facts.empty() ? "" : ", ") + fact.label + " " + fact.text;
        }
        if (!facts.empty()) out << "         " << facts << '\n';
    }
}

nlohmann::ordered_json effectInfoToJson(const EffectInfo& info) {
    const PluginDescription& d = info.description;
    nlohmann::ordered_json parameters = nlohmann::ordered_json::array();
    for (const ParameterInfo& p : info.parameters) {
        nlohmann::ordered_json parameter = {{"index", p.index}, {"name", p.name},       {"value", p.value},
                                            {"display", p.display}, {"label", p.label}, {"minimum", p.range.minimum},
                                            {"maximum", p.range.maximum}};
        if (p.range.defaultValue) parameter["default"] = *p.range.defaultValue;
        if (!p.symbol.empty()) parameter["symbol"] = p.symbol;
        for (const FormatFact& fact : p.facts) parameter[fact.key] = fact.value;
        parameters.push_back(parameter);
    }
    nlohmann::ordered_json json = {{"name", d.name}, {"format", d.format}, {"module", d.path.string()}};
    for (const FormatFact& fact : d.formatFacts) json[fact.key] = fact.value;
    json["inputCount"] = d.inputCount;
    json["outputCount"] = d.outputCount;
    json["latency"] = d.latency;
    json["properties"] = d.properties;
    json["instrument"] = d.isInstrument;
    json["hasEditor"] = d.hasEditor;
    json["hasMeter"] = d.hasMeter;
    json["programCount"] = info.programCount;
    json["currentProgram"] = info.currentProgram;
    json["programs"] = info.programNames;
    json["parameterCount"] = info.parameterCount;
    json["parameters"] = parameters;
    return json;
}
