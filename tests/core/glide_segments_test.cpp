// SPDX-License-Identifier: MIT
// Glides through the processor's block loop, which runs the samples between two glide moves
// through the steady cascade and advances the shared step counters by what those samples
// would have counted: the samples, every stage's rows and the counters after every call must
// be the reference's, which counts each call one by one. Several instances share the
// counters, each with its own smoothing, with glides of several stages starting and ending
// inside blocks of many sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/filter_processor.h"
#include "core/glide_schedule.h"
#include "core/step_counter.h"
#include "support/reference_model.h"

namespace {

struct Choice {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1103515245u + 12345u; }
    float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
};

struct StartingCounters {
    const char* name;
    float frequency, resonance;
    float smoothing[3];  // the "Smooth" value of each instance
};

void PrintTo(const StartingCounters& start, std::ostream* out) { *out << start.name; }

class GlideSegments : public ::testing::TestWithParam<StartingCounters> {};

TEST_P(GlideSegments, SamplesRowsAndCountersFollowTheReference) {
    const StartingCounters& start = GetParam();
    frequencyStepCounter.store(start.frequency);
    resonanceStepCounter.store(start.resonance);
    reference::stepCounters() = {start.frequency, start.resonance};

    constexpr int kInstances = 3;
    std::unique_ptr<FilterProcessor> processors[kInstances];
    std::unique_ptr<reference::Effect> models[kInstances];
    const auto set = [&](int i, std::int32_t parameter, float value) {
        processors[i]->setParameter(parameter, value);
        models[i]->setParameter(parameter, value);
    };
    for (int i = 0; i < kInstances; ++i) {
        processors[i] = std::make_unique<FilterProcessor>();
        models[i] = std::make_unique<reference::Effect>();
        set(i, kParameterSmoothing, start.smoothing[i]);
        set(i, kParameterCutoff, 1.0f);
        set(i, kParameterResonance, 0.3f);
        set(i, kParameterDryWet, 0.8f);
    }

    Choice choice{static_cast<std::uint32_t>(start.frequency) + 17u};
    const std::size_t blockSizes[] = {1, 2, 3, 5, 31, 32, 33, 100, 401, 1024, 4096};
    std::vector<float> input(4096), left(4096), right(4096), expected0(4096), expected1(4096);
    for (int call = 0; call < 300; ++call) {
        for (int i = 0; i < kInstances; ++i) {
            const std::uint32_t what = choice.next() % 8;
            if (what == 0) set(i, kParameterFrequency, choice.unit());
            if (what == 1) set(i, kParameterResonance, choice.unit());
            if (what == 2) set(i, kParameterCutoff, choice.unit());
            if (what == 3) {  // both indices of the main stage glide at once
                set(i, kParameterFrequency, choice.unit());
                set(i, kParameterResonance, choice.unit());
            }
            const std::size_t n = blockSizes[choice.next() % std::size(blockSizes)];
            for (std::size_t f = 0; f < n; ++f) input[f] = (choice.unit() - 0.5f) * 1.5f;
            processors[i]->process(input.data(), left.data(), right.data(), static_cast<std::int32_t>(n),
                                   OutputMode::Replace);
            models[i]->processReplacing(input.data(), expected0.data(), expected1.data(), static_cast<int>(n));

            ASSERT_EQ(std::memcmp(left.data(), expected0.data(), n * sizeof(float)), 0)
                << "instance " << i << ", call " << call << ", " << n << " frames";
            ASSERT_EQ(std::memcmp(right.data(), expected0.data(), n * sizeof(float)), 0);
            for (int s = 0; s < kStageCount; ++s) {
                ASSERT_EQ(processors[i]->stage(s).frequencyIndex(), models[i]->stage(s).currentFrequencyIndex())
                    << "instance " << i << ", stage " << s << ", call " << call;
                ASSERT_EQ(processors[i]->stage(s).resonanceIndex(), models[i]->stage(s).currentResonanceIndex())
                    << "instance " << i << ", stage " << s << ", call " << call;
            }
            ASSERT_EQ(frequencyStepCounter.load(), reference::stepCounters().frequency) << "call " << call;
            ASSERT_EQ(resonanceStepCounter.load(), reference::stepCounters().resonance) << "call " << call;
        }
    }
}

const float kTop = step_counter::kHighestCount;

INSTANTIATE_TEST_SUITE_P(
    Counters, GlideSegments,
    ::testing::Values(StartingCounters{"Zero", 0.0f, 0.0f, {0.1f, 0.0125f, 0.003f}},
                      StartingCounters{"NearTheLimits", 399.0f, 48.0f, {0.1f, 0.1f, 0.0125f}},
                      StartingCounters{"EveryCallMoves", 3.0f, 0.0f, {0.0f, 0.0002f, 0.1f}},
                      // Fractions the counting rule never makes: counted one call at a time.
                      StartingCounters{"Fractions", 0.5f, 7.25f, {0.1f, 0.0125f, 0.05f}},
                      // Smoothing at the 32-bit limit: the counters climb to where they stop.
                      StartingCounters{"TopOfTheCount", kTop - 3000.0f, kTop - 20.0f, {1e30f, 1e30f, 0.1f}}),
    [](const auto& info) { return std::string(info.param.name); });

// Stages of one cascade that count against different limits (their smoothing is being
// changed) make the next sample's moves depend on the order of the calls: that sample goes
// through the stages one call at a time.
TEST(GlideSchedule, DifferentLimitsInOneCascadeAreCountedCallByCall) {
    frequencyStepCounter.store(10.0f);
    resonanceStepCounter.store(0.0f);
    FilterStage stages[2];
    for (FilterStage& stage : stages) stage.setTarget(0.9f, 0.0f);
    stages[0].setSmoothing(400);
    stages[1].setSmoothing(400);
    EXPECT_EQ(GlideSchedule(stages, 2).quietSamples(), (400 - 10) / 2);
    stages[1].setSmoothing(399);
    EXPECT_EQ(GlideSchedule(stages, 2).quietSamples(), 0);
    stages[1].setTarget(stages[1].frequency(), 0.0f);
    stages[1].jumpToTarget(0.9f, 0.0f);  // arrived: only the other one counts
    EXPECT_EQ(GlideSchedule(stages, 2).quietSamples(), 400 - 10);
    stages[0].jumpToTarget(0.9f, 0.0f);
    EXPECT_EQ(GlideSchedule(stages, 2).quietSamples(), step_counter::kNever);
}

}  // namespace
