// SPDX-License-Identifier: MIT
// The measured magnitude response shows the audio facts of the filter's design: the default
// low-pass passes DC at unity, peaks by its 1 dB ripple below the displayed "Freq", comes back
// to the DC level at that frequency and falls beyond it; the measurement stays in the linear
// range of the soft limiters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>

#include "tool_runner.h"
#include "tools/response/frequency_response.h"
#include "tools/hosting/vst/vst_plugin.h"
#include "tools/response/response_plot.h"

namespace host_tool_test {
namespace {

constexpr double kRippleDb = 1.0;

class ResponseTest : public ::testing::Test {
protected:
    void SetUp() override { effect = VstPlugin::load(BRAMSOLIKET_MODULE_PATH); }
    std::unique_ptr<VstPlugin> effect;
};

TEST_F(ResponseTest, DefaultIsALowPassWithItsRippleBelowTheDisplayedFrequency) {
    const FrequencyResponse response = measureResponse(*effect, {}, ResponseOptions{});
    const double cutoff = std::strtod(effect->parameterDisplay(0).c_str(), nullptr);
    ASSERT_NEAR(cutoff, 5101.878, 1e-3);

    const double dc = response.decibels[0];
    EXPECT_NEAR(dc, 0.0, 0.05);
    double peakAt = 0.0;
    const double peak = response.peakDecibels(0.0, cutoff, &peakAt);
    EXPECT_NEAR(peak - dc, kRippleDb, 0.15) << "peak at " << peakAt << " Hz";
    EXPECT_LT(peakAt, cutoff);
    EXPECT_GT(peakAt, cutoff / 4);
    EXPECT_NEAR(response.decibelsAt(cutoff), dc, 0.25);
    // Beyond the displayed frequency it falls, and keeps falling.
    EXPECT_LT(response.decibelsAt(2 * cutoff), dc - 10.0);
    EXPECT_LT(response.decibelsAt(4 * cutoff), response.decibelsAt(2 * cutoff) - 6.0);
    EXPECT_LT(response.peakDecibels(3 * cutoff, response.sampleRate / 2), dc - 20.0);
}

TEST_F(ResponseTest, EachCutoffStageSteepensTheSkirt) {
    // "Cutoff" values for 1, 2, 3 and 4 stages; "Freq" 0.1 keeps the skirt clear of Nyquist.
    const float stageValues[] = {0.0f, 0.34f, 0.67f, 1.0f};
    double previous = 0.0;
    for (int stages = 1; stages <= 4; ++stages) {
        const FrequencyResponse r = measureResponse(*effect, {{0, 0.1f}, {4, stageValues[stages - 1]}}, {});
        const double cutoff = std::strtod(effect->parameterDisplay(0).c_str(), nullptr);
        const double octaveDrop = r.decibelsAt(8 * cutoff) - r.decibelsAt(4 * cutoff);
        SCOPED_TRACE(stages);
        // About 12 dB per octave per stage well above the cutoff.
        EXPECT_NEAR(octaveDrop, -12.0 * stages, 2.0 * stages);
        EXPECT_LT(octaveDrop, previous);
        previous = octaveDrop;
    }
}

// At the loudest setting (full resonance, +6 dB level) the impulse the search settles on
// keeps the limiters linear, even when it starts from heights that drive them: the smallest
// height, which surely is linear, gives the same response. A loud impulse does drive the
// limiters, and the comparison would notice.
TEST_F(ResponseTest, ImpulseStaysLinearAtTheLoudestSetting) {
    const std::vector<ParameterSetting> loudest = {{1, 1.0f}, {6, 1.0f}};
    auto measure = [&](std::optional<double> height, double largest) {
        ResponseOptions options;
        options.fixedImpulseHeight = height;
        options.largestImpulseHeight = largest;
        return measureResponse(*effect, loudest, options);
    };
    const FrequencyResponse searched = measure(std::nullopt, 8.0);
    const FrequencyResponse smallest = measure(ResponseOptions{}.smallestImpulseHeight, 8.0);
    const FrequencyResponse loud = measure(2.0, 8.0);
    EXPECT_LT(searched.impulseHeight, 2.0) << "the search kept a height that drives the limiters";
    const double resonance = std::strtod(effect->parameterDisplay(0).c_str(), nullptr);
    double loudDeviation = 0.0;
    for (double hz : {50.0, 1000.0, 4000.0, resonance, 6000.0, 15000.0}) {
        EXPECT_NEAR(searched.decibelsAt(hz), smallest.decibelsAt(hz), 0.05) << hz << " Hz";
        loudDeviation = std::max(loudDeviation, std::fabs(loud.decibelsAt(hz) - smallest.decibelsAt(hz)));
    }
    EXPECT_GT(loudDeviation, 1.0);
}

// Deep in the stop band of a resonant high-pass, the fixed noise of the filter's flushing of
// tiny state values once showed as spikes (near 150, 200 and 500 Hz at these settings) where
// the impulse was small. The curve is smooth there: no bin stands out from its neighbours.
TEST_F(ResponseTest, DeepStopBandIsFreeOfSpikes) {
    const FrequencyResponse response = measureResponse(*effect, {{3, 0.25f}, {1, 0.3f}}, ResponseOptions{});
    double worst = 0.0, worstAt = 0.0;
    for (std::size_t k = 1; k + 1 < response.frequencies.size(); ++k) {
        if (response.frequencies[k] < 100.0 || response.frequencies[k] > 1500.0) continue;
        const double step = response.decibels[k] - (response.decibels[k - 1] + response.decibels[k + 1]) / 2;
        if (std::fabs(step) > worst) {
            worst = std::fabs(step);
            worstAt = response.frequencies[k];
        }
    }
    EXPECT_LT(worst, 0.1) << "at " << worstAt << " Hz";
}

TEST(HostToolResponseCommand, WritesPlotsAndCsvFromTheSameMeasurement) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "types.svg").string(), "--plugin",
                                 BRAMSOLIKET_MODULE_PATH, "--compare", "Type=0,0.25,0.5,0.75,1", "--csv",
                                 (scratch / "types.csv").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string svg = readText(scratch / "types.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    const std::string csv = readText(scratch / "types.csv");
    // The legend and the columns carry the module's own display texts.
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "frequency_hz,Type: LowPass (dB),Type: HighPass (dB),Type: BandPass (dB),Type: Resonant (dB),"
              "Type: Thru (dB)");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 65536 / 2 + 1);
    // "Thru" passes everything unchanged: 0 dB at DC.
    const std::string dcRow = csv.substr(csv.find('\n') + 1, csv.find('\n', csv.find('\n') + 1) - csv.find('\n') - 1);
    EXPECT_EQ(dcRow.substr(dcRow.rfind(',') + 1), "0.000000") << dcRow;

    const ToolRun png = runTool({"response", "-o", (scratch / "default.png").string(), "--plugin",
                                 BRAMSOLIKET_MODULE_PATH});
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_EQ(readText(scratch / "default.png").substr(1, 3), "PNG");
}

