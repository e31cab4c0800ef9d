// SPDX-License-Identifier: MIT
#include "formats/lv2/plugin_description.h"

#include <charconv>
#include <vector>

#include "core/coefficient_tables.h"
#include "core/filter_processor.h"
#include "core/filter_stage.h"
#include "core/parameter_table.h"
#include "formats/lv2/host_units.h"
#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/plugin_uri.h"
#include "formats/lv2/port_layout.h"

namespace {

// "Freq" is stated in multiples of the sample rate (lv2:sampleRate): at a rate of 1 the
// VST build's hertz are the table's own fractions of the rate.
constexpr float kRateOfOne = 1.0f;

// A float as the shortest decimal that reads back as the same float, always with a point or
// an exponent, so that Turtle reads a decimal or a double, never an integer.
std::string turtleNumber(float value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    std::string number(text, error == std::errc{} ? end : text);
    if (number.find_first_of(".e") == std::string::npos) number += ".0";
    return number;
}

std::string turtleInteger(int value) {
    return std::to_string(value);
}

// A Turtle string literal; the texts written here hold no quote, backslash or line break.
std::string turtleString(const std::string& text) {
    return "\"" + text + "\"";
}

// One port: its statements ("predicate object"), written one per line.
using Statements = std::vector<std::string>;

std::string scalePoints(const std::vector<std::pair<int, std::string>>& points) {
    std::string list = "lv2:scalePoint";
    for (std::size_t i = 0; i < points.size(); ++i) {
        list += (i == 0 ? "\n\t\t\t[ " : " ,\n\t\t\t[ ") + std::string("rdfs:label ") + turtleString(points[i].second) +
                " ; rdf:value " + turtleInteger(points[i].first) + " ]";
    }
    return list;
}

Statements portHeader(const char* classes, std::uint32_t index, const char* symbol, const char* name) {
    return {std::string("a ") + classes, "lv2:index " + std::to_string(index), "lv2:symbol " + turtleString(symbol),
            "lv2:name " + turtleString(name)};
}

// A control's range, default, unit and properties, by how the VST build shows it.
Statements controlPort(const ParameterInfo& parameter, FilterProcessor& defaults) {
    Statements port = portHeader("lv2:InputPort , lv2:ControlPort", controlPortOf(parameter.index), parameter.symbol,
                                 parameter.name);
    const auto range = [&](const std::string& minimum, const std::string& maximum, const std::string& byDefault) {
        port.push_back("lv2:default " + byDefault);
        port.push_back("lv2:minimum " + minimum);
        port.push_back("lv2:maximum " + maximum);
    };
    const float shownDefault = lv2_units::shownHostValue(defaults, parameter.index, kRateOfOne);
    switch (parameter.display) {
        case DisplayRule::TargetFrequency:
            range(turtleNumber(lv2_units::rowFrequencyHz(0, kRateOfOne)),
                  turtleNumber(lv2_units::rowFrequencyHz(lv2_units::kTopFrequencyRow, kRateOfOne)),
                  turtleNumber(shownDefault));
            port.push_back("units:unit units:hz");
            port.push_back("lv2:portProperty lv2:sampleRate , pprops:logarithmic");
            break;
        case DisplayRule::TypeName: {
            range(turtleInteger(0), turtleInteger(kFilterTypeCount - 1), turtleInteger(static_cast<int>(shownDefault)));
            std::vector<std::pair<int, std::string>> points;
            for (int type = 0; type < kFilterTypeCount; ++type) points.emplace_back(type, FilterStage::typeName(type));
            port.push_back("lv2:portProperty lv2:integer , lv2:enumeration");
            port.push_back(scalePoints(points));
            break;
        }
        case DisplayRule::SlopePerOctave: {
            const auto slope = [](int stages) { return static_cast<int>(stages * kDecibelsPerOctavePerStage); };
            range(turtleInteger(slope(1)), turtleInteger(slope(kMaximumSlopeStages)),
                  turtleInteger(static_cast<int>(shownDefault)));
            std::vector<std::pair<int, std::string>> points;
            for (int stages = 1; stages <= kMaximumSlopeStages; ++stages) {
                points.emplace_back(slope(stages), std::to_string(slope(stages)) + " " + parameter.unitLabel);
            }
            port.push_back("lv2:portProperty lv2:integer , lv2:enumeration");
            port.push_back(scalePoints(points));
            break;
        }
        case DisplayRule::GainInDecibels:
            range(turtleNumber(lv2_units::kLevelFloorDecibels), turtleNumber(lv2_units::topLevelDecibels()),
                  turtleNumber(shownDefault));
            port.push_back("units:unit units:db");
            break;
        case DisplayRule::WorkingValue:
        case DisplayRule::StoredValue:
            // The amounts are the normalized values themselves.
            range(turtleNumber(0.0f), turtleNumber(1.0f), turtleNumber(parameter.defaultValue));
            break;
    }
    return port;
}

std::string writePorts(const std::vector<Statements>& ports) {
    std::string text = "\tlv2:port";
    for (std::size_t p = 0; p < ports.size(); ++p) {
        text += p == 0 ? " [\n" : " , [\n";
        for (std::size_t s = 0; s < ports[p].size(); ++s) {
            text += "\t\t" + ports[p][s] + (s + 1 < ports[p].size() ? " ;\n" : "\n");
        }
        text += "\t]";
    }
    return text + " .\n";
}

// Ardour's inline display, where the module offers it: its interface as extension data, and
// its queue_draw feature and in_gui (the picture in the host's generic window too) as optional
// features. No schema a validator knows describes the extension's terms, so the description
// states what they are.
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
constexpr bool kInlineDisplay = true;
#else
constexpr bool kInlineDisplay = false;
#endif

std::string inlineDisplayPrefix() {
    return kInlineDisplay ? "@prefix idpy: <" BRAMSOLIKET_INLINE_DISPLAY_URI "#> .\n" : "";
}

std::string inlineDisplayFeatures() {
    return kInlineDisplay ? "\tlv2:extensionData idpy:interface ;\n"
                            "\tlv2:optionalFeature idpy:queue_draw , idpy:in_gui ;\n"
                          : "";
}

std::string inlineDisplayTerms() {
    return kInlineDisplay ? "\nidpy:interface a lv2:ExtensionData .\n"
                            "idpy:queue_draw a lv2:Feature .\n"
                            "idpy:in_gui a lv2:Feature .\n"
                          : "";
}

// The plug-in's own UI, where the bundle has one: an X11 UI that the host drives through
// ui:idleInterface (required) and embeds in its window (ui:parent); it tells the host its size
// (ui:resize) and when a control is grabbed (ui:touch), reads the scale and the sample rate
// from the host's options (which it needs urid:map to read), reaches the running settings
// through instance-access and data-access where the host offers them, and finds the meter
// port by symbol (ui:portMap). It asks the host to send it the meter's output, which hosts
// do not send by default.
std::string uiPrefixes(const std::string& uiFileName) {
    return uiFileName.empty() ? ""
                              : "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
                                "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n";
}

std::string uiOfPlugin(const std::string& uiFileName) {
    return uiFileName.empty() ? "" : "\tui:ui <" + std::string(kPluginUiUri) + "> ;\n";
}

std::string uiDescription(const std::string& uiFileName) {
    if (uiFileName.empty()) return "";
    return "\n<" + std::string(kPluginUiUri) + ">\n"
           "\ta ui:X11UI ;\n"
           "\tui:binary <" + uiFileName + "> ;\n"
           "\tlv2:requiredFeature ui:idleInterface ;\n"
           "\tlv2:optionalFeature ui:parent , ui:resize , ui:touch , ui:portMap , opts:options , urid:map ,\n"
           "\t\t<http://lv2plug.in/ns/ext/instance-access> , <http://lv2plug.in/ns/ext/data-access> ;\n"
           "\tlv2:extensionData ui:idleInterface , ui:resize ;\n"
           "\topts:supportedOption ui:scaleFactor , param:sampleRate ;\n"
           "\tui:portNotification [\n"
           "\t\tui:plugin <" + std::string(kPluginUri) + "> ;\n"
           "\t\tlv2:symbol " + turtleString(kPeakPortNames.symbol) + " ;\n"
           "\t\tui:protocol ui:floatProtocol\n"
           "\t] .\n";
}

}  // namespace

