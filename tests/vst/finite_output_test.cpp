// SPDX-License-Identifier: MIT
// Finite in, finite out: whatever a filtered type has been fed before, a finite input sample
// gives a finite output sample, through the exported `main`, and the reference transcription
// gives the same bits. The limiter bounds an overflowed sum to full scale, and a zero level
// silences it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "core/coefficient_tables.h"
#include "support/module_loader.h"
#include "support/record_driver.h"
#include "support/reference_model.h"

namespace {

using testing_support::ModuleCopy;
using testing_support::RecordDriver;

constexpr float kNearFloatLimit = 3.3895e38f;
constexpr float kTiny = -2.9e-42f;
constexpr int kMeterFullScale = 32767;

enum Parameter { kFreq = 0, kRes = 1, kSmooth = 2, kType = 3, kCutoff = 4, kDryWet = 5, kLevel = 6 };

struct Setting {
    float type, cutoff, resonance, level;
};

std::string describe(const Setting& s) {
    char text[96];
    std::snprintf(text, sizeof text, "type %.2f cutoff %.0f res %.1f level %.1f", s.type, s.cutoff, s.resonance,
                  s.level);
    return text;
}

// Everything that has overflowed a stage before: a block near the float limit followed by
// tiny samples (the case a fuzzer found), full-scale swings at half the sample rate, a huge
// sinusoid at the stage's own frequency (which drives the resonance filter's output past the
// float range), then ordinary audio.
std::vector<float> hostileSignal() {
    std::vector<float> signal(14, kNearFloatLimit);
    signal.insert(signal.end(), 300, kTiny);
    for (int n = 0; n < 600; ++n) signal.push_back(n % 2 == 0 ? kNearFloatLimit : -kNearFloatLimit);
    // Row 39 is where "Freq" 0.5 puts every stage.
    const double cycles = CoefficientTables::normalizedFrequencies[39];
    for (int n = 0; n < 6000; ++n) {
        signal.push_back(static_cast<float>(kNearFloatLimit * std::sin(2.0 * std::numbers::pi * cycles * n)));
    }
    signal.insert(signal.end(), 14, kNearFloatLimit);
    for (int n = 0; n < 3000; ++n) signal.push_back(n % 7 == 0 ? 0.9f : (n % 5 == 0 ? -0.6f : kTiny));
    return signal;
}

void configure(RecordDriver& effect, reference::Effect& model, const Setting& s) {
    const std::pair<int, float> values[] = {{kSmooth, 0.0f},          {kDryWet, 0.696f}, {kRes, s.resonance},
                                            {kType, s.type},           {kCutoff, s.cutoff}, {kLevel, s.level}};
    for (const auto& [index, value] : values) {
        effect.set(index, value);
        model.setParameter(index, value);
    }
}

class FiniteOutput : public testing::TestWithParam<Setting> {};

TEST_P(FiniteOutput, FiniteInputGivesFiniteOutputWhateverCameBefore) {
    ModuleCopy module;
    AEffect* record = module.create(&testing_support::answeringHost);
    ASSERT_NE(record, nullptr);
    RecordDriver effect(record);
    reference::stepCounters() = {};
    reference::Effect model;
    configure(effect, model, GetParam());

    const std::vector<float> input = hostileSignal();
    std::vector<float> left, right;
    effect.render(input, left, right, 512);
    std::vector<float> expected(input.size()), ignored(input.size());
    model.processReplacing(input.data(), expected.data(), ignored.data(), static_cast<int>(input.size()));

    for (std::size_t i = 0; i < input.size(); ++i) {
        ASSERT_TRUE(std::isfinite(left[i])) << describe(GetParam()) << ": frame " << i << " input " << input[i]
                                            << " gave " << left[i];
        ASSERT_EQ(left[i], expected[i]) << describe(GetParam()) << ": frame " << i;
    }
    ModuleCopy::close(record);
}

// Every filtered type, one and four stages, resonance off and on, levels 0, 0.5 and 1.
std::vector<Setting> filteredSettings() {
    std::vector<Setting> settings;
    for (float type : {0.0f, 0.25f, 0.5f, 0.75f}) {
        for (float cutoff : {0.0f, 1.0f}) {
            for (float resonance : {0.0f, 1.0f}) {
                for (float level : {0.0f, 0.5f, 1.0f}) settings.push_back({type, cutoff, resonance, level});
            }
        }
    }
    return settings;
}

std::string settingName(const testing::TestParamInfo<Setting>& info) {
    static const char* kTypes[] = {"LowPass", "HighPass", "BandPass", "Resonant"};
    const Setting& s = info.param;
    return std::string(kTypes[static_cast<int>(s.type * 4.0f)]) + (s.cutoff > 0.0f ? "FourStages" : "OneStage") +
           (s.resonance > 0.0f ? "Resonance" : "") + "Level" + std::to_string(static_cast<int>(s.level * 10.0f));
}

INSTANTIATE_TEST_SUITE_P(FilteredTypes, FiniteOutput, testing::ValuesIn(filteredSettings()), settingName);

// The case as it was found: LowPass, one stage, no resonance, Level 1, a block of 14 samples
// near the float limit and then tiny ones. Every frame but the first used to be NaN.
TEST(FiniteOutputFound, HugeBlockThenTinySamples) {
    ModuleCopy module;
    AEffect* record = module.create(&testing_support::answeringHost);
    ASSERT_NE(record, nullptr);
    RecordDriver effect(record);
    effect.setRate(44100.0f);
    effect.set(kSmooth, 0.0f);
    effect.set(kDryWet, 0.696f);
    effect.set(kLevel, 1.0f);
    std::vector<float> input(14, kNearFloatLimit);
    input.insert(input.end(), 2000, kTiny);
    std::vector<float> left, right;
    effect.render(input, left, right, 14);
    for (std::size_t i = 0; i < input.size(); ++i) {
        ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << "frame " << i;
    }
    ModuleCopy::close(record);
}

// An infinite sample into the resonant type reaches the limiter unfiltered and comes out at
// full scale; the meter shows it, and the samples after it are numbers again. In a cascade the
// later stages get full scale instead of NaN and keep their history.
TEST(FiniteOutputFound, InfiniteSampleIntoTheResonantTypeShowsFullScale) {
    for (float cutoff : {0.0f, 1.0f}) {
        for (float infinity : {INFINITY, -INFINITY}) {
            ModuleCopy module;
            AEffect* record = module.create(&testing_support::answeringHost);
            ASSERT_NE(record, nullptr);
            RecordDriver effect(record);
            reference::stepCounters() = {};
            reference::Effect model;
            const std::pair<int, float> values[] = {{kType, 0.75f}, {kCutoff, cutoff}, {kRes, 0.6f}, {kSmooth, 0.0f}};
            for (const auto& [index, value] : values) {
                effect.set(index, value);
                model.setParameter(index, value);
            }
            std::vector<float> input = {0.25f, -0.5f, 0.125f, 0.0f, infinity};
            for (int n = 0; n < 400; ++n) input.push_back(n % 3 == 0 ? 0.3f : -0.2f);
            std::vector<float> left, right;
            effect.render(input, left, right, input.size());
            std::vector<float> expected(input.size()), ignored(input.size());
            model.processReplacing(input.data(), expected.data(), ignored.data(), static_cast<int>(input.size()));

            const std::string where = std::string(cutoff > 0.0f ? "four stages" : "one stage") + ", " +
                                      (infinity > 0 ? "+inf" : "-inf");
            // A positive infinity alone raises the meter to full scale; in a cascade the first
            // stage gives full scale to the next, which limits it once more.
            const float modelPeak = model.getMeter();
            const bool alone = cutoff == 0.0f && infinity > 0;
            if (alone) {
                EXPECT_EQ(modelPeak, 1.0f) << where;
            }
            EXPECT_EQ(effect.dispatch(9), alone ? kMeterFullScale : static_cast<int>(modelPeak * 32767.0)) << where;
            for (std::size_t i = 0; i < input.size(); ++i) {
                if (i != 4) {
                    ASSERT_TRUE(std::isfinite(left[i])) << where << ": frame " << i;
                }
                ASSERT_EQ(std::isnan(left[i]), std::isnan(expected[i])) << where << ": frame " << i;
                if (!std::isnan(left[i])) {
                    ASSERT_EQ(left[i], expected[i]) << where << ": frame " << i;
                }
            }
            ModuleCopy::close(record);
        }
    }
}

}  // namespace
