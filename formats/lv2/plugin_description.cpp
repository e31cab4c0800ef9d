// SPDX-License-Identifier: MIT
#include "formats/lv2/plugin_description.h"

#include <charconv>
#include <vector>

#include "core/parameter_rules.h"
#include "core/project_identity.h"
#include "core/parameter_table.h"
#include "core/parameter_units.h"
#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/plugin_uri.h"
#include "formats/lv2/port_layout.h"

namespace {

// What each control does, for hosts that show a port's comment.
constexpr const char* kControlComments[kParameterCount] = {
    "Cutoff or centre frequency: selects the nearest in pitch of the filter's 80 table frequencies at the "
    "running sample rate",
    "Resonance: off below 0.05, then 20 steps of a resonant peak at the frequency",
    "Glide time: how slowly the filter moves to a new frequency or resonance, up to 4000 samples per table row "
    "(0.1 is 400)",
    "Filter type: low-pass, high-pass, band-pass, a resonant peak added to the input, or straight through",
    "Slope: one to four two-pole stages in cascade, 12 dB per octave each",
    "Share of the filtered signal in the output: 0 the input only, 1 the filtered signal only",
    "Output level of the filtered signal, from silence to +6 dB",
};

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
Statements controlPort(const ParameterInfo& parameter) {
    Statements port = portHeader("lv2:InputPort , lv2:ControlPort", controlPortOf(parameter.index), parameter.symbol,
                                 parameter.name);
    const auto range = [&](const std::string& minimum, const std::string& maximum, const std::string& byDefault) {
        port.push_back("lv2:default " + byDefault);
        port.push_back("lv2:minimum " + minimum);
        port.push_back("lv2:maximum " + maximum);
    };
    // Every default is what a fresh VST instance shows at 44.1 kHz.
    const float shownDefault =
        parameter_units::shownNumber(parameter.index, parameter.defaultValue, kFrequencyDefaultRate);
    switch (parameter.display) {
        case DisplayRule::TargetFrequency:
            range(turtleNumber(parameter_units::rowFrequencyHz(0, kFrequencyBoundsLowestRate)),
                  turtleNumber(parameter_units::rowFrequencyHz(parameter_units::kTopFrequencyRow,
                                                               kFrequencyBoundsHighestRate)),
                  turtleNumber(shownDefault));
            port.push_back("units:unit units:hz");
            port.push_back("lv2:portProperty pprops:logarithmic");
            break;
        case DisplayRule::TypeName:
        case DisplayRule::SlopePerOctave: {
            // Choices by their numbers (type numbers, dB/Oct), labelled as the VST build shows them.
            const int count = parameter_units::settingCount(parameter.index);
            const auto numberOf = [&](int setting) {
                const float value = parameter_units::valueOfSetting(parameter.index, setting);
                return static_cast<int>(parameter_units::shownNumber(parameter.index, value, kFrequencyDefaultRate));
            };
            range(turtleInteger(numberOf(0)), turtleInteger(numberOf(count - 1)),
                  turtleInteger(static_cast<int>(shownDefault)));
            std::vector<std::pair<int, std::string>> points;
            for (int setting = 0; setting < count; ++setting) {
                points.emplace_back(numberOf(setting), *parameter_units::choiceLabel(parameter.index, setting));
            }
            port.push_back("lv2:portProperty lv2:integer , lv2:enumeration");
            port.push_back(scalePoints(points));
            break;
        }
        case DisplayRule::GainInDecibels:
            range(turtleNumber(parameter_units::kLevelFloorDecibels), turtleNumber(parameter_units::topLevelDecibels()),
                  turtleNumber(shownDefault));
            port.push_back("units:unit units:db");
            break;
        case DisplayRule::WorkingValue:
        case DisplayRule::StoredValue:
            // The amounts are the normalized values themselves.
            range(turtleNumber(0.0f), turtleNumber(1.0f), turtleNumber(parameter.defaultValue));
            break;
    }
    port.push_back("rdfs:comment " + turtleString(kControlComments[parameter.index]));
    return port;
}

// The maintainers as a FOAF node: name, address and homepage.
std::string maintainerTurtle() {
    return std::string("[\n\t\ta foaf:Person ;\n\t\tfoaf:name \"") + kProjectVendor + "\" ;\n\t\tfoaf:mbox <mailto:" +
           kProjectContactAddress + "> ;\n\t\tfoaf:homepage <" + kProjectHomepage + ">\n\t]";
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

// What sets the two plug-ins apart: URI, name, description and audio ports.
struct PluginVariant {
    const char* uri;
    const char* name;
    const char* comment;
    const char* outputComment;
    Lv2PortLayout layout;
};

const PluginVariant kVariants[] = {
    {kPluginUri, "BRAMSOLIKET Mono",
     "A resonant multi-mode filter: one to four two-pole stages of one type, one input, two identical outputs.",
     "The filtered signal mixed with the input; both outputs carry the same", kMonoPortLayout},
    {kStereoPluginUri, "BRAMSOLIKET Stereo",
     "A resonant multi-mode filter for stereo signals: one to four two-pole stages of one type, the left and "
     "the right channel filtered alike, each into its own output.",
     "The filtered channel mixed with its own input", kStereoPortLayout},
};

// The plug-ins' own UI, where the bundle has one: an X11 UI that the host drives through
// ui:idleInterface (required) and embeds in its window (ui:parent); it tells the host when a
// control is grabbed (ui:touch), and its size through ui:resize where a host passes it
// (undeclared: LV2 deprecates declaring it), reads the scale and the sample rate
// from the host's options (which it needs urid:map to read), reaches the running settings
// through instance-access and data-access where the host offers them, and finds the meter
// port by symbol (ui:portMap). It asks the host to send it each plug-in's meter output, which
// hosts do not send by default.
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
    std::string text = "\n<" + std::string(kPluginUiUri) + ">\n"
                       "\ta ui:X11UI ;\n"
                       "\tui:binary <" + uiFileName + "> ;\n"
                       "\tlv2:requiredFeature ui:idleInterface ;\n"
                       "\tlv2:optionalFeature ui:parent , ui:touch , ui:portMap , opts:options , urid:map ,\n"
                       "\t\t<http://lv2plug.in/ns/ext/instance-access> , <http://lv2plug.in/ns/ext/data-access> ;\n"
                       "\tlv2:extensionData ui:idleInterface ;\n"
                       "\topts:supportedOption ui:scaleFactor , param:sampleRate";
    for (const PluginVariant& variant : kVariants) {
        text += " ;\n"
                "\tui:portNotification [\n"
                "\t\tui:plugin <" + std::string(variant.uri) + "> ;\n"
                "\t\tlv2:symbol " + turtleString(kPeakPortNames.symbol) + " ;\n"
                "\t\tui:protocol ui:floatProtocol\n"
                "\t]";
    }
    return text + " .\n";
}

std::vector<Statements> audioAndMeterPorts(const PluginVariant& variant) {
    std::vector<Statements> ports;
    const Lv2PortLayout& layout = variant.layout;
    if (layout.inputCount == 1) {
        Statements input = portHeader("lv2:InputPort , lv2:AudioPort", layout.input(0), kInputPortNames.symbol,
                                      kInputPortNames.name);
        input.push_back("rdfs:comment \"The signal to filter\"");
        ports.push_back(input);
    } else {
        for (const auto& [channel, names] : {std::pair{0u, kLeftInputPortNames}, std::pair{1u, kRightInputPortNames}}) {
            Statements input =
                portHeader("lv2:InputPort , lv2:AudioPort", layout.input(channel), names.symbol, names.name);
            input.push_back(std::string("rdfs:comment \"The ") + (channel == 0 ? "left" : "right") +
                            " channel to filter\"");
            ports.push_back(input);
        }
    }
    for (const auto& [index, names] :
         {std::pair{layout.left(), kLeftPortNames}, std::pair{layout.right(), kRightPortNames}}) {
        Statements output = portHeader("lv2:OutputPort , lv2:AudioPort", index, names.symbol, names.name);
        output.push_back("rdfs:comment " + turtleString(variant.outputComment));
        ports.push_back(output);
    }
    // A level meter: the highest filtered sample of each run as a linear amplitude.
    Statements peak = portHeader("lv2:OutputPort , lv2:ControlPort", layout.peak(), kPeakPortNames.symbol,
                                 kPeakPortNames.name);
    peak.push_back("lv2:minimum " + turtleNumber(0.0f));
    peak.push_back("lv2:maximum " + turtleNumber(1.0f));
    peak.push_back("units:unit units:coef");
    peak.push_back("rdfs:comment \"Peak meter: the highest filtered sample of each run, before the dry/wet mix, "
                   "as a linear amplitude (1 is full scale; louder peaks are reported too)\"");
    ports.push_back(peak);
    Statements enabled = portHeader("lv2:InputPort , lv2:ControlPort", layout.enabled(), kEnabledPortNames.symbol,
                                    kEnabledPortNames.name);
    enabled.push_back("lv2:default 1");
    enabled.push_back("lv2:minimum 0");
    enabled.push_back("lv2:maximum 1");
    enabled.push_back("lv2:designation lv2:enabled");
    enabled.push_back("lv2:portProperty lv2:toggled");
    enabled.push_back(
        "rdfs:comment \"1 filters, 0 bypasses: the outputs carry the input; a switch cross-fades over 10 ms\"");
    ports.push_back(enabled);
    return ports;
}

std::string pluginTurtle(const PluginVariant& variant, const Lv2DescriptionVersion& version,
                         const std::string& uiFileName) {
    std::vector<Statements> ports;
    for (const ParameterInfo& parameter : kParameterTable) ports.push_back(controlPort(parameter));
    for (Statements& port : audioAndMeterPorts(variant)) ports.push_back(std::move(port));
    return "<" + std::string(variant.uri) + ">\n"
           "\ta lv2:Plugin , lv2:FilterPlugin ;\n"
           "\tdoap:name " + turtleString(variant.name) + " ;\n"
           "\tdoap:shortdesc \"" + std::string(kProjectShortDescription) + "\" ;\n"
           "\trdfs:comment " + turtleString(variant.comment) + " ;\n"
           "\tdoap:license <" + std::string(kProjectLicenseUri) + "> ;\n"
           "\tlv2:project <" + std::string(kProjectHomepage) + "> ;\n"
           "\tlv2:minorVersion " + std::to_string(version.minor) + " ;\n"
           "\tlv2:microVersion " + std::to_string(version.micro) + " ;\n"
           "\tlv2:optionalFeature lv2:hardRTCapable ;\n" +
           inlineDisplayFeatures() + uiOfPlugin(uiFileName) + writePorts(ports);
}

}  // namespace

