// SPDX-License-Identifier: MIT
// Channels, the tail and non-finite samples in `render`, with Debian's dpf-plugins-vst
// modules where a real plug-in shows the fault: every file channel reaches an input or is
// reported as dropped, every plug-in output is written, the tail after the input is rendered
// on request, and NaN or infinite output is counted and never breaks the write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 6000;
const std::string kProbe = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/probe_module.so";

std::string debianModule(const char* name) { return std::string("/usr/lib/vst/") + name; }

#define SKIP_WITHOUT(module)                                                                       \
    if (!std::filesystem::exists(module)) GTEST_SKIP() << module << " is not installed (Debian package dpf-plugins-vst)"

bool silent(const std::vector<float>& channel) {
    return std::all_of(channel.begin(), channel.end(), [](float x) { return x == 0.0f; });
}

class Channels : public ::testing::Test {
protected:
    void SetUp() override {
        left = makeProgramMaterial(kFrames, 3u);
        right = makeProgramMaterial(kFrames, 4u);
        std::vector<float> interleaved;
        for (int i = 0; i < kFrames; ++i) interleaved.insert(interleaved.end(), {0.5f * left[i], 0.5f * right[i]});
        writeWav(scratch / "stereo.wav", interleaved, 2, kRate);
        writeWav(scratch / "mono.wav", left, 1, kRate);
    }
    ToolRun render(const std::string& module, const std::string& input, const std::string& output,
                   std::vector<std::string> extra = {}) const {
        std::vector<std::string> arguments = {"render", "-i", (scratch / input).string(), "-o",
                                              (scratch / output).string(), "--plugin", module};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return runTool(arguments);
    }
    ScratchDirectory scratch;
    std::vector<float> left, right;
};

