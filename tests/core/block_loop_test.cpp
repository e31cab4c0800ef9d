// SPDX-License-Identifier: MIT
// The processor's block loop against the plain reference, frame for frame, at every block
// size up to 40 and a few large ones: the skewed cascade fills and drains its pipeline at
// each call, runs calls too short to fill it frame by frame, and must give the samples of
// running the stages one frame at a time, write nothing outside the frames it was given, and
// work when the input is also the first output.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "core/filter_processor.h"
#include "support/reference_model.h"

namespace {

std::vector<float> noise(std::size_t n, std::uint32_t seed) {
    std::vector<float> signal(n);
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        // Loud enough now and then for the limiters to bend it.
        signal[i] = (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * (i % 300 < 20 ? 3.0f : 0.7f);
    }
    return signal;
}

bool sameBits(const float* a, const float* b, std::size_t n) { return std::memcmp(a, b, n * sizeof(float)) == 0; }

// Type (0..4), stages (1..4), resonance on, a level other than unity (the main stage is then
// no plain section even without resonance).
using Setting = std::tuple<int, int, bool, bool>;

class BlockLoop : public ::testing::TestWithParam<Setting> {};

TEST_P(BlockLoop, EveryBlockSizeGivesTheReferenceSamples) {
    const auto [type, stages, resonance, level] = GetParam();
    frequencyStepCounter.store(0.0f);
    resonanceStepCounter.store(0.0f);
    reference::stepCounters() = {};
    FilterProcessor separate, inPlace;
    reference::Effect model;
    const float settings[][2] = {{kParameterSmoothing, 0.0f}, {kParameterType, type / 4.0f},
                                 {kParameterCutoff, (stages - 1) / 3.0f}, {kParameterResonance, resonance ? 0.7f : 0.0f},
                                 {kParameterLevel, level ? 0.8f : 0.5f}, {kParameterFrequency, 0.6f},
                                 {kParameterDryWet, 1.0f}};
    for (const auto& s : settings) {
        separate.setParameter(static_cast<std::int32_t>(s[0]), s[1]);
        inPlace.setParameter(static_cast<std::int32_t>(s[0]), s[1]);
        model.setParameter(static_cast<int>(s[0]), s[1]);
    }

    std::vector<std::size_t> blocks;
    for (std::size_t b = 0; b <= 40; ++b) blocks.push_back(b);
    for (std::size_t b : {63, 64, 65, 511, 4096}) blocks.push_back(b);

    constexpr std::size_t kGuard = 4;
    constexpr float kGuardValue = -777.0f;
    constexpr std::size_t kFramesPerSize = 700;
    std::uint32_t seed = static_cast<std::uint32_t>(type * 100 + stages * 10 + resonance * 2 + level);
    // The first size settles the glides of the new settings; the steady loop does the rest.
    for (const std::size_t block : blocks) {
        const std::size_t total = block == 0 ? 1 : std::max(kFramesPerSize, block * 3);
        const std::vector<float> input = noise(total, seed++);
        std::vector<float> left(total + 2 * kGuard, kGuardValue), right(total + 2 * kGuard, kGuardValue);
        std::vector<float> shared(input), sharedRight(total);
        std::vector<float> expected0(total), expected1(total);
        for (std::size_t done = 0; done < total; done += block == 0 ? total : block) {
            const std::size_t n = block == 0 ? 0 : std::min(block, total - done);
            const auto frames = static_cast<std::int32_t>(n);
            const float peak = separate.process(input.data() + done, left.data() + kGuard + done,
                                                right.data() + kGuard + done, frames, OutputMode::Replace);
            inPlace.process(shared.data() + done, shared.data() + done, sharedRight.data() + done, frames,
                            OutputMode::Replace);
            model.processReplacing(input.data() + done, expected0.data() + done, expected1.data() + done,
                                   static_cast<int>(n));
            // All wet: the call's peak is its highest output sample.
            float expectedPeak = -std::numeric_limits<float>::infinity();
            for (std::size_t f = done; f < done + n; ++f) expectedPeak = expected0[f] > expectedPeak ? expected0[f] : expectedPeak;
            ASSERT_TRUE(sameBits(&peak, &expectedPeak, 1)) << "block " << block << " at " << done;
        }
        if (block == 0) {
            for (float v : left) ASSERT_EQ(v, kGuardValue);
            continue;
        }
        for (std::size_t g = 0; g < kGuard; ++g) {
            ASSERT_EQ(left[g], kGuardValue) << block;
            ASSERT_EQ(right[g], kGuardValue) << block;
            ASSERT_EQ(left[kGuard + total + g], kGuardValue) << block;
            ASSERT_EQ(right[kGuard + total + g], kGuardValue) << block;
        }
        ASSERT_TRUE(sameBits(left.data() + kGuard, expected0.data(), total)) << "block " << block;
        ASSERT_TRUE(sameBits(right.data() + kGuard, expected0.data(), total)) << "block " << block;
        ASSERT_TRUE(sameBits(shared.data(), expected0.data(), total)) << "in place, block " << block;
        ASSERT_TRUE(sameBits(sharedRight.data(), expected0.data(), total)) << "in place, block " << block;
    }
}

INSTANTIATE_TEST_SUITE_P(TypesStagesResonanceAndLevel, BlockLoop,
                         ::testing::Combine(::testing::Range(0, 5), ::testing::Range(1, 5), ::testing::Bool(),
                                            ::testing::Bool()));

}  // namespace

namespace {

// The block loop keeps the stages' settings from call to call: every kind of change made
// between two calls must be heard from the first frame of the next, as in the reference.
TEST(BlockLoopSettings, ChangesBetweenCallsAreHeardFromTheNextCall) {
    frequencyStepCounter.store(0.0f);
    resonanceStepCounter.store(0.0f);
    reference::stepCounters() = {};
    FilterProcessor processor;
    reference::Effect model;
    const auto set = [&](std::int32_t parameter, float value) {
        processor.setParameter(parameter, value);
        model.setParameter(static_cast<int>(parameter), value);
    };
    set(kParameterSmoothing, 0.0f);  // moves on every call: glides end within a block
    set(kParameterCutoff, 1.0f);
    const struct {
        std::int32_t parameter;
        float value;
    } changes[] = {{kParameterLevel, 0.8f},     {kParameterLevel, 0.5f},    {kParameterType, 0.25f},
                   {kParameterResonance, 0.6f}, {kParameterLevel, 0.3f},    {kParameterType, 0.75f},
                   {kParameterType, 0.5f},      {kParameterResonance, 0.0f}, {kParameterCutoff, 0.4f},
                   {kParameterFrequency, 0.2f}, {kParameterType, 1.0f},     {kParameterType, 0.0f}};
    std::uint32_t seed = 77;
    for (const auto& change : changes) {
        set(change.parameter, change.value);
        for (int call = 0; call < 6; ++call) {  // the glide a change starts, then steady calls
            const std::vector<float> input = noise(300, seed++);
            std::vector<float> left(input.size()), right(input.size()), expected0(input.size()), expected1(input.size());
            processor.process(input.data(), left.data(), right.data(), static_cast<std::int32_t>(input.size()),
                              OutputMode::Replace);
            model.processReplacing(input.data(), expected0.data(), expected1.data(), static_cast<int>(input.size()));
            ASSERT_TRUE(sameBits(left.data(), expected0.data(), input.size()))
                << "after setting " << change.parameter << " to " << change.value << ", call " << call;
        }
    }
}

}  // namespace
