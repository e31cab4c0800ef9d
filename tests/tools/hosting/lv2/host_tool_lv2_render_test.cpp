// SPDX-License-Identifier: MIT
// `render` through our LV2 bundle, with controls in host units, equals the VST module's render
// of the same setting bit for bit, at 44.1 and 48 kHz, with automation too: the frequency is
// what the VST "Freq" text shows for a row at the rate, the type and slope their labels, the
// level the decibels the VST build shows for a gain (exact from -8 dB up, docs/lv2.md). The
// tail, non-finite counting and the meter hold as they do for the VST module.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

const std::string kBundle = BRAMSOLIKET_LV2_BUNDLE;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// The VST module's "Freq" text at `rate` for a normalized value: the hertz a user reads off
// the VST build.
std::string vstFrequencyText(int rate, float value) {
    const ToolRun run = runTool({"info", "--json", "--plugin", BRAMSOLIKET_MODULE_PATH, "--rate", std::to_string(rate),
                                 "--set", "Freq=" + number(value)});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 ? nlohmann::json::parse(run.out)["parameters"][0]["display"].get<std::string>() : "";
}

// The decibels the VST build shows for a normalized Level, 20 log10(2v) rounded to float once.
std::string levelDecibels(float value) {
    return number(static_cast<float>(20.0 * std::log10(static_cast<double>(2.0f * value))));
}

void expectSameBits(const std::vector<std::vector<float>>& actual, const std::vector<std::vector<float>>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t c = 0; c < actual.size(); ++c) {
        ASSERT_EQ(actual[c].size(), expected[c].size()) << "channel " << c;
        for (std::size_t i = 0; i < actual[c].size(); ++i) {
            std::uint32_t a, e;
            std::memcpy(&a, &actual[c][i], 4);
            std::memcpy(&e, &expected[c][i], 4);
            ASSERT_EQ(a, e) << "channel " << c << " differs first at sample " << i << ": " << actual[c][i] << " vs "
                            << expected[c][i];
        }
    }
}

ToolRun render(const std::string& plugin, const std::filesystem::path& output, std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"render", "-o", output.string(), "--plugin", plugin};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return runTool(arguments);
}

// One setting of the filter: VST values and the same setting in host units for LV2, which
// also gets the frequency as the VST text shows it at the rate.
struct CrossCase {
    const char* name;
    // Normalized VST values; the frequency's row is given to LV2 as the VST text.
    std::vector<std::pair<std::string, float>> vst;
    std::vector<std::string> lv2;
    std::optional<float> frequency;
};

void PrintTo(const CrossCase& c, std::ostream* out) { *out << c.name; }

class Lv2RenderEqualsVst : public ::testing::TestWithParam<std::tuple<CrossCase, int>> {};

TEST_P(Lv2RenderEqualsVst, BitForBit) {
    const auto& [c, rate] = GetParam();
    ScratchDirectory scratch;
    std::vector<std::string> vst = {"--rate", std::to_string(rate)};
    std::vector<std::string> lv2 = vst;
    if (c.frequency) {
        vst.insert(vst.end(), {"--set", "Freq=" + number(*c.frequency)});
        lv2.insert(lv2.end(), {"--set", "freq=" + vstFrequencyText(rate, *c.frequency)});
    }
    for (const auto& [name, value] : c.vst) vst.insert(vst.end(), {"--set", name + "=" + number(value)});
    for (const std::string& setting : c.lv2) lv2.insert(lv2.end(), {"--set", setting});

    // The built-in test signal at the rate: an impulse, noise and a sweep.
    const ToolRun viaVst = render(BRAMSOLIKET_MODULE_PATH, scratch / "vst.wav", vst);
    ASSERT_EQ(viaVst.status, 0) << viaVst.err;
    const ToolRun viaLv2 = render(kBundle, scratch / "lv2.wav", lv2);
    ASSERT_EQ(viaLv2.status, 0) << viaLv2.err;
    EXPECT_EQ(viaLv2.err, "");
    int lv2Rate = 0;
    const auto output = readAudio(scratch / "lv2.wav", &lv2Rate);
    EXPECT_EQ(lv2Rate, rate);
    ASSERT_EQ(output.size(), 2u);
    expectSameBits(output, readAudio(scratch / "vst.wav"));
}