// A real plug-in checks the host's call order: DPF's modules assert when processing is
// switched off that was never switched on.
TEST(HostToolResponseCommand, FollowsTheHostProtocolOfAThirdPartyModule) {
    const char* module = "/usr/lib/vst/3BandEQ-vst.so";
    if (!std::filesystem::exists(module)) GTEST_SKIP() << module << " is not installed (Debian package dpf-plugins-vst)";
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "--plugin", module, "-o", (scratch / "eq.png").string(), "--compare",
                                 "Low=0.2,0.8", "--csv", (scratch / "eq.csv").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // The EQ's "Low" band at -14.4 dB and +14.4 dB.
    const std::string csv = readText(scratch / "eq.csv");
    const std::string row = csv.substr(csv.find("\n14.") + 1, csv.find('\n', csv.find("\n14.") + 1) - csv.find("\n14.") - 1);
    EXPECT_NEAR(std::stod(row.substr(row.find(',') + 1)), -14.4, 1.0) << row;
    EXPECT_NEAR(std::stod(row.substr(row.rfind(',') + 1)), 14.4, 1.0) << row;
}

std::string headerOf(const std::string& csv) { return csv.substr(0, csv.find('\n')); }

// Curves whose texts agree get their values added, in the plot and in the CSV.
TEST(HostToolResponseCommand, EqualTextsGetTheirValuesAdded) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "p.svg").string(), "--compare", "Type=0.2,0.21,0.5",
                                 "--csv", (scratch / "p.csv").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(headerOf(readText(scratch / "p.csv")),
              "frequency_hz,Type: HighPass (0.2) (dB),Type: HighPass (0.21) (dB),Type: BandPass (dB)");
}

