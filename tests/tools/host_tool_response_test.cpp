// The measured magnitude response shows the audio facts of the filter's design: the default
// low-pass passes DC at unity, peaks by its 1 dB ripple below the displayed "Freq", comes back
// to the DC level at that frequency and falls beyond it; the measurement stays in the linear
// range of the soft limiters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tool_runner.h"
#include "tools/frequency_response.h"
#include "tools/loaded_effect.h"

namespace host_tool_test {
namespace {

constexpr double kRippleDb = 1.0;

class ResponseTest : public ::testing::Test {
protected:
    void SetUp() override { effect = LoadedEffect::load(BRAMSOLIKET_MODULE_PATH); }
    std::unique_ptr<LoadedEffect> effect;
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

// At the loudest setting (full resonance, +6 dB level) the measurement scales: four times
// the impulse gives the same response, so no limiter is at work. A loud impulse does drive the
// limiters, and the comparison would notice.
TEST_F(ResponseTest, ImpulseIsSmallEnoughToStayLinear) {
    const std::vector<ParameterSetting> loudest = {{1, 1.0f}, {6, 1.0f}};
    auto measure = [&](double height) {
        ResponseOptions options;
        options.impulseHeight = height;
        return measureResponse(*effect, loudest, options);
    };
    const double standard = ResponseOptions{}.impulseHeight;
    const FrequencyResponse a = measure(standard);
    const FrequencyResponse b = measure(4 * standard);
    const FrequencyResponse loud = measure(2.0);
    const double resonance = std::strtod(effect->parameterDisplay(0).c_str(), nullptr);
    double loudDeviation = 0.0;
    for (double hz : {50.0, 1000.0, 4000.0, resonance, 6000.0, 15000.0}) {
        EXPECT_NEAR(a.decibelsAt(hz), b.decibelsAt(hz), 0.01) << hz << " Hz";
        loudDeviation = std::max(loudDeviation, std::fabs(loud.decibelsAt(hz) - a.decibelsAt(hz)));
    }
    EXPECT_GT(loudDeviation, 1.0);
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

}  // namespace
}  // namespace host_tool_test
