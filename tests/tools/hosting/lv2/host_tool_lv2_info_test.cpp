// SPDX-License-Identifier: MIT
// `info` on our LV2 bundle shows every port with its kind, range and default in host units
// (the Freq range holds the table's rows at every rate from 8 to 384 kHz, its default is what
// the VST build shows at 44.1 kHz), its unit, scale-point labels and properties, and the
// bypass switch; `--set` takes host units by symbol or name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

const std::string kBundle = BRAMSOLIKET_LV2_BUNDLE;

nlohmann::json infoJson(const std::string& plugin, std::vector<std::string> extra, std::string* err = nullptr) {
    std::vector<std::string> arguments = {"info", "--json", "--plugin", plugin};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    if (err != nullptr) *err = run.err;
    return run.status == 0 ? nlohmann::json::parse(run.out) : nlohmann::json::object();
}

// The VST module's "Freq" text at `rate` for a normalized value.
std::string vstFrequencyText(const std::string& rate, const std::string& value) {
    const nlohmann::json info = infoJson(BRAMSOLIKET_MODULE_PATH, {"--rate", rate, "--set", "Freq=" + value});
    return info["parameters"][0]["display"].get<std::string>();
}

// Within one unit of the text's last decimal place (the VST texts fill eight characters).
void expectShows(double hertz, const std::string& text) {
    const std::size_t point = text.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
    EXPECT_NEAR(hertz, std::strtod(text.c_str(), nullptr), std::pow(10.0, -decimals)) << text;
}

std::vector<std::string> labels(const nlohmann::json& port) {
    std::vector<std::string> result;
    for (const nlohmann::json& point : port["scalePoints"]) result.push_back(point["label"]);
    return result;
}

TEST(HostToolLv2Info, PortsWithRangesInHostUnitsAtTheRate) {
    for (const std::string rate : {"44100", "48000"}) {
        SCOPED_TRACE(rate);
        const nlohmann::json info = infoJson(kBundle, {"--rate", rate});
        EXPECT_EQ(info["format"], "LV2");
        EXPECT_EQ(info["uri"], "urn:bramsoliket:filter");
        EXPECT_EQ(info["name"], "BRAMSOLIKET");
        EXPECT_EQ(info["inputCount"], 1);
        EXPECT_EQ(info["outputCount"], 2);
        EXPECT_EQ(info["instrument"], false);
        EXPECT_EQ(info["hasMeter"], true);
        EXPECT_EQ(info["meterPort"], 10);
        EXPECT_EQ(info["latencyPort"], nullptr);
        EXPECT_EQ(info["sampleRate"], std::stod(rate));
        EXPECT_EQ(info["features"]["required"], nlohmann::json::array());
        EXPECT_EQ(info["properties"], nlohmann::json({"FilterPlugin", "hardRTCapable"}));

        const nlohmann::json& ports = info["ports"];
        ASSERT_EQ(ports.size(), 12u);
        const std::vector<std::string> symbols = {"freq", "res", "smooth",    "type", "slope", "mix",
                                                  "level", "in", "out_left", "out_right", "peak", "enabled"};
        const std::vector<std::string> types = {"control", "control", "control", "control", "control", "control",
                                                "control", "audio",   "audio",   "audio",   "control", "control"};
        for (std::size_t i = 0; i < ports.size(); ++i) {
            EXPECT_EQ(ports[i]["index"], i);
            EXPECT_EQ(ports[i]["symbol"], symbols[i]);
            EXPECT_EQ(ports[i]["type"], types[i]);
            EXPECT_EQ(ports[i]["direction"], i < 8 || i == 11 ? "input" : "output") << i;
        }
        // Freq: plain hertz with fixed bounds, the lowest row at 8 kHz to the highest at
        // 384 kHz, as the VST build shows them there; the default is its 44.1 kHz one.
        const nlohmann::json& freq = ports[0];
        EXPECT_EQ(freq["unit"], "Hz");
        EXPECT_EQ(freq["unitUri"], "http://lv2plug.in/ns/extensions/units#hz");
        EXPECT_EQ(freq["properties"], nlohmann::json({"logarithmic"}));
        expectShows(freq["minimum"], vstFrequencyText("8000", "0"));
        expectShows(freq["maximum"], vstFrequencyText("384000", "1"));
        expectShows(freq["default"], vstFrequencyText("44100", "0.5"));
        EXPECT_EQ(freq["value"], freq["default"]) << "a fresh instance's Freq is the default";
        // The bypass switch: a toggle designated lv2:enabled, on by default.
        EXPECT_EQ(ports[11]["properties"], nlohmann::json({"toggled"}));
        EXPECT_EQ(ports[11]["default"], 1.0);
        // Type and Cutoff: enumerations labelled as the VST build shows them.
        EXPECT_EQ(labels(ports[3]), std::vector<std::string>({"LowPass", "HighPass", "BandPass", "Resonant", "Thru"}));
        EXPECT_EQ(labels(ports[4]), std::vector<std::string>({"12 dB/Oct", "24 dB/Oct", "36 dB/Oct", "48 dB/Oct"}));
        for (const int enumeration : {3, 4}) {
            EXPECT_EQ(ports[enumeration]["properties"], nlohmann::json({"enumeration", "integer"}));
        }
        EXPECT_EQ(ports[3]["display"], "LowPass");
        EXPECT_EQ(ports[4]["display"], "12 dB/Oct");
        // Level: decibels from the silence floor to the top gain's.
        EXPECT_EQ(ports[6]["unit"], "dB");
        EXPECT_EQ(ports[6]["minimum"], -144.0);
        EXPECT_NEAR(ports[6]["maximum"].get<double>(), 6.0206, 1e-4);
        EXPECT_EQ(ports[6]["default"], 0.0);
        for (const int amount : {1, 2, 5}) {
            EXPECT_EQ(ports[amount]["minimum"], 0.0);
            EXPECT_EQ(ports[amount]["maximum"], 1.0);
            EXPECT_EQ(ports[amount]["unit"], "");
        }
        // The format-neutral listing has the controls, with their symbols.
        ASSERT_EQ(info["parameterCount"], 8);
        EXPECT_EQ(info["parameters"][4]["name"], "Cutoff");
        EXPECT_EQ(info["parameters"][4]["symbol"], "slope");
        EXPECT_EQ(info["parameters"][0]["minimum"], freq["minimum"]);
    }
    // Without --rate, the ranges are those at 44100 Hz.
    EXPECT_EQ(infoJson(kBundle, {})["ports"][0]["maximum"], infoJson(kBundle, {"--rate", "44100"})["ports"][0]["maximum"]);
}