TEST_F(Channels, StereoFileFeedsBothInputsOfAStereoPlugin) {
    const std::string eq = debianModule("3BandEQ-vst.so");
    SKIP_WITHOUT(eq);
    const ToolRun run = render(eq, "stereo.wav", "out.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto output = readAudio(scratch / "out.wav");
    ASSERT_EQ(output.size(), 2u);
    EXPECT_FALSE(silent(output[1])) << "the right input never reached the plug-in";
    EXPECT_NE(output[0], output[1]);
}

TEST_F(Channels, MonoFileFeedsEveryInput) {
    const std::string eq = debianModule("3BandEQ-vst.so");
    SKIP_WITHOUT(eq);
    const ToolRun run = render(eq, "mono.wav", "out.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto output = readAudio(scratch / "out.wav");
    ASSERT_EQ(output.size(), 2u);
    EXPECT_FALSE(silent(output[1]));
    // Both sides filter the same signal (the EQ's two channels differ in their last bits).
    ASSERT_EQ(output[0].size(), output[1].size());
    for (std::size_t i = 0; i < output[0].size(); ++i) ASSERT_NEAR(output[0][i], output[1][i], 1e-5) << i;
}

TEST_F(Channels, EveryOutputOfThePluginIsWritten) {
    const std::string splitter = debianModule("3BandSplitter-vst.so");
    const std::string freeverb = debianModule("MaFreeverb-vst.so");
    SKIP_WITHOUT(splitter);
    SKIP_WITHOUT(freeverb);
    ASSERT_EQ(render(splitter, "stereo.wav", "six.wav").status, 0);
    const auto six = readAudio(scratch / "six.wav");
    ASSERT_EQ(six.size(), 6u);
    for (const auto& channel : six) EXPECT_FALSE(silent(channel));
    // One output: a mono file, no silent second channel.
    ASSERT_EQ(render(freeverb, "mono.wav", "one.wav").status, 0);
    EXPECT_EQ(readAudio(scratch / "one.wav").size(), 1u);
}

// Our module has one input: the right channel is dropped with a warning, or mixed in, or
// chosen instead, on request.
TEST_F(Channels, ExtraFileChannelsAreReportedMixedOrChosen) {
    const ToolRun dropped = render(BRAMSOLIKET_MODULE_PATH, "stereo.wav", "dropped.wav");
    ASSERT_EQ(dropped.status, 0) << dropped.err;
    EXPECT_NE(dropped.err.find("warning: input channel 1 is dropped"), std::string::npos) << dropped.err;

    std::vector<float> mixed(kFrames), second(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        mixed[i] = static_cast<float>((static_cast<double>(0.5f * left[i]) + static_cast<double>(0.5f * right[i])) / 2);
        second[i] = 0.5f * right[i];
    }
    writeWav(scratch / "mixed.wav", mixed, 1, kRate);
    writeWav(scratch / "second.wav", second, 1, kRate);
    for (const auto& [option, reference] : {std::pair<std::vector<std::string>, std::string>{{"--mix-down"}, "mixed.wav"},
                                            {{"--input-channel", "1"}, "second.wav"}}) {
        SCOPED_TRACE(option[0]);
        const ToolRun run = render(BRAMSOLIKET_MODULE_PATH, "stereo.wav", "chosen.wav", option);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        ASSERT_EQ(render(BRAMSOLIKET_MODULE_PATH, reference, "expected.wav").status, 0);
        EXPECT_EQ(readAudio(scratch / "chosen.wav"), readAudio(scratch / "expected.wav"));
    }
    const ToolRun missing = render(BRAMSOLIKET_MODULE_PATH, "stereo.wav", "x.wav", {"--input-channel", "2"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("channel 2"), std::string::npos) << missing.err;
}

// A file with fewer channels than the plug-in has inputs (but more than one): the rest get
// silence, with a warning.
TEST_F(Channels, MissingInputsArePaddedWithAWarning) {
    const std::string imposer = debianModule("AmplitudeImposer-vst.so");
    SKIP_WITHOUT(imposer);
    const ToolRun run = render(imposer, "stereo.wav", "out.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: plug-in inputs 2 to 3 get silence"), std::string::npos) << run.err;
}

TEST_F(Channels, TailRendersPastTheEndOfTheInput) {
    const std::string reverb = debianModule("MVerb-vst.so");
    SKIP_WITHOUT(reverb);
    std::vector<float> click(1000, 0.0f);
    click[0] = 0.8f;
    writeWav(scratch / "click.wav", click, 1, kRate);
    ASSERT_EQ(render(reverb, "click.wav", "cut.wav").status, 0);
    EXPECT_EQ(readAudio(scratch / "cut.wav")[0].size(), 1000u) << "no tail by default";
    const ToolRun run = render(reverb, "click.wav", "tail.wav", {"--tail", "0.5"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto tail = readAudio(scratch / "tail.wav");
    ASSERT_EQ(tail[0].size(), 1000u + kRate / 2);
    EXPECT_FALSE(silent(std::vector<float>(tail[0].begin() + 10000, tail[0].end()))) << "the reverb's tail is missing";
    EXPECT_EQ(runTool({"render", "-n", "--tail", "-1"}).status, 2);
}

TEST_F(Channels, NonFiniteOutputIsCountedAndWritable) {
    std::vector<float> input(1000, 0.25f);
    input[10] = std::numeric_limits<float>::quiet_NaN();
    input[20] = std::numeric_limits<float>::infinity();
    input[21] = -std::numeric_limits<float>::infinity();
    writeWav(scratch / "nan.wav", input, 1, kRate);
    // The probe passes its input through on outputs 0 and 2 (output 1 is the block length).
    const ToolRun asFloat = render(kProbe, "nan.wav", "nan-float.wav");
    ASSERT_EQ(asFloat.status, 0) << asFloat.err;
    EXPECT_NE(asFloat.out.find("2 NaN and 4 infinite samples"), std::string::npos) << asFloat.out;
    EXPECT_NE(asFloat.err.find("warning: the output holds 2 NaN and 4 infinite samples"), std::string::npos)
        << asFloat.err;
    EXPECT_NE(asFloat.out.find("peak 512.000000"), std::string::npos) << "the peak is of the finite samples";
    const auto floats = readAudio(scratch / "nan-float.wav");
    EXPECT_TRUE(std::isnan(floats[0][10]));
    EXPECT_EQ(floats[0][20], std::numeric_limits<float>::infinity());

    // An integer format holds neither: NaN is written as 0, infinities as full scale.
    const ToolRun asFlac = render(kProbe, "nan.wav", "nan.flac");
    ASSERT_EQ(asFlac.status, 0) << asFlac.err;
    EXPECT_NE(asFlac.err.find("written as 0"), std::string::npos) << asFlac.err;
    const auto flac = readAudio(scratch / "nan.flac");
    ASSERT_EQ(flac[0].size(), 1000u);
    EXPECT_EQ(flac[0][10], 0.0f);
    EXPECT_NEAR(flac[0][20], 1.0f, 1e-6);
    EXPECT_NEAR(flac[0][21], -1.0f, 1e-6);
    EXPECT_NEAR(flac[0][30], 0.25f, 1e-6);
}

}  // namespace
}  // namespace host_tool_test
