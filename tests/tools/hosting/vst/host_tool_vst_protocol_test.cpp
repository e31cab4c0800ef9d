// SPDX-License-Identifier: MIT
// The host side of the interface, observed through a probe module that logs every request
// and writes what it was given: the set-up requests before processing, the entry chosen, the
// buffers handed over and the block splitting at automation events.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"
#include "tools/response/frequency_response.h"
#include "tools/hosting/vst/vst_plugin.h"
#include "tools/session/renderer.h"
#include "tools/audio/test_signal.h"

namespace host_tool_test {
namespace {

const std::string kProbePath = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/probe_module.so";

class RecordingSink : public FrameSink {
public:
    int channelCount() const override { return 3; }
    void write(const float* const* channels, std::int64_t frames) override {
        left.insert(left.end(), channels[0], channels[0] + frames);
        right.insert(right.end(), channels[1], channels[1] + frames);
        third.insert(third.end(), channels[2], channels[2] + frames);
    }
    std::vector<float> left, right, third;
};

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        effect = VstPlugin::load(kProbePath);
        // A second reference to the same loaded module, to read its log.
        handle = ::dlopen(kProbePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr);
        log = reinterpret_cast<const char* (*)()>(::dlsym(handle, "probeLog"));
        clearLog = reinterpret_cast<void (*)()>(::dlsym(handle, "probeClearLog"));
        clearLog();
    }
    void TearDown() override {
        effect.reset();
        if (handle != nullptr) ::dlclose(handle);
    }

    RecordingSink render(std::vector<float> input, const std::vector<AutomationEvent>& automation,
                         RenderOptions options) {
        MemorySource source(std::move(input), 48000.0);
        RecordingSink sink;
        renderStream(*effect, source, sink, automation, options);
        return sink;
    }

    std::unique_ptr<VstPlugin> effect;
    void* handle = nullptr;
    const char* (*log)() = nullptr;
    void (*clearLog)() = nullptr;
};

TEST_F(ProbeTest, AnnouncesRateAndBlockSizeAndResumesBeforeProcessing) {
    RenderOptions options;
    options.pluginSampleRate = 48000.0;
    options.blockSize = 300;
    render(std::vector<float>(10, 0.0f), {}, options);
    EXPECT_EQ(std::string(log()),
              "dispatch 10 0 0 48000\n"
              "dispatch 11 0 300 0\n"
              "dispatch 12 0 1 0\n"
              "process 10 0\n"
              "dispatch 12 0 0 0\n");
}

TEST_F(ProbeTest, SplitsBlocksAtAutomationEvents) {
    RenderOptions options;
    options.blockSize = 512;
    const std::vector<AutomationEvent> automation = {{700, {0, 0.5f}}, {700, {1, 2.0f}}, {1024, {0, 0.0f}}};
    const RecordingSink out = render(std::vector<float>(1100, 0.25f), automation, options);
    ASSERT_EQ(out.left.size(), 1100u);
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        SCOPED_TRACE(i);
        const float expectedLeft = i < 700 ? 0.25f : i < 1024 ? 1.0f : 0.5f;
        const float expectedFrames = i < 512 ? 512.0f : i < 700 ? 188.0f : i < 1024 ? 324.0f : 76.0f;
        ASSERT_EQ(out.left[i], expectedLeft);
        ASSERT_EQ(out.right[i], expectedFrames);
    }
}

TEST_F(ProbeTest, AccumulatingEntryGetsZeroedOutputs) {
    RenderOptions options;
    options.blockSize = 64;
    options.accumulate = true;
    const RecordingSink out = render(std::vector<float>(100, 0.25f), {}, options);
    EXPECT_EQ(out.left, std::vector<float>(100, 0.25f));
    EXPECT_EQ(out.right[0], 1064.0f);
    EXPECT_EQ(out.right[99], 1036.0f);
    EXPECT_NE(std::string(log()).find("process 64 1\n"), std::string::npos);
}

TEST_F(ProbeTest, MeterLinesReportTheDispatcherValue) {
    RenderOptions options;
    options.blockSize = 50;
    std::ostringstream meter;
    options.meterOutput = &meter;
    render(std::vector<float>(100, 0.0f), {}, options);
    const std::string lines = meter.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
    // 12345 / 32767.
    EXPECT_NE(lines.find("frames 50..99 "), std::string::npos) << lines;
    EXPECT_NE(lines.find("level    0.3768     -8.48 dB"), std::string::npos) << lines;
}

