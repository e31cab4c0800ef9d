// SPDX-License-Identifier: MIT
// The stereo plug-ins filter each channel exactly as the mono filter filters it alone: every
// type at one and four stages with resonance, a glide, automation landing on exact frames,
// different signals in the two channels, one channel silent, a NaN or a subnormal input in one
// channel that leaves the other untouched. Bypassed, both channels carry their own input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/parameter_units.h"
#include "core/subnormal_flush.h"
#include "formats/plugin_formats.h"

namespace format_testing {
namespace {

std::vector<float> noise(std::size_t frames, std::uint32_t seed) {
    std::vector<float> signal(frames);
    for (float& sample : signal) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    return signal;
}

std::vector<float> sine(std::size_t frames, double cyclesPerFrame) {
    std::vector<float> signal(frames);
    for (std::size_t i = 0; i < frames; ++i) signal[i] = static_cast<float>(0.7 * std::sin(6.283185307 * cyclesPerFrame * i));
    return signal;
}

float setting(ParameterIndex index, int number) { return parameter_units::valueOfSetting(index, number); }

// What the plug-in must give for one channel: the mono filter's render, subnormals flushed.
std::vector<float> expectedChannel(const std::vector<float>& input, const Rendering& rendering) {
    std::vector<float> output = coreRender(input, rendering);
    flushSubnormals(output.data(), static_cast<std::uint32_t>(output.size()));
    return output;
}

bool bitEqual(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

struct StereoCase {
    std::string name;
    std::vector<float> left, right;
    Rendering rendering;
};

std::vector<StereoCase> stereoCases() {
    constexpr std::size_t kFrames = 6000;
    const std::vector<float> left = noise(kFrames, 7);
    const std::vector<float> right = sine(kFrames, 0.013);
    std::vector<StereoCase> cases;
    for (int type = 0; type < parameter_units::settingCount(kParameterType); ++type) {
        for (const int slope : {0, 3}) {  // one stage and four
            Rendering rendering;
            rendering.settings = {{kParameterFrequency, 0.35f},
                                  {kParameterResonance, 0.6f},
                                  {kParameterType, setting(kParameterType, type)},
                                  {kParameterCutoff, setting(kParameterCutoff, slope)}};
            rendering.hostBlock = 300;
            cases.push_back({"type " + std::to_string(type) + ", slope " + std::to_string(slope), left, right, rendering});
        }
    }
    // A glide, and changes landing on frames inside host blocks, two on one frame.
    Rendering automated;
    automated.settings = {{kParameterFrequency, 0.2f}, {kParameterSmoothing, 0.02f}, {kParameterDryWet, 0.7f}};
    automated.changes = {{1000, kParameterFrequency, 0.8f},
                         {1000, kParameterResonance, 0.5f},
                         {2345, kParameterType, setting(kParameterType, 2)},
                         {3001, kParameterCutoff, setting(kParameterCutoff, 2)},
                         {4444, kParameterFrequency, 0.1f}};
    automated.hostBlock = 512;
    cases.push_back({"glide and automation", left, right, automated});
    cases.push_back({"right silent", left, std::vector<float>(kFrames, 0.0f), automated});
    // A NaN and an infinity in the left channel only.
    std::vector<float> broken = left;
    broken[777] = std::numeric_limits<float>::quiet_NaN();
    broken[2000] = std::numeric_limits<float>::infinity();
    cases.push_back({"NaN in the left channel", broken, right, automated});
    // Subnormal samples in the right channel, passed through by "Thru" and flushed.
    std::vector<float> tiny(kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) tiny[i] = std::numeric_limits<float>::denorm_min() * (i % 2 ? 3.0f : -5.0f);
    Rendering thru;
    thru.settings = {{kParameterType, setting(kParameterType, 4)}};
    cases.push_back({"subnormal right channel through Thru", left, tiny, thru});
    return cases;
}

class StereoPlugin : public testing::TestWithParam<std::shared_ptr<const PluginFormat>> {};

TEST_P(StereoPlugin, EachChannelIsTheMonoFiltersRenderOfItBitForBit) {
    for (const StereoCase& stereoCase : stereoCases()) {
        SCOPED_TRACE(stereoCase.name);
        const Output output = GetParam()->renderStereo(stereoCase.left, stereoCase.right, stereoCase.rendering);
        EXPECT_TRUE(bitEqual(output.left, expectedChannel(stereoCase.left, stereoCase.rendering)));
        EXPECT_TRUE(bitEqual(output.right, expectedChannel(stereoCase.right, stereoCase.rendering)));
    }
}

TEST_P(StereoPlugin, BypassedBothChannelsCarryTheirOwnInput) {
    const std::vector<float> left = noise(5000, 3);
    const std::vector<float> right = sine(5000, 0.01);
    Rendering rendering;
    rendering.settings = {{kParameterType, setting(kParameterType, 1)}, {kParameterResonance, 0.5f}};
    rendering.switches = {{0, true}};
    const Output bypassed = GetParam()->renderStereo(left, right, rendering);
    EXPECT_TRUE(bitEqual(bypassed.left, left));
    EXPECT_TRUE(bitEqual(bypassed.right, right));
    // Switched on later: after the fade, each channel is the filter's uninterrupted render.
    rendering.switches = {{0, true}, {1000, false}};
    const Output switched = GetParam()->renderStereo(left, right, rendering);
    rendering.switches.clear();
    const Output uninterrupted = GetParam()->renderStereo(left, right, rendering);
    const std::size_t settled = 1000 + 441;
    EXPECT_EQ(std::memcmp(switched.right.data(), right.data(), 1000 * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(switched.left.data() + settled, uninterrupted.left.data() + settled,
                          (left.size() - settled) * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(switched.right.data() + settled, uninterrupted.right.data() + settled,
                          (right.size() - settled) * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, StereoPlugin, testing::Values(lv2Format(), clapFormat()),
                         [](const auto& info) { return info.param->name(); });

}  // namespace
}  // namespace format_testing