TEST(HostToolLv2Info, TextListsPortsLabelsAndTheMeter) {
    const ToolRun run = runTool({"info", "--plugin", kBundle, "--rate", "48000"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* fact : {"format:         LV2", "uri:            urn:bramsoliket:filter", "meter port:     10 \"peak\" (Peak)",
                             "ranges at:      48000 Hz", "scale points: 0: LowPass; 1: HighPass; 2: BandPass; 3: Resonant; 4: Thru",
                             "scale points: 12: 12 dB/Oct; 24: 24 dB/Oct", "5101.8784 Hz logarithmic",
                             "designation lv2:enabled", "control out", "audio in", "features:       required none"}) {
        EXPECT_NE(run.out.find(fact), std::string::npos) << fact << "\n" << run.out;
    }
}

TEST(HostToolLv2Info, SetTakesHostUnitsBySymbolOrName) {
    std::string err;
    const nlohmann::json info = infoJson(
        kBundle, {"--set", "FREQ=2566", "Cutoff=36 dB/Oct", "type=highpass", "level=-6", "dry/wet=0.5", "Smooth=0"}, &err);
    EXPECT_EQ(err, "");
    const nlohmann::json& p = info["parameters"];
    EXPECT_EQ(p[0]["value"], 2566.0);
    EXPECT_EQ(p[0]["display"], "2566");
    EXPECT_EQ(p[0]["label"], "Hz");
    EXPECT_EQ(p[4]["value"], 36.0);
    EXPECT_EQ(p[3]["display"], "HighPass");
    EXPECT_EQ(p[3]["label"], "") << "no unit after a scale point's label";
    EXPECT_EQ(p[6]["value"], -6.0);
    EXPECT_EQ(p[5]["value"], 0.5);
    EXPECT_EQ(p[2]["value"], 0.0);
    EXPECT_EQ(info["ports"][3]["display"], "HighPass");
    // A number with its unit, and "Type" by its number.
    EXPECT_EQ(infoJson(kBundle, {"--set", "freq=2565.072 Hz", "type=3"})["parameters"][3]["display"], "Resonant");
    EXPECT_EQ(infoJson(kBundle, {"--set", "freq=2565.072 Hz"})["parameters"][0]["value"], 2565.072f);
}

// An enumeration takes its nearest scale point, with a warning; a number outside a range is
// sent as it is, with a warning naming the range in host units; a text that names nothing
// lists the labels.
TEST(HostToolLv2Info, ValuesBeyondWhatAPortTakesAreReported) {
    std::string err;
    const nlohmann::json between = infoJson(kBundle, {"--set", "slope=30"}, &err);
    EXPECT_EQ(between["parameters"][4]["display"], "24 dB/Oct");
    EXPECT_NE(err.find("warning: value 30 for \"Cutoff\" is sent as 24"), std::string::npos) << err;

    const nlohmann::json low = infoJson(kBundle, {"--set", "freq=50"}, &err);
    EXPECT_EQ(low["parameters"][0]["value"], 50.0);
    EXPECT_NE(err.find("warning: value 50 for \"Freq\" is outside 60.6505..161642; it is sent unchanged"),
              std::string::npos)
        << err;

    const ToolRun banana = runTool({"render", "-n", "--plugin", kBundle, "--set", "type=Banana"});
    EXPECT_EQ(banana.status, 1);
    EXPECT_NE(banana.err.find("one of LowPass, HighPass, BandPass, Resonant, Thru"), std::string::npos) << banana.err;
    const ToolRun unknown = runTool({"render", "-n", "--plugin", kBundle, "--set", "frequency=1000"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("4 \"Cutoff\" (slope)"), std::string::npos) << unknown.err;
}

}  // namespace
}  // namespace host_tool_test
