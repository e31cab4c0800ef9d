// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_plugin_listing.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

#include "tools/hosting/lv2/lv2_host_features.h"
#include "tools/hosting/lv2/lv2_port_values.h"

namespace {

constexpr char kLv2Core[] = "http://lv2plug.in/ns/lv2core#";
constexpr char kLv2Extension[] = "http://lv2plug.in/ns/ext/";
constexpr char kLv2Extensions[] = "http://lv2plug.in/ns/extensions/";

FormatFact fact(std::string key, std::string label, std::string text, nlohmann::ordered_json value) {
    return {std::move(key), std::move(label), std::move(text), std::move(value)};
}

std::string joined(const std::vector<std::string>& items, const char* separator = ", ") {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) text += (i == 0 ? "" : separator) + items[i];
    return text;
}

std::string featuresText(const std::vector<std::string>& features, bool required) {
    if (features.empty()) return "none";
    std::vector<std::string> shown;
    for (const std::string& feature : features) {
        const char* note = "";
        if (feature == std::string(kLv2Core) + "hardRTCapable") {
            note = " (a property of the plug-in)";
        } else if (Lv2HostFeatures::serves(feature)) {
            note = " (provided)";
        } else if (required) {
            note = " (not provided: the plug-in cannot be run)";
        }
        shown.push_back(compactLv2Uri(feature) + note);
    }
    return joined(shown);
}

std::string valueShown(const Lv2Port& port, float value) {
    const std::string unit = unitShownFor(port, value);
    return displayText(port, value) + (unit.empty() ? "" : " " + unit);
}

std::string boundText(const Lv2Port& port, const std::optional<float>& written, double sampleRate) {
    return written ? shortestNumberText(hostUnits(port, *written, sampleRate)) : "-";
}

// Properties, then what else is worth knowing about the port, as one column.
std::string portNotes(const Lv2Port& port) {
    std::vector<std::string> notes = port.properties;
    if (!port.designation.empty()) notes.push_back("designation " + compactLv2Uri(port.designation));
    if (port.kind == Lv2PortKind::Atom && port.minimumBufferSize > 0) {
        notes.push_back("buffer of at least " + std::to_string(port.minimumBufferSize) + " bytes");
    }
    return joined(notes);
}

const char* typeName(Lv2PortKind kind) {
    switch (kind) {
        case Lv2PortKind::Audio:
            return "audio";
        case Lv2PortKind::Control:
            return "control";
        case Lv2PortKind::Cv:
            return "cv";
        case Lv2PortKind::Atom:
            return "atom";
        case Lv2PortKind::Event:
            return "event";
        case Lv2PortKind::Unknown:
            break;
    }
    return "unknown";
}

nlohmann::ordered_json portJson(const Lv2Port& port, float value, double sampleRate) {
    nlohmann::ordered_json json = {{"index", port.index},
                                   {"symbol", port.symbol},
                                   {"name", port.name},
                                   {"type", typeName(port.kind)},
                                   {"direction", port.input ? "input" : "output"}};
    if (port.kind == Lv2PortKind::Control) {
        if (port.minimum) json["minimum"] = hostUnits(port, *port.minimum, sampleRate);
        if (port.defaultValue) json["default"] = hostUnits(port, *port.defaultValue, sampleRate);
        if (port.maximum) json["maximum"] = hostUnits(port, *port.maximum, sampleRate);
        json["unit"] = port.unitSymbol;
        json["unitUri"] = port.unitUri;
        nlohmann::ordered_json points = nlohmann::ordered_json::array();
        for (const Lv2ScalePoint& point : port.scalePoints) points.push_back({{"value", point.value}, {"label", point.label}});
        json["scalePoints"] = points;
        json["value"] = value;
        json["display"] = displayText(port, value);
    }
    json["properties"] = port.properties;
    if (!port.designation.empty()) json["designation"] = port.designation;
    if (port.kind == Lv2PortKind::Atom || port.kind == Lv2PortKind::Event) json["midi"] = port.carriesMidi;
    return json;
}

std::string portTable(const Lv2PluginFacts& facts, const std::vector<float>& values, double sampleRate) {
    struct Row {
        std::vector<std::string> cells;
        std::string scalePoints;
    };
    std::vector<Row> rows;
    rows.push_back({{"port", "symbol", "name", "kind", "minimum", "default", "maximum", "unit", "value", "properties"}, ""});
    for (const Lv2Port& port : facts.ports) {
        Row row;
        const bool control = port.kind == Lv2PortKind::Control;
        const float value = values.at(port.index);
        row.cells = {std::to_string(port.index),
                     port.symbol,
                     port.name,
                     portKindText(port),
                     control ? boundText(port, port.minimum, sampleRate) : "",
                     control ? boundText(port, port.defaultValue, sampleRate) : "",
                     control ? boundText(port, port.maximum, sampleRate) : "",
                     control ? port.unitSymbol : "",
                     control ? valueShown(port, value) : "",
                     portNotes(port)};
        std::vector<std::string> points;
        for (const Lv2ScalePoint& point : port.scalePoints) {
            points.push_back(shortestNumberText(point.value) + ": " + point.label);
        }
        if (!points.empty()) row.scalePoints = "scale points: " + joined(points, "; ");
        rows.push_back(row);
    }
    std::vector<std::size_t> widths(rows.front().cells.size(), 0);
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.cells.size(); ++c) widths[c] = std::max(widths[c], row.cells[c].size());
    }
    std::ostringstream table;
    for (const Row& row : rows) {
        std::string line = " ";
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            std::string cell = row.cells[c];
            // The numbers line up on the right, the words on the left.
            const bool number = c == 0 || (c >= 4 && c <= 6);
            if (c + 1 < row.cells.size() || number) {
                const std::string padding(widths[c] - cell.size(), ' ');
                cell = number ? padding + cell : cell + padding;
            }
            line += " " + cell;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        table << '\n' << line;
        if (!row.scalePoints.empty()) table << '\n' << std::string(widths[0] + 4, ' ') << row.scalePoints;
    }
    return table.str();
}

}  // namespace