std::string lv2ManifestTurtle(const std::string& moduleFileName, const std::string& descriptionFileName,
                              const std::string& uiFileName) {
    std::string manifest = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n" +
                           std::string(uiFileName.empty() ? "" : "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n") +
                           "\n<" + std::string(kPluginUri) + ">\n"
                           "\ta lv2:Plugin ;\n"
                           "\tlv2:binary <" + moduleFileName + "> ;\n"
                           "\trdfs:seeAlso <" + descriptionFileName + "> .\n";
    if (!uiFileName.empty()) {
        manifest += "\n<" + std::string(kPluginUiUri) + ">\n"
                    "\ta ui:X11UI ;\n"
                    "\tui:binary <" + uiFileName + "> ;\n"
                    "\trdfs:seeAlso <" + descriptionFileName + "> .\n";
    }
    return manifest;
}

std::string lv2PluginTurtle(const Lv2DescriptionVersion& version, const std::string& uiFileName) {
    FilterProcessor defaults;  // a fresh processor holds every parameter's default
    std::vector<Statements> ports;
    for (const ParameterInfo& parameter : kParameterTable) ports.push_back(controlPort(parameter, defaults));
    ports.push_back(portHeader("lv2:InputPort , lv2:AudioPort", kPortInput, kInputPortNames.symbol, kInputPortNames.name));
    ports.push_back(portHeader("lv2:OutputPort , lv2:AudioPort", kPortLeft, kLeftPortNames.symbol, kLeftPortNames.name));
    ports.push_back(
        portHeader("lv2:OutputPort , lv2:AudioPort", kPortRight, kRightPortNames.symbol, kRightPortNames.name));
    Statements peak = portHeader("lv2:OutputPort , lv2:ControlPort", kPortPeak, kPeakPortNames.symbol, kPeakPortNames.name);
    peak.push_back("lv2:minimum " + turtleNumber(0.0f));
    peak.push_back("lv2:maximum " + turtleNumber(1.0f));
    ports.push_back(peak);

    return "@prefix doap: <http://usefulinc.com/ns/doap#> .\n" + inlineDisplayPrefix() +
           "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
           "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
           "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n" +
           uiPrefixes(uiFileName) + "\n"
           "<" + std::string(kPluginUri) + ">\n"
           "\ta lv2:Plugin , lv2:FilterPlugin ;\n"
           "\tdoap:name \"BRAMSOLIKET\" ;\n"
           "\trdfs:comment \"A resonant multi-mode filter: one to four two-pole stages of one type, one input, "
           "two identical outputs.\" ;\n"
           "\tlv2:minorVersion " + std::to_string(version.minor) + " ;\n"
           "\tlv2:microVersion " + std::to_string(version.micro) + " ;\n"
           "\tlv2:optionalFeature lv2:hardRTCapable ;\n" +
           inlineDisplayFeatures() + uiOfPlugin(uiFileName) + writePorts(ports) + inlineDisplayTerms() +
           uiDescription(uiFileName);
}
