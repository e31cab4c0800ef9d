// SPDX-License-Identifier: MIT
// `response` on LV2 plug-ins: our bundle measures exactly as the VST module does for the same
// setting, x42's fil4 (a black box from Debian's x42-plugins) shows the band its filters
// leave, and an instrument (Ardour's ACE Reasonable Synth) is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"
#include "tools/response/frequency_response.h"
#include "tools/hosting/vst/vst_plugin.h"
#include "tools/hosting/lv2/lv2_plugin.h"

namespace host_tool_test {
namespace {

// The mono plug-in in the built bundle, which holds the stereo one too.
const std::string kPlugin = std::string(BRAMSOLIKET_LV2_BUNDLE) + "#urn:bramsoliket:filter";
const std::string kFil4Bundle = "/usr/lib/lv2/fil4.lv2";
const std::string kFil4Mono = "http://gareus.org/oss/lv2/fil4#mono";
const std::string kReasonableSynth = "https://community.ardour.org/node/7596";

#define SKIP_WITHOUT_BUNDLE(bundle, package) \
    if (!std::filesystem::exists(bundle)) GTEST_SKIP() << bundle << " is not installed (Debian package " package ")"

// Column `column` of a response CSV against its frequencies.
std::vector<std::pair<double, double>> csvCurve(const std::filesystem::path& path, int column) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);  // the header
    std::vector<std::pair<double, double>> points;
    while (std::getline(file, line)) {
        std::vector<double> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(std::strtod(cell.c_str(), nullptr));
        points.emplace_back(cells.at(0), cells.at(static_cast<std::size_t>(column)));
    }
    return points;
}

double decibelsNear(const std::vector<std::pair<double, double>>& curve, double hz) {
    const auto nearest = std::min_element(curve.begin(), curve.end(), [hz](const auto& a, const auto& b) {
        return std::fabs(std::log(a.first / hz)) < std::fabs(std::log(b.first / hz));
    });
    return nearest->second;
}

TEST(HostToolLv2Response, OurBundleMeasuresAsTheVstModule) {
    auto vst = VstPlugin::load(BRAMSOLIKET_MODULE_PATH);
    auto lv2 = Lv2Plugin::load(kPlugin);
    ResponseOptions options;
    options.sampleRate = 48000.0;
    // The row the VST value 0.3 selects, in the hertz its text shows at the rate.
    vst->activate(options.sampleRate, options.blockSize);
    vst->deactivate();
    vst->setParameter(0, 0.3f);
    const float hertz = std::strtof(vst->parameterDisplay(0).c_str(), nullptr);
    ASSERT_GT(hertz, 1000.0f);
    const FrequencyResponse viaVst = measureResponse(*vst, {{0, 0.3f}, {1, 0.5f}, {3, 0.25f}, {4, 0.34f}}, options);
    const FrequencyResponse viaLv2 = measureResponse(*lv2, {{0, hertz}, {1, 0.5f}, {3, 1.0f}, {4, 24.0f}}, options);
    EXPECT_EQ(viaLv2.impulseHeight, viaVst.impulseHeight);
    EXPECT_EQ(viaLv2.decibels, viaVst.decibels);
    // A high-pass indeed: the measurement is not of silence.
    EXPECT_LT(viaLv2.decibelsAt(hertz / 8), viaLv2.decibelsAt(hertz * 2) - 30.0);
}

TEST(HostToolLv2Response, CommandComparesByScalePointLabels) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "types.svg").string(), "--plugin", kPlugin, "--compare",
                                 "type=LowPass,HighPass", "--set", "freq=2000", "--csv", (scratch / "types.csv").string(),
                                 "--csv-points", "40"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(readText(scratch / "types.csv").find("Type: LowPass (dB),Type: HighPass (dB)"), std::string::npos);
    EXPECT_NE(readText(scratch / "types.svg").find("<svg"), std::string::npos);
    const auto low = csvCurve(scratch / "types.csv", 1), high = csvCurve(scratch / "types.csv", 2);
    EXPECT_GT(decibelsNear(low, 100.0), decibelsNear(high, 100.0) + 30.0);
    EXPECT_LT(decibelsNear(low, 15000.0), decibelsNear(high, 15000.0) - 30.0);
}

TEST(HostToolLv2Response, PeerFilterShowsItsBand) {
    SKIP_WITHOUT_BUNDLE(kFil4Bundle, "x42-plugins");
    ScratchDirectory scratch;
    const ToolRun run = runTool({"response", "-o", (scratch / "band.png").string(), "--plugin", kFil4Mono, "--set",
                                 "HighPass=on", "hpfreq=200", "Lowpass=on", "LPfreq=5000 Hz", "--csv",
                                 (scratch / "band.csv").string(), "--csv-points", "200"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto band = csvCurve(scratch / "band.csv", 1);
    EXPECT_NEAR(decibelsNear(band, 1000.0), 0.0, 1.0);
    EXPECT_LT(decibelsNear(band, 50.0), -15.0);
    EXPECT_LT(decibelsNear(band, 16000.0), -15.0);
    EXPECT_NE(readText(scratch / "band.csv").find("Highpass: on, Highpass Frequency: 200 Hz"), std::string::npos);
}

TEST(HostToolLv2Instruments, ResponseRefusesAndRenderWarns) {
    SKIP_WITHOUT_BUNDLE(std::string("/usr/lib/lv2/reasonablesynth.lv2"), "ardour-lv2-plugins");
    ScratchDirectory scratch;
    const ToolRun info = runTool({"info", "--json", "--plugin", kReasonableSynth});
    ASSERT_EQ(info.status, 0) << info.err;
    const nlohmann::json json = nlohmann::json::parse(info.out);
    EXPECT_EQ(json["instrument"], true);
    EXPECT_EQ(json["midiInput"], true);
    EXPECT_EQ(json["inputCount"], 0);

    const ToolRun response = runTool({"response", "--plugin", kReasonableSynth, "-o", (scratch / "plot.png").string()});
    EXPECT_EQ(response.status, 1);
    EXPECT_NE(response.err.find("is an instrument"), std::string::npos) << response.err;
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{});

    const ToolRun render = runTool({"render", "--plugin", kReasonableSynth, "-o", (scratch / "notes.wav").string()});
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_NE(render.err.find("warning: reasonablesynth.lv2 is an instrument; it gets no notes"), std::string::npos)
        << render.err;
    EXPECT_EQ(readAudio(scratch / "notes.wav").size(), 2u);
}

}  // namespace
}  // namespace host_tool_test
