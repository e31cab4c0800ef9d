// SPDX-License-Identifier: MIT
// The bypass switch of both plug-ins: untouched, the output is the filter's bit for bit;
// bypassed from the start, it is the input exactly; a switch at the crest of a sine through a
// high-pass makes no step larger than the signals' own and settles within the fade, to the
// input exactly while bypassed and, back on, to exactly what an uninterrupted render gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "core/bypass_switch.h"
#include "formats/plugin_formats.h"

namespace format_testing {
namespace {

constexpr float kRate = 44100.0f;

std::vector<float> noise(std::size_t frames) {
    std::vector<float> signal(frames);
    std::uint32_t state = 99;
    for (float& sample : signal) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
    return signal;
}

// A 24 dB/Oct high-pass with some resonance: its output is far from its input.
Rendering highPass(std::uint32_t hostBlock = 512) {
    Rendering rendering;
    rendering.sampleRate = kRate;
    rendering.settings = {{kParameterFrequency, 0.3f}, {kParameterResonance, 0.4f}, {kParameterType, 0.25f},
                          {kParameterCutoff, 1.0f / 3.0f}};
    rendering.hostBlock = hostBlock;
    return rendering;
}

bool bitEqual(const std::vector<float>& a, const std::vector<float>& b, std::size_t from = 0) {
    return a.size() == b.size() && std::memcmp(a.data() + from, b.data() + from, (a.size() - from) * sizeof(float)) == 0;
}

float largestStep(const std::vector<float>& signal, std::size_t from, std::size_t to) {
    float largest = 0.0f;
    for (std::size_t i = from + 1; i < to; ++i) largest = std::max(largest, std::fabs(signal[i] - signal[i - 1]));
    return largest;
}

class Bypass : public testing::TestWithParam<std::shared_ptr<const PluginFormat>> {};

TEST_P(Bypass, UntouchedTheOutputIsTheFiltersBitForBit) {
    const std::vector<float> input = noise(20000);
    const std::vector<float> expected = coreRender(input, highPass());
    Rendering rendering = highPass(300);
    const Output untouched = GetParam()->render(input, rendering);
    EXPECT_TRUE(bitEqual(untouched.left, expected));
    EXPECT_TRUE(bitEqual(untouched.right, expected));
    // Told to process again and again while processing: still untouched.
    rendering.switches = {{0, false}, {1000, false}, {7777, false}};
    EXPECT_TRUE(bitEqual(GetParam()->render(input, rendering).left, expected));
}

TEST_P(Bypass, BypassedFromTheStartTheOutputsAreTheInputExactly) {
    const std::vector<float> input = noise(10000);
    Rendering rendering = highPass(1000);
    rendering.switches = {{0, true}};
    const Output bypassed = GetParam()->render(input, rendering);
    EXPECT_TRUE(bitEqual(bypassed.left, input));
    EXPECT_TRUE(bitEqual(bypassed.right, input));
}

TEST_P(Bypass, SwitchesAtACrestFadeWithoutAStepAndSettleWithinTheFade) {
    // A 1 kHz sine near the high-pass's corner, shifted in phase by it: at the input's crest
    // the filtered signal is far from it, so a switch without a fade would jump.
    constexpr double kFrequency = 1000.0;
    const std::uint32_t period = 441;  // samples per 10 cycles: 44.1 per cycle
    std::vector<float> input(40 * period);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * kFrequency * i / kRate));
    }
    // Crests of sin at 44.1 samples a cycle: the sample nearest a quarter cycle.
    const std::uint32_t on = 10 * period + 11;
    const std::uint32_t off = 25 * period + 11;
    ASSERT_GT(input[on], 0.499f);
    ASSERT_GT(input[off], 0.499f);

    Rendering rendering = highPass(256);
    rendering.settings[0].second = 0.05f;  // a corner near 1 kHz
    rendering.settings[1].second = 0.0f;
    const std::vector<float> uninterrupted = GetParam()->render(input, rendering).left;
    ASSERT_GT(std::fabs(uninterrupted[on] - input[on]), 0.2f) << "the filter shifts the sine";
    rendering.switches = {{on, true}, {off, false}};
    const Output switched = GetParam()->render(input, rendering);
    EXPECT_TRUE(bitEqual(switched.left, switched.right));

    const std::uint32_t fade = static_cast<std::uint32_t>(std::lround(kRate * BypassSwitch::kFadeSeconds));
    const float ownStep = std::max(largestStep(input, 0, input.size()), largestStep(uninterrupted, on, input.size()));
    EXPECT_LE(largestStep(switched.left, on - 1, off + fade + 1), ownStep);
    // Before the switch the filter's output; bypassed, after the fade, the input exactly;
    // back on, after the fade, the uninterrupted render exactly.
    EXPECT_EQ(std::memcmp(switched.left.data(), uninterrupted.data(), on * sizeof(float)), 0);
    EXPECT_NE(switched.left[on], uninterrupted[on]) << "the fade starts on the switch's frame";
    EXPECT_NE(switched.left[on + fade - 2], input[on + fade - 2]) << "the fade lasts " << fade << " frames";
    EXPECT_EQ(std::memcmp(switched.left.data() + on + fade, input.data() + on + fade, (off - on - fade) * sizeof(float)),
              0);
    EXPECT_NE(switched.left[off + fade - 2], uninterrupted[off + fade - 2]);
    EXPECT_TRUE(bitEqual(switched.left, uninterrupted, off + fade));
}

INSTANTIATE_TEST_SUITE_P(BothFormats, Bypass, testing::Values(lv2Format(), clapFormat()),
                         [](const auto& info) { return info.param->name(); });

}  // namespace
}  // namespace format_testing