TEST(HostToolResponseCommand, SilentCurveIsReported) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "p.png").string(), "--compare", "Level=0,0.5"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: curve \"Level: -∞ dB\" is silent"), std::string::npos) << run.err;
}

TEST(HostToolResponseCommand, LogSpacedCsv) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "p.png").string(), "--rate", "48000", "--csv",
                                 (scratch / "p.csv").string(), "--csv-points", "100"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(readText(scratch / "p.csv"));
    std::string line;
    std::getline(lines, line);
    std::vector<double> frequencies;
    while (std::getline(lines, line)) frequencies.push_back(std::stod(line));
    ASSERT_EQ(frequencies.size(), 100u);
    EXPECT_NEAR(frequencies.front(), 10.0, 1e-6);
    EXPECT_NEAR(frequencies.back(), 24000.0, 1e-3);
    const double ratio = frequencies[1] / frequencies[0];
    for (std::size_t i = 1; i < frequencies.size(); ++i) EXPECT_NEAR(frequencies[i] / frequencies[i - 1], ratio, 1e-6);
}

// cairo writes each curve as a path with the curves' line width and its colour.
TEST(HostToolResponseCommand, EveryCurveHasItsOwnColour) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "p.svg").string(), "--compare",
                                 "Freq=0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8,0.9,1.0,0.05,0.15"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string svg = readText(scratch / "p.svg");
    std::set<std::string> colours;
    for (std::size_t at = svg.find("stroke-width:1.6"); at != std::string::npos; at = svg.find("stroke-width:1.6", at + 1)) {
        const std::size_t tagStart = svg.rfind('<', at);
        const std::size_t stroke = svg.find("stroke:rgb(", tagStart);
        colours.insert(svg.substr(stroke, svg.find(')', stroke) - stroke));
    }
    EXPECT_EQ(colours.size(), 12u);
}

}  // namespace
}  // namespace host_tool_test

namespace host_tool_test {
namespace {

// The legend lies beneath the plot, never on it, and the picture grows to hold it.
TEST(HostToolPlotLayout, LegendNeverCoversThePlot) {
    for (const std::vector<double>& widths : {std::vector<double>{80.0}, std::vector<double>(5, 120.0),
                                              std::vector<double>(30, 260.0), std::vector<double>{2000.0}}) {
        SCOPED_TRACE(widths.size());
        const PlotLayout layout = layOutPlot(widths);
        EXPECT_GE(layout.legend.y, layout.plot.y + layout.plot.height);
        EXPECT_LE(layout.legend.y + layout.legend.height, layout.height);
        EXPECT_LE(layout.legend.x + layout.legend.width, layout.width);
        const int rows = (static_cast<int>(widths.size()) + layout.legendColumns - 1) / layout.legendColumns;
        EXPECT_GE(layout.legend.height, rows * 13.0) << "every row has room";
    }
}

}  // namespace
}  // namespace host_tool_test
