// SPDX-License-Identifier: MIT
// The parameters' units against the filter's own settings and displays: every value a
// parameter shows selects, as a number or as a text, the very setting it was shown for; a
// number between two settings takes the nearer one (for hertz in pitch) and the lower at the
// exact middle; and the level's decibels come back exactly where the documentation says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "core/filter_processor.h"
#include "core/parameter_rules.h"
#include "core/parameter_units.h"
#include "core/value_text.h"

namespace {

using namespace parameter_units;

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Every rate a host may offer, from telephone to the highest studio rates, and odd ones.
constexpr float kRates[] = {8000.0f,  11025.0f, 16000.0f, 22050.0f,  32000.0f,  44100.0f, 48000.0f,
                            88200.0f, 96000.0f, 176400.0f, 192000.0f, 352800.0f, 384000.0f, 44099.5f};

// The row the filter's main stage targets for a normalized "Freq" value.
int filterRowFor(float value) {
    FilterProcessor processor;
    processor.setParameter(kParameterFrequency, value);
    return processor.stage(0).targetFrequencyIndex();
}

float frequencyShown(float value, float rate) {
    FilterProcessor processor;
    processor.setParameter(kParameterFrequency, value);
    return processor.display(kParameterFrequency, rate)->number;
}

std::int32_t rowSelectedBy(float hertz, float rate) {
    return settingOf(kParameterFrequency, *valueForNumber(kParameterFrequency, hertz, rate));
}

TEST(FrequencyInHertz, EachRowsShownFrequencySelectsThatRowAtEveryRate) {
    for (const float rate : kRates) {
        for (int row = 0; row <= kTopFrequencyRow; ++row) {
            const float value = valueOfSetting(kParameterFrequency, row);
            ASSERT_EQ(filterRowFor(value), row) << "value " << value;
            const float shown = frequencyShown(value, rate);
            ASSERT_EQ(rowFrequencyHz(row, rate), shown) << "row " << row << " at " << rate;
            ASSERT_EQ(rowSelectedBy(shown, rate), row) << "row " << row << " at " << rate;
            ASSERT_EQ(valueForText(kParameterFrequency, *text(kParameterFrequency, value, rate), rate), value);
        }
    }
}

TEST(FrequencyInHertz, BetweenTwoRowsTheNearerInPitchAndTheGeometricMeanGoesDown) {
    for (const float rate : kRates) {
        for (int row = 0; row < kTopFrequencyRow; ++row) {
            const double low = rowFrequencyHz(row, rate);
            const double high = rowFrequencyHz(row + 1, rate);
            const double mean = std::sqrt(low * high);
            // The floats beside the geometric mean, by the exact test the rule makes.
            float below = static_cast<float>(mean);
            while (static_cast<double>(below) * below > low * high) below = std::nextafter(below, 0.0f);
            const float above = std::nextafter(below, kInfinity);
            ASSERT_EQ(rowSelectedBy(std::nextafter(static_cast<float>(low), kInfinity), rate), row);
            ASSERT_EQ(rowSelectedBy(std::nextafter(static_cast<float>(high), 0.0f), rate), row + 1);
            ASSERT_EQ(rowSelectedBy(below, rate), row) << "at or below the mean of rows " << row << " at " << rate;
            ASSERT_EQ(rowSelectedBy(above, rate), row + 1) << "above the mean of rows " << row << " at " << rate;
            // Nearer the upper row in pitch, nearer the lower one in hertz: the upper one.
            const float between = static_cast<float>((mean + (low + high) / 2.0) / 2.0);
            ASSERT_EQ(rowSelectedBy(between, rate), row + 1) << "rows " << row << " at " << rate;
        }
    }
    // Between rows 17 and 18 at 44.1 kHz, nearer row 17 in hertz and row 18 in pitch.
    EXPECT_LT(1906.7f - rowFrequencyHz(17, 44100.0f), rowFrequencyHz(18, 44100.0f) - 1906.7f);
    EXPECT_EQ(rowForFrequency(1906.7f, 44100.0f), 18);
}

TEST(FrequencyInHertz, BeyondTheTableTheEndRows) {
    for (const float rate : kRates) {
        EXPECT_EQ(rowSelectedBy(std::nextafter(rowFrequencyHz(0, rate), 0.0f), rate), 0);
        EXPECT_EQ(rowSelectedBy(0.0f, rate), 0);
        EXPECT_EQ(rowSelectedBy(-1000.0f, rate), 0);
        EXPECT_EQ(rowSelectedBy(-kInfinity, rate), 0);
        EXPECT_EQ(rowSelectedBy(std::nextafter(rowFrequencyHz(kTopFrequencyRow, rate), kInfinity), rate),
                  kTopFrequencyRow);
        EXPECT_EQ(rowSelectedBy(rate, rate), kTopFrequencyRow);
        EXPECT_EQ(rowSelectedBy(kInfinity, rate), kTopFrequencyRow);
    }
    EXPECT_FALSE(valueForNumber(kParameterFrequency, kNaN, 44100.0f).has_value());
}

TEST(FrequencyInHertz, EveryValueIsReachableAndItsShownFrequencySelectsItsRow) {
    for (const float rate : {44100.0f, 48000.0f, 8000.0f, 384000.0f}) {
        constexpr int kSteps = 1 << 14;
        for (int k = -2; k <= kSteps + 2; ++k) {
            const float value = static_cast<float>(k) / kSteps;
            ASSERT_EQ(rowSelectedBy(frequencyShown(value, rate), rate), filterRowFor(value)) << value << " at " << rate;
        }
    }
}

// Each stepped parameter's settings: the value of a setting selects it in the filter, and
// settingOf says which setting any value selects.
TEST(Settings, EachSettingsValueSelectsItAsTheFilterDoes) {
    EXPECT_EQ(settingCount(kParameterFrequency), 80);
    EXPECT_EQ(settingCount(kParameterResonance), 21);
    EXPECT_EQ(settingCount(kParameterType), 5);
    EXPECT_EQ(settingCount(kParameterCutoff), 4);
    for (const std::int32_t continuous : {std::int32_t{kParameterSmoothing}, std::int32_t{kParameterDryWet},
                                          std::int32_t{kParameterLevel}, std::int32_t{kParameterCount}, -1}) {
        EXPECT_EQ(settingCount(continuous), 0);
        EXPECT_EQ(settingOf(continuous, 0.5f), -1);
        EXPECT_TRUE(std::isnan(valueOfSetting(continuous, 0)));
    }
    // What the filter makes of a value: its row, its resonance step (+1, 0 is off), its type,
    // its stage count - 1.
    const auto filterSetting = [](std::int32_t index, float value) {
        FilterProcessor processor;
        processor.setParameter(index, value);
        switch (index) {
            case kParameterFrequency: return static_cast<int>(processor.stage(0).targetFrequencyIndex());
            case kParameterResonance: return static_cast<int>(processor.stage(0).targetResonanceIndex()) + 1;
            case kParameterType: return static_cast<int>(processor.filterTypeNumber());
            default: return static_cast<int>(processor.slopeStageCount()) - 1;
        }
    };
    for (const std::int32_t index : {kParameterFrequency, kParameterResonance, kParameterType, kParameterCutoff}) {
        for (int setting = 0; setting < settingCount(index); ++setting) {
            const float value = valueOfSetting(index, setting);
            ASSERT_GE(value, 0.0f);
            ASSERT_LE(value, 1.0f);
            ASSERT_EQ(filterSetting(index, value), setting) << index << ": " << setting;
        }
        EXPECT_EQ(valueOfSetting(index, -3), valueOfSetting(index, 0));
        EXPECT_EQ(valueOfSetting(index, 1000), valueOfSetting(index, settingCount(index) - 1));
        for (int k = -3; k <= 4099; ++k) {
            const float value = static_cast<float>(k) / 4096.0f;
            ASSERT_EQ(settingOf(index, value), filterSetting(index, value)) << index << ": " << value;
        }
    }
    EXPECT_EQ(valueOfSetting(kParameterFrequency, 0), 0.0f);
    EXPECT_EQ(valueOfSetting(kParameterFrequency, kTopFrequencyRow), 1.0f);
    EXPECT_EQ(valueOfSetting(kParameterResonance, 0), 0.0f);
    EXPECT_EQ(valueOfSetting(kParameterResonance, 20), 1.0f);
    EXPECT_EQ(valueOfSetting(kParameterType, 3), 0.75f);
}

TEST(TypeAndCutoff, NumbersTakeTheNearestChoiceAndTheLowerAtTheMiddle) {
    const auto type = [](float number) {
        return settingOf(kParameterType, *valueForNumber(kParameterType, number, 44100.0f));
    };
    const auto stages = [](float slope) {
        return 1 + settingOf(kParameterCutoff, *valueForNumber(kParameterCutoff, slope, 44100.0f));
    };
    for (int k = 0; k < kFilterTypeCount; ++k) EXPECT_EQ(type(static_cast<float>(k)), k);
    EXPECT_EQ(type(2.49f), 2);
    EXPECT_EQ(type(2.5f), 2);
    EXPECT_EQ(type(2.51f), 3);
    EXPECT_EQ(type(-0.6f), 0);
    EXPECT_EQ(type(-kInfinity), 0);
    EXPECT_EQ(type(4.6f), 4);
    EXPECT_EQ(type(kInfinity), 4);
    for (int k = 1; k <= kMaximumSlopeStages; ++k) EXPECT_EQ(stages(12.0f * k), k);
    EXPECT_EQ(stages(17.9f), 1);
    EXPECT_EQ(stages(18.0f), 1);
    EXPECT_EQ(stages(18.01f), 2);
    EXPECT_EQ(stages(30.0f), 2);
    EXPECT_EQ(stages(0.0f), 1);
    EXPECT_EQ(stages(1000.0f), 4);
    EXPECT_EQ(stages(kInfinity), 4);
    EXPECT_FALSE(valueForNumber(kParameterType, kNaN, 44100.0f).has_value());
    EXPECT_FALSE(valueForNumber(kParameterCutoff, kNaN, 44100.0f).has_value());
    EXPECT_EQ(choiceLabel(kParameterType, 1), "HighPass");
    EXPECT_EQ(choiceLabel(kParameterCutoff, 3), "48 dB/Oct");
    EXPECT_FALSE(choiceLabel(kParameterCutoff, 4).has_value());
    EXPECT_FALSE(choiceLabel(kParameterFrequency, 0).has_value());
}

TEST(Amounts, AreTheirOwnValuesWithinZeroToOne) {
    for (const ParameterIndex index : {kParameterResonance, kParameterSmoothing, kParameterDryWet}) {
        for (const float value : {0.0f, 1e-30f, 0.05f, 0.1f, 0.5f, 0.999999f, 1.0f}) {
            EXPECT_EQ(*valueForNumber(index, value, 44100.0f), value);
            EXPECT_EQ(shownNumber(index, value, 44100.0f), value);
        }
        EXPECT_EQ(*valueForNumber(index, -0.5f, 44100.0f), 0.0f);
        EXPECT_EQ(*valueForNumber(index, -kInfinity, 44100.0f), 0.0f);
        EXPECT_EQ(*valueForNumber(index, 1.5f, 44100.0f), 1.0f);
        EXPECT_EQ(*valueForNumber(index, kInfinity, 44100.0f), 1.0f);
        EXPECT_FALSE(valueForNumber(index, kNaN, 44100.0f).has_value());
    }
    EXPECT_FALSE(valueForNumber(kParameterCount, 0.5f, 44100.0f).has_value());
    EXPECT_TRUE(std::isnan(shownNumber(-1, 0.5f, 44100.0f)));
}

// Texts: every text shown, typed back, selects a value showing the same text, for every
// parameter at the ends, the level's last values below 0 dB ("-0.00000 dB"), the stage
// counts' boundaries and values all over the range.
TEST(Texts, EveryShownTextComesBackAsAValueShowingIt) {
    std::vector<float> values = {0.0f, 1.0f, 1e-45f, std::nextafter(1.0f, 0.0f), 0.5f, std::nextafter(0.5f, 0.0f),
                                 1.0f / 6.0f, 0.5f / 79.0f};
    for (int i = 0; i <= 400; ++i) values.push_back(static_cast<float>(i) / 400.0f);
    std::uint32_t state = 12345;
    for (int i = 0; i < 200; ++i) {
        state = state * 1664525u + 1013904223u;
        values.push_back(static_cast<float>(state >> 8) / 16777216.0f);
    }
    for (const float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (std::int32_t index = 0; index < kParameterCount; ++index) {
            for (const float value : values) {
                const std::string shown = *text(index, value, rate);
                const std::optional<float> typed = valueForText(index, shown, rate);
                ASSERT_TRUE(typed.has_value()) << index << ": " << shown;
                ASSERT_GE(*typed, 0.0f);
                ASSERT_LE(*typed, 1.0f);
                ASSERT_EQ(*text(index, *typed, rate), shown) << index << " from " << value << " at " << rate;
            }
        }
    }
}

TEST(Texts, TypedTextsAndTheirUnits) {
    struct Typed {
        std::int32_t index;
        const char* typed;
        const char* shown;
    };
    const Typed accepted[] = {
        {0, "5101.878", "5101.878 Hz"}, {0, " 5101.878hz ", "5101.878 Hz"}, {0, "5.1 kHz", "5101.878 Hz"},
        {0, "5000", "4911.119 Hz"},     {0, "0", "334.3359 Hz"},            {0, "1e9", "18563.55 Hz"},
        {0, "5006", "5101.878 Hz"},  // above the rows' geometric mean, below their arithmetic one
        {0, "inf Hz", "18563.55 Hz"},   {1, "+0.5", "0.500000 amount"},     {2, "0.25 AMOUNT", "0.250000 amount"},
        {3, "highpass", "HighPass"},    {3, " THRU", "Thru"},               {4, "24 dB/Oct", "24 dB/Oct"},
        {4, "24", "24 dB/Oct"},         {4, "29", "24 dB/Oct"},             {4, "1000", "48 dB/Oct"},
        {4, "18", "12 dB/Oct"},         {5, "0.7 mix", "0.700000 mix"},     {5, "2", "1.000000 mix"},
        {5, "-1", "0.000000 mix"},      {6, "0 dB", "0.000000 dB"},         {6, "-inf", "-\xE2\x88\x9E dB"},
        {6, "-\xE2\x88\x9E dB", "-\xE2\x88\x9E dB"}, {6, "-20", "-20.0000 dB"}, {6, "100 dB", "6.020599 dB"},
    };
    for (const Typed& t : accepted) {
        const std::optional<float> value = valueForText(t.index, t.typed, 44100.0f);
        ASSERT_TRUE(value.has_value()) << t.typed;
        EXPECT_EQ(text(t.index, *value, 44100.0f), t.shown) << t.typed;
    }
    EXPECT_EQ(valueForText(kParameterLevel, "0 dB", 44100.0f), 0.5f);
    const std::pair<std::int32_t, const char*> refused[] = {
        {0, "12 dB"}, {6, "abc"}, {6, ""}, {6, "nan"}, {3, "LowPas"}, {3, "0"}, {1, "0,5"}, {6, "--3"},
        {6, "3 dB extra"}, {4, "dB/Oct"}, {0, "5 kHzz"}, {7, "0.5"}, {-1, "0.5"}};
    for (const auto& [index, typed] : refused) EXPECT_FALSE(valueForText(index, typed, 44100.0f).has_value()) << typed;
    EXPECT_FALSE(text(kParameterCount, 0.5f, 44100.0f).has_value());
}

// The sweeps below visit every value natively; builds under an emulator or a sanitizer visit
// every n-th.
constexpr std::int32_t kSweepStride = BRAMSOLIKET_SWEEP_STRIDE;
static_assert(kSweepStride >= 1);

// The float `count` floats above a positive finite `value` (its bits counted up: a call of
// nextafter for each step took most of the sweeps' time).
float floatsAbove(float value, std::uint32_t count) {
    return std::bit_cast<float>(std::bit_cast<std::uint32_t>(value) + count);
}

// The gain a normalized "Level" value gives, as bits.
std::uint32_t gainBits(float value) {
    const float gain = outputLevelFor(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &gain, sizeof bits);
    return bits;
}

float levelDecibels(float value) { return shownNumber(kParameterLevel, value, 44100.0f); }
float levelValueForDecibels(float decibels) { return *valueForNumber(kParameterLevel, decibels, 44100.0f); }

// The value the decibels a value shows set.
float levelRoundTrip(float value) {
    return levelValueForDecibels(levelDecibels(value));
}

TEST(LevelInDecibels, ZeroDecibelsIsHalfAndTheEndsAreSilenceAndTheTop) {
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
    EXPECT_FALSE(valueForNumber(kParameterLevel, kNaN, 44100.0f).has_value());
    // Silence shows no decibels.
    EXPECT_EQ(levelDecibels(0.0f), -kInfinity);
    // The gain a 24-bit step of 2^-24 gives is louder than the floor.
    EXPECT_GT(levelDecibels(0x1p-24f), kLevelFloorDecibels);
}

TEST(LevelInDecibels, EveryFaderStepOf2ToTheMinus24IsExact) {
    // Every value k / 2^24 from 0 to 1 (the last one, 1, visited by every stride): its
    // shown decibels set the very same gain.
    constexpr std::int32_t kSteps = 1 << 24;
    for (std::int32_t k = 0;; k = std::min(k + kSweepStride, kSteps)) {
        const float value = static_cast<float>(k) / kSteps;
        if (gainBits(levelRoundTrip(value)) != gainBits(value)) {
            FAIL() << "step " << k << ": value " << value << " shows " << levelDecibels(value) << " dB, which sets "
                   << levelRoundTrip(value);
        }
        if (k == kSteps) break;
    }
}

// The smallest value whose gain shows at least `decibels`.
float firstValueShowing(float decibels) {
    float value = levelValueForDecibels(decibels);
    while (levelDecibels(value) < decibels) value = std::nextafter(value, 1.0f);
    while (levelDecibels(std::nextafter(value, 0.0f)) >= decibels) value = std::nextafter(value, 0.0f);
    return value;
}

TEST(LevelInDecibels, EveryValueFromMinus8DecibelsUpIsExact) {
    // Above -8 dB a float in decibels is finer than the gains, so every value is exact: all
    // floats from the first value whose gain shows -8 dB up to 1.
    const float first = firstValueShowing(-8.0f);
    std::int64_t checked = 0;
    for (float value = first; value <= 1.0f; ++checked) {
        if (gainBits(levelRoundTrip(value)) != gainBits(value)) {
            FAIL() << "value " << value << " shows " << levelDecibels(value) << " dB, which sets " << levelRoundTrip(value);
        }
        value = floatsAbove(value, kSweepStride);
    }
    EXPECT_GT(checked, 20'000'000 / kSweepStride);
}

TEST(LevelInDecibels, BelowMinus8DecibelsTheShownDecibelsAlwaysComeBack) {
    // Below -8 dB some neighbouring gains share their shown decibels, and only one of each
    // such run can be set. The gain set then still shows the same decibels, and lies next to
    // the value's own: a sweep over every 97th float from the floor to -8 dB.
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
        value = floatsAbove(value, 97 * kSweepStride);
    }
    std::printf("below -8 dB: %lld of %lld values exact (%.1f%%), at most %d gains apart\n",
                static_cast<long long>(exact), static_cast<long long>(checked), 100.0 * exact / checked, farthest);
    EXPECT_LT(farthest, 64);
}

}  // namespace