std::string compactLv2Uri(const std::string& uri) {
    if (uri.rfind(kLv2Core, 0) == 0) return "lv2:" + uri.substr(sizeof kLv2Core - 1);
    for (const char* prefix : {kLv2Extension, kLv2Extensions}) {
        const std::string start = prefix;
        if (uri.rfind(start, 0) != 0) continue;
        const std::string rest = uri.substr(start.size());
        const std::size_t hash = rest.find('#');
        if (hash != std::string::npos && hash > 0) return rest.substr(0, hash) + ":" + rest.substr(hash + 1);
    }
    return uri;
}

std::vector<std::string> lv2PluginProperties(const Lv2PluginFacts& facts) {
    std::vector<std::string> properties = facts.classes;
    for (const auto* list : {&facts.requiredFeatures, &facts.optionalFeatures}) {
        for (const std::string& feature : *list) {
            for (const char* property : {"hardRTCapable", "inPlaceBroken", "isLive"}) {
                if (feature == std::string(kLv2Core) + property) properties.push_back(property);
            }
        }
    }
    return properties;
}

bool takesMidi(const Lv2PluginFacts& facts) {
    return std::any_of(facts.ports.begin(), facts.ports.end(), [](const Lv2Port& p) { return p.input && p.carriesMidi; });
}

bool isLv2Instrument(const Lv2PluginFacts& facts) {
    const bool audioIn = std::any_of(facts.ports.begin(), facts.ports.end(),
                                     [](const Lv2Port& p) { return p.input && p.kind == Lv2PortKind::Audio; });
    return facts.hasClass("InstrumentPlugin") || (takesMidi(facts) && !audioIn);
}

std::vector<FormatFact> lv2FormatFacts(const Lv2PluginFacts& facts, const std::vector<float>& values,
                                       double sampleRate, std::optional<std::uint32_t> meterPort,
                                       std::optional<std::uint32_t> latencyPort) {
    const auto portLabel = [&](std::optional<std::uint32_t> index, const std::string& note) {
        if (!index) return std::string("none");
        const Lv2Port& port = facts.ports[*index];
        return std::to_string(port.index) + " \"" + port.symbol + "\" (" + port.name + ")" + note;
    };
    const auto portIndexJson = [](std::optional<std::uint32_t> index) {
        return index ? nlohmann::ordered_json(*index) : nlohmann::ordered_json(nullptr);
    };
    nlohmann::ordered_json ports = nlohmann::ordered_json::array();
    for (const Lv2Port& port : facts.ports) ports.push_back(portJson(port, values.at(port.index), sampleRate));
    std::vector<std::string> unserved;
    for (const std::string& feature : facts.requiredFeatures) {
        if (!Lv2HostFeatures::serves(feature)) unserved.push_back(feature);
    }
    char rate[64];
    std::snprintf(rate, sizeof rate, "%g Hz", sampleRate);
    return {
        fact("uri", "uri", facts.uri, facts.uri),
        fact("binary", "binary", facts.binary.string(), facts.binary.string()),
        fact("pluginsInBundle", "in the bundle", joined(facts.pluginsInBundle), facts.pluginsInBundle),
        fact("classes", "classes", facts.classes.empty() ? "none" : joined(facts.classes), facts.classes),
        fact("features", "features",
             "required " + featuresText(facts.requiredFeatures, true) + "; optional " +
                 featuresText(facts.optionalFeatures, false),
             {{"required", facts.requiredFeatures}, {"optional", facts.optionalFeatures}, {"notProvided", unserved}}),
        fact("requiredOptions", facts.requiredOptions.empty() ? "" : "options", joined(facts.requiredOptions),
             facts.requiredOptions),
        fact("midiInput", "MIDI input",
             takesMidi(facts) ? "yes (the tool sends no notes: every MIDI input gets an empty sequence)" : "no",
             takesMidi(facts)),
        fact("latencyPort", "latency port",
             portLabel(latencyPort, latencyPort ? ", reported while running: 0 before the first run" : ""),
             portIndexJson(latencyPort)),
        fact("meterPort", "meter port", portLabel(meterPort, ""), portIndexJson(meterPort)),
        fact("sampleRate", "ranges at",
             std::string(rate) + " (ports with lv2:sampleRate have ranges and defaults that follow the rate)",
             sampleRate),
        fact("ports", "ports", std::to_string(facts.ports.size()) + portTable(facts, values, sampleRate), ports),
    };
}
