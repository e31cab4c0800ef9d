// SPDX-License-Identifier: MIT
// The LV2 controls' host units against the VST build's own settings and displays: every
// value the VST build shows selects, typed into the LV2 control, the very setting it was
// shown for, and the documented rules hold at their edges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/coefficient_tables.h"
#include "core/filter_processor.h"
#include "core/parameter_rules.h"
#include "core/value_text.h"
#include "formats/lv2/host_units.h"

namespace {

using namespace lv2_units;

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Every rate a host may offer, from telephone to the highest studio rates, and odd ones.
constexpr float kRates[] = {8000.0f,  11025.0f, 16000.0f, 22050.0f,  32000.0f,  44100.0f, 48000.0f,
                            88200.0f, 96000.0f, 176400.0f, 192000.0f, 352800.0f, 384000.0f, 44099.5f};

// The row the core's main stage targets for a normalized "Freq" value.
int coreRowFor(float value) {
    FilterProcessor processor;
    processor.setParameter(kParameterFrequency, value);
    return processor.stage(0).targetFrequencyIndex();
}

float vstFrequencyDisplay(float value, float rate) {
    FilterProcessor processor;
    processor.setParameter(kParameterFrequency, value);
    return processor.display(kParameterFrequency, rate)->number;
}

TEST(FrequencyInHertz, EachRowsShownFrequencySelectsThatRowAtEveryRate) {
    for (const float rate : kRates) {
        for (int row = 0; row <= kTopFrequencyRow; ++row) {
            const float value = frequencyValueForRow(row);
            ASSERT_EQ(coreRowFor(value), row) << "value " << value;
            const float shown = vstFrequencyDisplay(value, rate);
            ASSERT_EQ(rowFrequencyHz(row, rate), shown) << "row " << row << " at " << rate;
            ASSERT_EQ(rowForFrequency(shown, rate), row) << "row " << row << " at " << rate;
        }
    }
}

TEST(FrequencyInHertz, BetweenTwoRowsTheNearerOneAndTheMiddleGoesUp) {
    for (const float rate : kRates) {
        for (int row = 0; row < kTopFrequencyRow; ++row) {
            const float low = rowFrequencyHz(row, rate);
            const float high = rowFrequencyHz(row + 1, rate);
            const double middle = (static_cast<double>(low) + high) / 2.0;
            const float below = static_cast<float>(middle) < middle ? static_cast<float>(middle)
                                                                    : std::nextafter(static_cast<float>(middle), 0.0f);
            const float above = std::nextafter(below, kInfinity);
            EXPECT_EQ(rowForFrequency(std::nextafter(low, kInfinity), rate), row);
            EXPECT_EQ(rowForFrequency(std::nextafter(high, 0.0f), rate), row + 1);
            if (static_cast<double>(above) == middle) {
                EXPECT_EQ(rowForFrequency(above, rate), row + 1) << "the exact middle of rows " << row;
                EXPECT_EQ(rowForFrequency(below, rate), row);
            } else {
                EXPECT_EQ(rowForFrequency(below, rate), row) << "just below the middle of rows " << row;
                EXPECT_EQ(rowForFrequency(above, rate), row + 1) << "just above the middle of rows " << row;
            }
        }
    }
}

TEST(FrequencyInHertz, BeyondTheTableTheEndRows) {
    for (const float rate : kRates) {
        EXPECT_EQ(rowForFrequency(std::nextafter(rowFrequencyHz(0, rate), 0.0f), rate), 0);
        EXPECT_EQ(rowForFrequency(0.0f, rate), 0);
        EXPECT_EQ(rowForFrequency(-1000.0f, rate), 0);
        EXPECT_EQ(rowForFrequency(-kInfinity, rate), 0);
        EXPECT_EQ(rowForFrequency(std::nextafter(rowFrequencyHz(kTopFrequencyRow, rate), kInfinity), rate),
                  kTopFrequencyRow);
        EXPECT_EQ(rowForFrequency(rate, rate), kTopFrequencyRow);
        EXPECT_EQ(rowForFrequency(kInfinity, rate), kTopFrequencyRow);
    }
    EXPECT_FALSE(normalizedValue(kParameterFrequency, kNaN, 44100.0f).has_value());
}

TEST(FrequencyInHertz, EveryVstValueIsReachableAndSelectsItsRow) {
    // The VST build's "Freq" over a fine grid of values, its ends and just past them: the
    // frequency it shows, typed into the LV2 control, selects the row the VST value selects.
    for (const float rate : {44100.0f, 48000.0f, 8000.0f, 384000.0f}) {
        constexpr int kSteps = 1 << 14;
        for (int k = -2; k <= kSteps + 2; ++k) {
            const float value = static_cast<float>(k) / kSteps;
            const float shown = vstFrequencyDisplay(value, rate);
            const auto lv2Value = normalizedValue(kParameterFrequency, shown, rate);
            ASSERT_TRUE(lv2Value.has_value());
            ASSERT_EQ(coreRowFor(*lv2Value), coreRowFor(value)) << "value " << value << " at " << rate;
        }
    }
}

TEST(TypeAndCutoff, EveryTypeAndStageCountIsSelectedExactly) {
    for (int type = 0; type < kFilterTypeCount; ++type) {
        EXPECT_EQ(filterTypeFor(typeValue(type)), static_cast<float>(type));
        EXPECT_EQ(typeForNumber(static_cast<float>(type)), type);
    }
    for (int stages = 1; stages <= kMaximumSlopeStages; ++stages) {
        EXPECT_EQ(slopeStagesFor(slopeValue(stages)), static_cast<float>(stages));
        EXPECT_EQ(stagesForSlope(static_cast<float>(12 * stages)), stages);
    }
}

TEST(TypeAndCutoff, OtherNumbersTakeTheNearestAndStayInRange) {
    EXPECT_EQ(typeForNumber(2.49f), 2);
    EXPECT_EQ(typeForNumber(2.5f), 3);
    EXPECT_EQ(typeForNumber(-0.6f), 0);
    EXPECT_EQ(typeForNumber(-kInfinity), 0);
    EXPECT_EQ(typeForNumber(4.6f), 4);
    EXPECT_EQ(typeForNumber(1e30f), 4);
    EXPECT_EQ(typeForNumber(kInfinity), 4);
    EXPECT_EQ(stagesForSlope(17.9f), 1);
    EXPECT_EQ(stagesForSlope(18.0f), 2);
    EXPECT_EQ(stagesForSlope(0.0f), 1);
    EXPECT_EQ(stagesForSlope(-kInfinity), 1);
    EXPECT_EQ(stagesForSlope(1000.0f), 4);
    EXPECT_EQ(stagesForSlope(kInfinity), 4);
    EXPECT_FALSE(normalizedValue(kParameterType, kNaN, 44100.0f).has_value());
    EXPECT_FALSE(normalizedValue(kParameterCutoff, kNaN, 44100.0f).has_value());
}

TEST(TypeAndCutoff, EveryVstValueShownSelectsItsSetting) {
    constexpr int kSteps = 1 << 16;
    for (int k = -4; k <= kSteps + 4; ++k) {
        const float value = static_cast<float>(k) / kSteps;
        FilterProcessor vst;
        vst.setParameter(kParameterType, value);
        vst.setParameter(kParameterCutoff, value);
        const float shownType = shownHostValue(vst, kParameterType, 44100.0f);
        const float shownSlope = shownHostValue(vst, kParameterCutoff, 44100.0f);
        ASSERT_EQ(filterTypeFor(*normalizedValue(kParameterType, shownType, 44100.0f)), vst.filterTypeNumber()) << value;
        ASSERT_EQ(slopeStagesFor(*normalizedValue(kParameterCutoff, shownSlope, 44100.0f)), vst.slopeStageCount())
            << value;
    }
}

TEST(Amounts, AreTheirOwnValuesWithinZeroToOne) {
    for (const ParameterIndex index : {kParameterResonance, kParameterSmoothing, kParameterDryWet}) {
        for (const float value : {0.0f, 1e-30f, 0.05f, 0.1f, 0.5f, 0.999999f, 1.0f}) {
            EXPECT_EQ(*normalizedValue(index, value, 44100.0f), value);
        }
        EXPECT_EQ(*normalizedValue(index, -0.5f, 44100.0f), 0.0f);
        EXPECT_EQ(*normalizedValue(index, -kInfinity, 44100.0f), 0.0f);
        EXPECT_EQ(*normalizedValue(index, 1.5f, 44100.0f), 1.0f);
        EXPECT_EQ(*normalizedValue(index, kInfinity, 44100.0f), 1.0f);
        EXPECT_FALSE(normalizedValue(index, kNaN, 44100.0f).has_value());
    }
}

// The gain a normalized "Level" value gives, as bits.
std::uint32_t gainBits(float value) {
    const float gain = outputLevelFor(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &gain, sizeof bits);
    return bits;
}

// The VST value of the LV2 value the VST value's shown decibels set.
float levelRoundTrip(float value) {
    return levelValueForDecibels(levelDecibels(value));
}

TEST(LevelInDecibels, ZeroDecibelsIsTheVstsHalfAndTheEndsAreSilenceAndTheTop) {
    EXPECT_EQ(levelValueForDecibels(0.0f), 0.5f);
    EXPECT_EQ(levelValueForDecibels(-0.0f), 0.5f);
    EXPECT_EQ(levelDecibels(0.5f), 0.0f);
    EXPECT_EQ(levelValueForDecibels(kLevelFloorDecibels), 0.0f);
    EXPECT_EQ(levelValueForDecibels(-200.0f), 0.0f);
    EXPECT_EQ(levelValueForDecibels(-kInfinity), 0.0f);
    EXPECT_GT(levelValueForDecibels(std::nextafter(kLevelFloorDecibels, 0.0f)), 0.0f);
    EXPECT_EQ(levelValueForDecibels(topLevelDecibels()), 1.0f);
    EXPECT_EQ(levelValueForDecibels(6.5f), 1.0f);
    EXPECT_EQ(levelValueForDecibels(kInfinity), 1.0f);
    EXPECT_LT(levelValueForDecibels(std::nextafter(topLevelDecibels(), 0.0f)), 1.0f);
    EXPECT_FALSE(normalizedValue(kParameterLevel, kNaN, 44100.0f).has_value());
    // Silence shows no decibels; its value is the floor's.
    EXPECT_EQ(levelDecibels(0.0f), -kInfinity);
    // The gain a 24-bit step of 2^-24 gives is louder than the floor.
    EXPECT_GT(levelDecibels(0x1p-24f), kLevelFloorDecibels);
}

TEST(LevelInDecibels, EveryFaderStepOf2ToTheMinus24IsExact) {
    // Every VST value k / 2^24 from 0 to 1: its shown decibels set the very same gain.
    constexpr std::int32_t kSteps = 1 << 24;
    for (std::int32_t k = 0; k <= kSteps; ++k) {
        const float value = static_cast<float>(k) / kSteps;
        if (gainBits(levelRoundTrip(value)) != gainBits(value)) {
            FAIL() << "step " << k << ": value " << value << " shows " << levelDecibels(value) << " dB, which sets "
                   << levelRoundTrip(value);
        }
    }
}

// The smallest VST value whose gain shows at least `decibels`.
float firstValueShowing(float decibels) {
    float value = levelValueForDecibels(decibels);
    while (levelDecibels(value) < decibels) value = std::nextafter(value, 1.0f);
    while (levelDecibels(std::nextafter(value, 0.0f)) >= decibels) value = std::nextafter(value, 0.0f);
    return value;
}

TEST(LevelInDecibels, EveryValueFromMinus8DecibelsUpIsExact) {
    // Above -8 dB a float in decibels is finer than the gains, so every VST value is exact:
    // all floats from the first value whose gain shows -8 dB up to 1.
    const float first = firstValueShowing(-8.0f);
    std::int64_t checked = 0;
    for (float value = first; value <= 1.0f; value = std::nextafter(value, 2.0f), ++checked) {
        if (gainBits(levelRoundTrip(value)) != gainBits(value)) {
            FAIL() << "value " << value << " shows " << levelDecibels(value) << " dB, which sets " << levelRoundTrip(value);
        }
    }
    EXPECT_GT(checked, 20'000'000);
}

TEST(LevelInDecibels, BelowMinus8DecibelsTheShownDecibelsAlwaysComeBack) {
    // Below -8 dB some neighbouring gains share their shown decibels, and only one of each
    // such run can be set. The gain set then still shows the same decibels, and lies next to
    // the VST value's own: a sweep over every 97th float from the floor to -8 dB.
    const float first = firstValueShowing(std::nextafter(kLevelFloorDecibels, 0.0f));
    const float last = firstValueShowing(-8.0f);
    std::int64_t checked = 0, exact = 0;
    std::int32_t farthest = 0;
    for (float value = first; value < last; ++checked) {
        const float back = levelRoundTrip(value);
        ASSERT_EQ(levelDecibels(back), levelDecibels(value)) << "value " << value;
        const std::int32_t apart = std::abs(static_cast<std::int32_t>(gainBits(back) - gainBits(value)));
        farthest = std::max(farthest, apart);
        exact += apart == 0;
        for (int skip = 0; skip < 97; ++skip) value = std::nextafter(value, 1.0f);
    }
    std::printf("below -8 dB: %lld of %lld values exact (%.1f%%), at most %d gains apart\n",
                static_cast<long long>(exact), static_cast<long long>(checked), 100.0 * exact / checked, farthest);
    EXPECT_LT(farthest, 64);
}

}  // namespace