INSTANTIATE_TEST_SUITE_P(
    HostTool, Lv2RenderEqualsVst,
    ::testing::Combine(
        ::testing::Values(
            // The defaults but for the frequency, which the LV2 plug-in gets as the VST text at the
            // rate (its own default is the 44.1 kHz one).
            CrossCase{"Defaults", {}, {}, 0.5f},
            CrossCase{"HighPass24", {{"Res", 0.7f}, {"Type", 0.25f}, {"Cutoff", 0.34f}},
                      {"res=0.7", "type=HighPass", "slope=24"}, 0.3f},
            CrossCase{"BandPass48Quiet",
                      {{"Res", 0.4f}, {"Smooth", 0.0f}, {"Type", 0.5f}, {"Cutoff", 1.0f}, {"Dry/Wet", 0.6f},
                       {"Level", 0.25f}},
                      {"res=0.4", "smooth=0", "type=BandPass", "slope=48", "mix=0.6", "level=" + levelDecibels(0.25f)},
                      0.05f},
            CrossCase{"ResonantLoud",
                      {{"Res", 1.0f}, {"Type", 0.75f}, {"Cutoff", 0.67f}, {"Level", 0.8f}},
                      {"Res=1", "Type=Resonant", "Cutoff=36 dB/Oct", "Level=" + levelDecibels(0.8f)}, 0.8f},
            CrossCase{"ThruAtTheTopLevel", {{"Type", 1.0f}, {"Level", 1.0f}}, {"type=Thru", "level=" + levelDecibels(1.0f)},
                      std::nullopt}),
        ::testing::Values(44100, 48000)),
    [](const ::testing::TestParamInfo<std::tuple<CrossCase, int>>& info) {
        return std::string(std::get<0>(info.param).name) + "At" + std::to_string(std::get<1>(info.param));
    });

// A fresh LV2 instance starts on the row its default frequency selects at the rate: at
// 44.1 kHz row 39, as a fresh VST instance; at 48 kHz 5101.878 Hz lies nearest in pitch to row
// 37 (5143.052 Hz), which the VST module gets as the middle of the row's values.
TEST(HostToolLv2Render, AFreshInstanceStartsOnTheRowItsDefaultSelects) {
    ScratchDirectory scratch;
    for (const auto& [rate, vstValue] : {std::pair{44100, 0.5f}, std::pair{48000, (37 + 0.5f) / 79}}) {
        SCOPED_TRACE(rate);
        const std::vector<std::string> options = {"--rate", std::to_string(rate)};
        const ToolRun viaLv2 = render(kBundle, scratch / "lv2.wav", options);
        ASSERT_EQ(viaLv2.status, 0) << viaLv2.err;
        std::vector<std::string> vst = options;
        vst.insert(vst.end(), {"--set", "Freq=" + number(vstValue)});
        ASSERT_EQ(render(BRAMSOLIKET_MODULE_PATH, scratch / "vst.wav", vst).status, 0);
        EXPECT_EQ(vstFrequencyText(rate, vstValue), rate == 44100 ? "5101.878" : "5143.052");
        expectSameBits(readAudio(scratch / "lv2.wav"), readAudio(scratch / "vst.wav"));
    }
}

