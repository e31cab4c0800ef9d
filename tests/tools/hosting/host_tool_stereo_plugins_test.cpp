// SPDX-License-Identifier: MIT
// The stereo plug-ins through bramsoliket-host, for LV2 (named inside the bundle) and CLAP
// (FILE.clap#ID): info shows both plug-ins of the module and the stereo one's two inputs,
// and a stereo file renders to what the mono plug-in makes of each channel alone.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <ostream>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

struct StereoFormat {
    std::string name;
    std::string mono;
    std::string stereo;
    std::string pluginsFact;  // where info lists the module's plug-ins
    nlohmann::json plugins;
};

void PrintTo(const StereoFormat& format, std::ostream* out) { *out << format.name; }

const StereoFormat kLv2{"LV2", std::string(BRAMSOLIKET_LV2_BUNDLE) + "#urn:bramsoliket:filter",
                        std::string(BRAMSOLIKET_LV2_BUNDLE) + "#urn:bramsoliket:filter-stereo", "pluginsInBundle",
                        {"urn:bramsoliket:filter", "urn:bramsoliket:filter-stereo"}};
const StereoFormat kClap{"CLAP", std::string(BRAMSOLIKET_CLAP_MODULE_PATH),
                         std::string(BRAMSOLIKET_CLAP_MODULE_PATH) + "#bramsoliket.filter.stereo", "pluginsInModule",
                         {"bramsoliket.filter", "bramsoliket.filter.stereo"}};

class HostToolStereo : public testing::TestWithParam<StereoFormat> {};

TEST_P(HostToolStereo, InfoShowsBothPluginsAndTheStereoInputs) {
    const ToolRun run = runTool({"info", "--json", "--plugin", GetParam().stereo});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json info = nlohmann::json::parse(run.out);
    EXPECT_EQ(info["name"], "BRAMSOLIKET Stereo");
    EXPECT_EQ(info["inputCount"], 2);
    EXPECT_EQ(info["outputCount"], 2);
    EXPECT_EQ(info[GetParam().pluginsFact], GetParam().plugins);
}

TEST_P(HostToolStereo, EachChannelRendersAsTheMonoPluginRendersItAlone) {
    ScratchDirectory scratch;
    const std::vector<float> left = makeProgramMaterial(30000, 5), right = makeProgramMaterial(30000, 6);
    std::vector<float> interleaved;
    for (std::size_t i = 0; i < left.size(); ++i) interleaved.insert(interleaved.end(), {left[i], right[i]});
    writeWav(scratch / "stereo.wav", interleaved, 2, 48000);
    writeWav(scratch / "left.wav", left, 1, 48000);
    writeWav(scratch / "right.wav", right, 1, 48000);
    const auto render = [&](const std::string& plugin, const std::string& input) {
        const ToolRun run = runTool({"render", "-i", (scratch / (input + ".wav")).string(), "-o",
                                     (scratch / (input + "-out.wav")).string(), "--plugin", plugin, "--set",
                                     "Type=BandPass", "Res=0.7", "Cutoff=24 dB/Oct"});
        EXPECT_EQ(run.status, 0) << run.err;
        return readAudio(scratch / (input + "-out.wav"));
    };
    const auto stereo = render(GetParam().stereo, "stereo");
    ASSERT_EQ(stereo.size(), 2u);
    EXPECT_NE(stereo[0], stereo[1]);
    EXPECT_EQ(stereo[0], render(GetParam().mono, "left").at(0));
    EXPECT_EQ(stereo[1], render(GetParam().mono, "right").at(0));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, HostToolStereo, testing::Values(kLv2, kClap),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace host_tool_test