std::string lv2ManifestTurtle(const std::string& moduleFileName, const std::string& descriptionFileName,
                              const std::string& uiFileName) {
    std::string text = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                       "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n" +
                       std::string(uiFileName.empty() ? "" : "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n");
    for (const PluginVariant& variant : kVariants) {
        text += "\n<" + std::string(variant.uri) + ">\n"
                "\ta lv2:Plugin ;\n"
                "\tlv2:binary <" + moduleFileName + "> ;\n"
                "\trdfs:seeAlso <" + descriptionFileName + "> .\n";
    }
    if (!uiFileName.empty()) {
        text += "\n<" + std::string(kPluginUiUri) + ">\n"
                "\ta ui:X11UI ;\n"
                "\tui:binary <" + uiFileName + "> ;\n"
                "\trdfs:seeAlso <" + descriptionFileName + "> .\n";
    }
    return text;
}

std::string lv2PluginTurtle(const Lv2DescriptionVersion& version, const std::string& uiFileName) {
    std::string text = "@prefix doap: <http://usefulinc.com/ns/doap#> .\n" + inlineDisplayPrefix() +
                       "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                       "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                       "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                       "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                       "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                       "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n" +
                       uiPrefixes(uiFileName) + "\n"
                       "<" + std::string(kProjectHomepage) + ">\n"
                       "\ta doap:Project ;\n"
                       "\tdoap:name \"" + std::string(kProjectName) + "\" ;\n"
                       "\tdoap:homepage <" + std::string(kProjectHomepage) + "> ;\n"
                       "\tdoap:license <" + std::string(kProjectLicenseUri) + "> ;\n"
                       "\tdoap:maintainer " + maintainerTurtle() + " .\n";
    for (const PluginVariant& variant : kVariants) text += "\n" + pluginTurtle(variant, version, uiFileName);
    return text + inlineDisplayTerms() + uiDescription(uiFileName);
}