// Automation in host units, by symbol or name, lands on the same samples as the VST
// module's normalized automation; the meter ("peak") shows the VST meter's level per block.
TEST(HostToolLv2Automation, EqualsTheVstAutomationAndMeter) {
    ScratchDirectory scratch;
    const std::string row = vstFrequencyText(44100, 0.2f);
    writeText(scratch / "vst.json", R"([
        {"sample": 1000, "parameter": "Freq", "value": 0.2},
        {"sample": 1000, "parameter": "Res", "value": 0.8},
        {"seconds": 0.5, "parameter": "Type", "value": 0.5},
        {"sample": 30001, "parameter": "Cutoff", "value": 1},
        {"sample": 50000, "parameter": "Level", "value": 0.8},
        {"sample": 90000, "parameter": "Type", "value": 0.25}
    ])");
    writeText(scratch / "lv2.json", R"([
        {"sample": 1000, "parameter": "freq", "value": )" + row + R"(},
        {"sample": 1000, "parameter": "Res", "value": 0.8},
        {"seconds": 0.5, "parameter": "type", "value": 2},
        {"sample": 30001, "parameter": "Cutoff", "value": 48},
        {"sample": 50000, "parameter": "LEVEL", "value": )" + levelDecibels(0.8f) + R"(},
        {"sample": 90000, "parameter": 3, "value": 1}
    ])");
    const ToolRun viaVst = render(BRAMSOLIKET_MODULE_PATH, scratch / "vst.wav",
                                  {"--automation", (scratch / "vst.json").string(), "--meter", "--block", "4410"});
    ASSERT_EQ(viaVst.status, 0) << viaVst.err;
    const ToolRun viaLv2 =
        render(kBundle, scratch / "lv2.wav", {"--automation", (scratch / "lv2.json").string(), "--meter", "--block", "4410"});
    ASSERT_EQ(viaLv2.status, 0) << viaLv2.err;
    EXPECT_EQ(viaLv2.err, "");
    expectSameBits(readAudio(scratch / "lv2.wav"), readAudio(scratch / "vst.wav"));

    // The meter: the same level per block, but for the VST meter's steps of 1/32767 (its
    // request answers with a whole number) and the four decimals shown.
    auto meterLevels = [](const std::string& out) {
        std::istringstream lines(out);
        std::vector<double> levels;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("meter", 0) == 0) levels.push_back(std::stod(line.substr(line.find("level") + 5)));
        }
        return levels;
    };
    const std::vector<double> lv2Levels = meterLevels(viaLv2.out), vstLevels = meterLevels(viaVst.out);
    ASSERT_EQ(lv2Levels.size(), 40u);
    ASSERT_EQ(vstLevels.size(), 40u);
    for (std::size_t block = 0; block < lv2Levels.size(); ++block) {
        EXPECT_NEAR(lv2Levels[block], vstLevels[block], 1.0 / 32767 + 1e-4) << "block " << block;
    }
    EXPECT_GT(*std::max_element(lv2Levels.begin(), lv2Levels.end()), 0.5);
    // The comparison notices a change one sample late.
    writeText(scratch / "late.json", R"([{"sample": 50001, "parameter": "level", "value": -6}])");
    writeText(scratch / "on-time.json", R"([{"sample": 50000, "parameter": "level", "value": -6}])");
    ASSERT_EQ(render(kBundle, scratch / "late.wav", {"--automation", (scratch / "late.json").string()}).status, 0);
    ASSERT_EQ(render(kBundle, scratch / "on-time.wav", {"--automation", (scratch / "on-time.json").string()}).status, 0);
    EXPECT_NE(readAudio(scratch / "late.wav"), readAudio(scratch / "on-time.wav"));
}

// A tail after the input, and NaN and infinite input samples: the same output as the VST
// module's, the same count of non-finite output samples in the summary, and the warning.
TEST(HostToolLv2Render, TailAndNonFiniteSamplesAsForTheVstModule) {
    ScratchDirectory scratch;
    std::vector<float> input(2000, 0.25f);
    input[10] = std::numeric_limits<float>::quiet_NaN();
    input[20] = std::numeric_limits<float>::infinity();
    input[21] = -std::numeric_limits<float>::infinity();
    writeWav(scratch / "in.wav", input, 1, 44100);
    const std::vector<std::string> options = {"-i", (scratch / "in.wav").string(), "--tail", "0.1", "--set", "Res=0.5"};
    const ToolRun viaVst = render(BRAMSOLIKET_MODULE_PATH, scratch / "vst.wav", options);
    ASSERT_EQ(viaVst.status, 0) << viaVst.err;
    const ToolRun viaLv2 = render(kBundle, scratch / "lv2.wav", options);
    ASSERT_EQ(viaLv2.status, 0) << viaLv2.err;
    const auto output = readAudio(scratch / "lv2.wav");
    ASSERT_EQ(output[0].size(), 2000u + 4410u);
    expectSameBits(output, readAudio(scratch / "vst.wav"));

    auto nonFinite = [](const std::string& text) {
        std::smatch found;
        return std::regex_search(text, found, std::regex(R"(\d+ NaN and \d+ infinite samples)")) ? found.str() : "";
    };
    EXPECT_NE(nonFinite(viaLv2.out), "") << viaLv2.out;
    EXPECT_EQ(nonFinite(viaLv2.out), nonFinite(viaVst.out));
    EXPECT_NE(viaLv2.err.find("warning: the output holds"), std::string::npos) << viaLv2.err;
    EXPECT_TRUE(std::isnan(output[0][10]));
}

}  // namespace
}  // namespace host_tool_test