// The probe declares 2 inputs and 3 outputs and copies its second input to the third
// output: the host must hand over all of them, an input the source does not feed silent.
TEST_F(ProbeTest, GivesTheDeclaredNumberOfBuffers) {
    RenderOptions options;
    const RecordingSink out = render(std::vector<float>(10, 0.5f), {}, options);
    EXPECT_EQ(out.left, std::vector<float>(10, 0.5f));
    EXPECT_EQ(out.third, std::vector<float>(10, 0.0f));
}

// The measurement switches processing on (after the rate and block size) before every
// render and off only after it: never off while off.
TEST_F(ProbeTest, ResponseMeasurementFollowsTheHostProtocol) {
    ResponseOptions options;
    options.sampleRate = 48000.0;
    options.settleFrames = 1000;
    options.fftSize = 1024;
    options.fixedImpulseHeight = 0.01;
    measureResponse(*effect, {{1, 0.5f}}, options);
    measureResponse(*effect, {}, options);
    std::istringstream lines(log());
    std::vector<std::string> requests;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("dispatch 10 ", 0) == 0 || line.rfind("dispatch 11 ", 0) == 0 ||
            line.rfind("dispatch 12 ", 0) == 0 || line.rfind("process", 0) == 0) {
            requests.push_back(line.rfind("process", 0) == 0 ? "process" : line);
        }
    }
    requests.erase(std::unique(requests.begin(), requests.end()), requests.end());
    const std::vector<std::string> oneRender = {"dispatch 10 0 0 48000", "dispatch 11 0 512 0", "dispatch 12 0 1 0",
                                                "process", "dispatch 12 0 0 0"};
    std::vector<std::string> expected;
    for (int render = 0; render < 4; ++render) expected.insert(expected.end(), oneRender.begin(), oneRender.end());
    EXPECT_EQ(requests, expected);
}

TEST(HostToolCommandLine, RendersTheBuiltInSignalWithASummary) {
    ScratchDirectory scratch;
    const std::string probe = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/probe_module.so";
    const ToolRun run = runTool({"render", "-o", (scratch / "signal.wav").string(), "--plugin", probe});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress bar when standard error is not a terminal";
    EXPECT_NE(run.out.find("rendered 176400 samples (4.000 s of audio at 44100 Hz)"), std::string::npos) << run.out;
    // The probe writes each call's frame count, 512, on channel 1.
    EXPECT_NE(run.out.find("peak 512.000000"), std::string::npos) << run.out;
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"signal.wav"});

    // Through the probe (gain 1, offset 0) channel 0 is the signal itself.
    const auto output = readAudio(scratch / "signal.wav");
    const std::vector<float>& signal = output[0];
    ASSERT_EQ(signal.size(), 176400u);
    EXPECT_EQ(signal[0], 0.5f);
    EXPECT_TRUE(std::all_of(signal.begin() + 1, signal.begin() + 44100, [](float x) { return x == 0.0f; }));
    EXPECT_TRUE(std::all_of(signal.begin() + 44100, signal.begin() + 88200,
                            [](float x) { return x >= -0.25f && x < 0.25f; }));
    EXPECT_TRUE(std::all_of(signal.begin() + 88200, signal.end(), [](float x) { return std::fabs(x) <= 0.5f; }));

    TestSignal again(44100.0);
    std::vector<float> regenerated(176400);
    float* const channels[] = {regenerated.data()};
    again.read(channels, 176400);
    EXPECT_EQ(signal, regenerated);
}

TEST(HostToolCommandLine, RendersThroughAThirdPartyModule) {
    const char* module = "/usr/lib/vst/MaBitcrush-vst.so";
    if (!std::filesystem::exists(module)) GTEST_SKIP() << module << " is not installed (Debian package dpf-plugins-vst)";
    ScratchDirectory scratch;
    writeWav(scratch / "in.wav", makeProgramMaterial(20000, 7u), 1, 48000);
    const ToolRun run = runTool({"render", "-i", (scratch / "in.wav").string(), "-o", (scratch / "out.flac").string(),
                                 "--plugin", module, "--set", "0=0.2", "--meter"});
    ASSERT_EQ(run.status, 0) << run.err;
    int rate = 0;
    const auto output = readAudio(scratch / "out.flac", &rate);
    EXPECT_EQ(rate, 48000);
    ASSERT_EQ(output.size(), 2u) << "the module's two outputs";
    ASSERT_EQ(output[0].size(), 20000u);
    EXPECT_TRUE(std::any_of(output[0].begin(), output[0].end(), [](float x) { return x != 0.0f; }));
}

}  // namespace
}  // namespace host_tool_test
