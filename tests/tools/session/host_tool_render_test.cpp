// SPDX-License-Identifier: MIT
// `render` through our module equals, bit for bit, the independent transcription of the
// filter's rules for the same input, settings and automation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/reference_model.h"
#include "tool_runner.h"

namespace host_tool_test {
namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 30000;

struct Setting {
    int index;
    float value;
};

struct RenderCase {
    const char* name;
    std::vector<Setting> settings;
    int block;
    bool accumulate;
};

// Equal as bit patterns, so that -0.0 and +0.0 or two different NaNs are told apart.
void expectSameBits(const std::vector<float>& actual, const std::vector<float>& expected, const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        std::uint32_t a, e;
        std::memcpy(&a, &actual[i], 4);
        std::memcpy(&e, &expected[i], 4);
        ASSERT_EQ(a, e) << what << " differs first at sample " << i << ": " << actual[i] << " vs " << expected[i];
    }
}

// Two input channels: the effect must see channel 0 only.
std::vector<float> writeStereoInput(const std::filesystem::path& path, std::vector<float>& channel0) {
    channel0 = makeProgramMaterial(kFrames, 12345u);
    const std::vector<float> channel1 = makeProgramMaterial(kFrames, 999u);
    std::vector<float> interleaved;
    for (int i = 0; i < kFrames; ++i) {
        interleaved.push_back(channel0[i]);
        interleaved.push_back(channel1[i]);
    }
    writeWav(path, interleaved, 2, kRate);
    return channel1;
}

// A freshly loaded module: shared step counters at zero, one new effect.
struct ReferenceRun {
    ReferenceRun() { reference::stepCounters() = {}; }
    ReferenceEffect effect;
    std::vector<float> out0, out1;

    void run(const std::vector<float>& input, int from, int to, int block, bool accumulate) {
        out0.resize(input.size(), 0.0f);
        out1.resize(input.size(), 0.0f);
        for (int start = from; start < to; start += block) {
            const int n = std::min(block, to - start);
            if (accumulate) {
                std::fill_n(out0.begin() + start, n, 0.0f);
                std::fill_n(out1.begin() + start, n, 0.0f);
                effect.process(input.data() + start, out0.data() + start, out1.data() + start, n);
            } else {
                effect.processReplacing(input.data() + start, out0.data() + start, out1.data() + start, n);
            }
        }
    }
};

class RenderMatchesReference : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderMatchesReference, BitForBit) {
    const RenderCase& c = GetParam();
    ScratchDirectory scratch;
    std::vector<float> input;
    writeStereoInput(scratch / "in.wav", input);
    std::vector<std::string> arguments = {"render",  "-i", (scratch / "in.wav").string(), "-o",
                                          (scratch / "out.wav").string(), "--plugin", BRAMSOLIKET_MODULE_PATH,
                                          "--block", std::to_string(c.block)};
    for (const Setting& s : c.settings) {
        char assignment[64];
        std::snprintf(assignment, sizeof assignment, "%d=%.9g", s.index, static_cast<double>(s.value));
        arguments.insert(arguments.end(), {"--set", assignment});
    }
    if (c.accumulate) arguments.push_back("--accumulate");
    const ToolRun run = runTool(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    int rate = 0;
    const auto output = readAudio(scratch / "out.wav", &rate);
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(output.size(), 2u);

    ReferenceRun expected;
    expected.effect.setSampleRate(kRate);
    for (const Setting& s : c.settings) expected.effect.setParameter(s.index, s.value);
    expected.run(input, 0, kFrames, c.block, c.accumulate);
    expectSameBits(output[0], expected.out0, "channel 0");
    expectSameBits(output[1], expected.out1, "channel 1");
}

INSTANTIATE_TEST_SUITE_P(
    HostTool, RenderMatchesReference,
    ::testing::Values(RenderCase{"Defaults", {}, 512, false},
                      RenderCase{"FourLowPassStagesSingleFrames", {{0, 0.3f}, {1, 0.6f}, {4, 1.0f}}, 1, false},
                      RenderCase{"HighPassLargeBlocks", {{3, 0.25f}, {1, 0.9f}, {6, 0.8f}, {5, 0.7f}}, 8192, false},
                      RenderCase{"BandPassAccumulating", {{3, 0.5f}, {4, 0.5f}, {2, 0.0f}, {0, 0.05f}}, 64, true},
                      RenderCase{"ResonantOddBlocks", {{3, 0.75f}, {1, 1.0f}, {0, 0.8f}, {2, 1.0f}}, 777, false},
                      RenderCase{"ThruLoudLevel", {{3, 1.0f}, {6, 1.0f}, {4, 0.7f}}, 31, false}),
    [](const ::testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

// Changes land at exactly the sample they name, whatever the block size: the reference
// applies them between runs that end at those samples.
TEST(HostToolAutomation, ChangesLandOnTheirExactSample) {
    ScratchDirectory scratch;
    std::vector<float> input;
    writeStereoInput(scratch / "in.wav", input);
    writeText(scratch / "automation.json", R"([
        {"sample": 20001, "parameter": "Freq", "value": 0.9},
        {"sample": 1000, "parameter": "Freq", "value": 0.1},
        {"sample": 1000, "parameter": 1, "value": 0.8},
        {"seconds": 0.1, "parameter": "type", "value": 0.25},
        {"sample": 4411, "parameter": "Cutoff", "value": 1},
        {"sample": 9000, "parameter": "Level", "value": 0.8}
    ])");
    const ToolRun run = runTool({"render", "-i", (scratch / "in.wav").string(), "-o", (scratch / "out.wav").string(),
                                 "--plugin", BRAMSOLIKET_MODULE_PATH, "--block", "512", "--automation",
                                 (scratch / "automation.json").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto output = readAudio(scratch / "out.wav");

    struct Change {
        int frame, index;
        float value;
    };
    auto renderReference = [&](int levelChange) {
        std::vector<Change> changes = {{1000, 0, 0.1f}, {1000, 1, 0.8f},        {4410, 3, 0.25f},
                                       {4411, 4, 1.0f}, {levelChange, 6, 0.8f}, {20001, 0, 0.9f}};
        std::stable_sort(changes.begin(), changes.end(),
                         [](const Change& a, const Change& b) { return a.frame < b.frame; });
        ReferenceRun reference;
        int at = 0;
        for (const Change& change : changes) {
            reference.run(input, at, change.frame, 512, false);
            reference.effect.setParameter(change.index, change.value);
            at = change.frame;
        }
        reference.run(input, at, kFrames, 512, false);
        return reference.out0;
    };
    expectSameBits(output[0], renderReference(9000), "automated channel 0");
    expectSameBits(output[1], renderReference(9000), "automated channel 1");
    // The comparison notices a change that comes one sample late or early. ("Level" acts at
    // once; "Freq" and the others glide row by row, so a shift of one sample may not show.)
    EXPECT_NE(output[0], renderReference(9001));
    EXPECT_NE(output[0], renderReference(8999));
}

}  // namespace
}  // namespace host_tool_test
