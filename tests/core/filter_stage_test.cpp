// SPDX-License-Identifier: MIT
// One filter stage: its construction, targets, types, gains, per-sample output bit for bit,
// the limiter, the flushing of bad state values, names and displayed frequency.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/coefficient_tables.h"
#include "core/filter_stage.h"
#include "support/reference_model.h"
#include "support/stage_rows.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using Coefficients = FilterStage::Coefficients;
using testing_support::frequencyOfRow;
using testing_support::passRow;
using testing_support::resonanceOfStep;
using testing_support::resonanceRow;


// Every processed sample of a gliding stage moves the shared counters.
struct StageTest : testing::Test {
    void SetUp() override {
        frequencyStepCounter.store(0.0f);
        resonanceStepCounter.store(0.0f);
    }
    std::vector<float> run(const std::vector<float>& inputs) {
        std::vector<float> outputs;
        for (float x : inputs) {
            outputs.push_back(stage.processSample(x));
        }
        return outputs;
    }
    void giveHistory() {
        run({1.0f, -0.5f, 0.25f});
        ASSERT_NE(stage.mainState1(), 0.0f);
    }
    FilterStage stage;
};

// --- Construction ---------------------------------------------------------------------------

TEST_F(StageTest, FreshStageIsLowPassRow19WithoutResonance) {
    EXPECT_EQ(stage.type(), kTypeLowPass);
    EXPECT_EQ(stage.frequencyIndex(), 19);
    EXPECT_EQ(stage.targetFrequencyIndex(), 19);
    EXPECT_EQ(stage.resonanceIndex(), -1);
    EXPECT_EQ(stage.targetResonanceIndex(), -1);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::lowPassRows, 19));
    EXPECT_EQ(stage.mainGain(), 1.0f);
    EXPECT_EQ(stage.resonanceGain(), 0.0f);
    EXPECT_EQ(stage.level(), 1.0f);
    EXPECT_EQ(stage.smoothingSteps(), 400);
    EXPECT_EQ(stage.frequency(), 0.25f);
    EXPECT_EQ(stage.resonance(), 0.0f);
    EXPECT_EQ(stage.mainState1(), 0.0f);
    EXPECT_EQ(stage.mainState2(), 0.0f);
    EXPECT_EQ(stage.resonanceState1(), 0.0f);
    EXPECT_EQ(stage.resonanceState2(), 0.0f);
}

// --- Output sequences, bit for bit ------------------------------------------------------------

TEST_F(StageTest, FreshStageImpulseResponse) {
    const std::vector<float> expected{0.0206198674f, 0.0750989765f, 0.12899746f,
                                      0.157409877f,  0.165012971f,  0.156911612f};
    EXPECT_EQ(run({1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}), expected);
}

TEST_F(StageTest, ResonantTypeImpulseResponse) {
    stage.setTarget(0.25f, 1.0f);
    stage.setType(kTypeResonant);
    EXPECT_EQ(stage.resonanceIndex(), 19);
    EXPECT_EQ(stage.resonanceGain(), 38.0f);
    EXPECT_EQ(stage.resonanceCoefficients(), resonanceRow(19, 19));
    const std::vector<float> expected{0.77354908f, 0.358616829f, 0.307732701f, 0.230727464f};
    const std::vector<float> outputs = run({1.0f, 0.0f, 0.0f, 0.0f});
    EXPECT_EQ(outputs, expected);
    const float b0 = CoefficientTables::resonanceRow(19, 19)[0];
    const float peak = static_cast<float>(1.0 + static_cast<float>(38.0 * b0));
    EXPECT_EQ(outputs[0], softLimit(peak));
}

// With zero history and unit gains a first input of 1.0 answers b0 of the current row, as
// long as b0 is small enough to pass the limiter untouched.
struct FirstSampleCase {
    std::int32_t type;
    const float* table;
    int row;
};

class FirstSample : public StageTest, public testing::WithParamInterface<FirstSampleCase> {};

TEST_P(FirstSample, AnswersB0) {
    const FirstSampleCase& c = GetParam();
    stage.setType(c.type);
    stage.jumpToTarget(frequencyOfRow(c.row), 0.0f);
    stage.clearHistory();
    ASSERT_EQ(stage.frequencyIndex(), c.row);
    const float b0 = CoefficientTables::passRow(c.table, c.row)[0];
    ASSERT_LE(b0, 0.5f);
    EXPECT_EQ(stage.processSample(1.0f), b0);
}

INSTANTIATE_TEST_SUITE_P(PassTypes, FirstSample,
                         testing::Values(FirstSampleCase{0, CoefficientTables::lowPassRows, 0},
                                         FirstSampleCase{0, CoefficientTables::lowPassRows, 40},
                                         FirstSampleCase{0, CoefficientTables::lowPassRows, 55},
                                         FirstSampleCase{1, CoefficientTables::highPassRows, 79},
                                         FirstSampleCase{1, CoefficientTables::highPassRows, 70},
                                         FirstSampleCase{2, CoefficientTables::bandPassRows, 0},
                                         FirstSampleCase{2, CoefficientTables::bandPassRows, 40}));

// --- setTarget -------------------------------------------------------------------------------

struct TargetCase {
    float frequency, resonance;
    std::int32_t frequencyIndex, resonanceIndex;
};

void PrintTo(const TargetCase& c, std::ostream* os) { *os << "(" << c.frequency << ", " << c.resonance << ")"; }

class SetTarget : public StageTest, public testing::WithParamInterface<TargetCase> {};

TEST_P(SetTarget, GivesTargetIndicesAndChangesNothingElse) {
    const TargetCase& c = GetParam();
    giveHistory();
    const float state1 = stage.mainState1(), state2 = stage.mainState2();
    const Coefficients coefficients = stage.mainCoefficients();
    stage.setTarget(c.frequency, c.resonance);
    EXPECT_EQ(stage.targetFrequencyIndex(), c.frequencyIndex);
    EXPECT_EQ(stage.targetResonanceIndex(), c.resonanceIndex);
    const float storedFrequency = stage.frequency(), storedResonance = stage.resonance();
    EXPECT_EQ(std::memcmp(&storedFrequency, &c.frequency, sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(&storedResonance, &c.resonance, sizeof(float)), 0);
    EXPECT_EQ(stage.frequencyIndex(), 19);
    EXPECT_EQ(stage.resonanceIndex(), -1);
    EXPECT_EQ(stage.mainCoefficients(), coefficients);
    EXPECT_EQ(stage.mainGain(), 1.0f);
    EXPECT_EQ(stage.resonanceGain(), 0.0f);
    EXPECT_EQ(stage.mainState1(), state1);
    EXPECT_EQ(stage.mainState2(), state2);
}

INSTANTIATE_TEST_SUITE_P(Examples, SetTarget,
                         testing::Values(TargetCase{0.5f, 0.0f, 39, -1}, TargetCase{1.0f, 1.0f, 79, 19},
                                         TargetCase{0.0f, 0.0f, 0, -1}, TargetCase{0.25f, 0.04f, 19, -1},
                                         TargetCase{0.25f, 0.05f, 19, 0}, TargetCase{0.25f, 0.1f, 19, 1},
                                         TargetCase{0.999f, 0.999f, 78, 18}));

INSTANTIATE_TEST_SUITE_P(OutOfRange, SetTarget,
                         testing::Values(TargetCase{-0.5f, -1.0f, 0, -1}, TargetCase{-0.0f, -0.0f, 0, -1},
                                         TargetCase{1.5f, 2.0f, 79, 19}, TargetCase{1e30f, 1e30f, 79, 19},
                                         TargetCase{-1e30f, -1e30f, 0, -1}, TargetCase{kInf, kInf, 79, 19},
                                         TargetCase{-kInf, -kInf, 0, -1}, TargetCase{kNaN, kNaN, 79, 19},
                                         TargetCase{-kNaN, 0.5f, 79, 9}));

// --- Gains -------------------------------------------------------------------------------------

struct GainCase {
    std::int32_t type;
    float resonance;
    float mainGain, resonanceGain;
};

class Gains : public StageTest, public testing::WithParamInterface<GainCase> {};

TEST_P(Gains, FollowTheResonanceStep) {
    const GainCase& c = GetParam();
    stage.setType(c.type == 0 ? 1 : 0);
    stage.setTarget(0.25f, c.resonance);
    stage.setType(c.type);
    EXPECT_EQ(stage.mainGain(), c.mainGain);
    EXPECT_EQ(stage.resonanceGain(), c.resonanceGain);
}

// mainGain = rnd((1 - q 0.6f) typeGain), resonanceGain = rnd(40 q), q = rnd(step / 20).
INSTANTIATE_TEST_SUITE_P(
    Steps, Gains,
    testing::Values(GainCase{0, 0.0f, 1.0f, 0.0f}, GainCase{0, 0.05f, 1.0f, 0.0f},
                    GainCase{1, 0.5f, static_cast<float>(1.0 - 0.45f * static_cast<double>(0.6f)), 18.0f},
                    GainCase{2, 1.0f, static_cast<float>(1.0 - 0.95f * static_cast<double>(0.6f)), 38.0f},
                    GainCase{3, 1.0f, 0.0f, 38.0f}, GainCase{3, 0.0f, 0.0f, 0.0f}, GainCase{4, 1.0f, 0.0f, 38.0f}));

TEST_F(StageTest, ResonanceStepZeroRunsTheResonanceFilterWithWeightZero) {
    FilterStage plain;
    stage.jumpToTarget(0.25f, 0.05f);
    ASSERT_EQ(stage.resonanceIndex(), 0);
    EXPECT_EQ(stage.resonanceCoefficients(), resonanceRow(19, 0));
    EXPECT_EQ(stage.resonanceGain(), 0.0f);
    EXPECT_EQ(stage.mainGain(), 1.0f);
    for (float x : {1.0f, 0.3f, -0.2f, 0.0f}) {
        EXPECT_EQ(stage.processSample(x), plain.processSample(x));
    }
    EXPECT_NE(stage.resonanceState1(), 0.0f);
}

// --- Types -------------------------------------------------------------------------------------

TEST_F(StageTest, ThruScalesByLevelAndTouchesNothing) {
    stage.setType(kTypeThru);
    stage.setLevel(0.5f);
    stage.setTarget(0.9f, 0.7f);  // pending glides that must not run
    frequencyStepCounter.store(0.0f);
    resonanceStepCounter.store(0.0f);
    for (float x : {1.0f, -3.0f, 1e30f, 0.1f}) {
        EXPECT_EQ(stage.processSample(x), static_cast<float>(0.5 * static_cast<double>(x)));
    }
    EXPECT_EQ(stage.processSample(kInf), kInf);
    EXPECT_TRUE(std::isnan(stage.processSample(kNaN)));
    EXPECT_EQ(stage.frequencyIndex(), 19);
    EXPECT_EQ(stage.resonanceIndex(), -1);
    EXPECT_EQ(frequencyStepCounter.load(), 0.0f);
    EXPECT_EQ(resonanceStepCounter.load(), 0.0f);
    EXPECT_EQ(stage.mainState1(), 0.0f);
    EXPECT_EQ(stage.resonanceState1(), 0.0f);
}

TEST_F(StageTest, ResonantWithoutResonanceIsTheLimitedInput) {
    stage.setType(kTypeResonant);
    stage.setLevel(2.0f);
    for (float x : {0.1f, 0.3f, -0.4f, 1.7f}) {
        EXPECT_EQ(stage.processSample(x), softLimit(static_cast<float>(static_cast<double>(x) * 2.0)));
    }
}

TEST_F(StageTest, ResonantAndThruLoadNoPassRow) {
    stage.setType(kTypeHighPass);
    stage.setTarget(0.75f, 0.0f);
    stage.setType(kTypeResonant);
    EXPECT_EQ(stage.frequencyIndex(), 59);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::highPassRows, 19));
    stage.setTarget(0.5f, 0.0f);
    stage.setType(kTypeThru);
    EXPECT_EQ(stage.frequencyIndex(), 39);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::highPassRows, 19));
}

TEST_F(StageTest, UnknownTypeRunsTheLastCoefficientsLoaded) {
    stage.setType(kTypeHighPass);
    stage.setTarget(0.75f, 0.0f);
    stage.setType(7);
    EXPECT_EQ(stage.frequencyIndex(), 59);
    EXPECT_EQ(stage.typeGain(), 1.0f);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::highPassRows, 19));
    EXPECT_EQ(stage.processSample(1.0f), softLimit(CoefficientTables::passRow(CoefficientTables::highPassRows, 19)[0]));
}

TEST_F(StageTest, NewTypeClearsHistoryAndEndsTheGlide) {
    giveHistory();
    stage.jumpToTarget(0.25f, 0.3f);
    stage.processSample(0.5f);
    stage.setTarget(0.9f, 0.8f);
    stage.setType(kTypeBandPass);
    EXPECT_EQ(stage.mainState1(), 0.0f);
    EXPECT_EQ(stage.mainState2(), 0.0f);
    EXPECT_EQ(stage.resonanceState1(), 0.0f);
    EXPECT_EQ(stage.resonanceState2(), 0.0f);
    EXPECT_EQ(stage.frequencyIndex(), 71);
    EXPECT_EQ(stage.resonanceIndex(), 15);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::bandPassRows, 71));
    EXPECT_EQ(stage.resonanceCoefficients(), resonanceRow(71, 15));
}

TEST_F(StageTest, SameTypeKeepsHistoryAndGlide) {
    giveHistory();
    const float state1 = stage.mainState1(), state2 = stage.mainState2();
    stage.setTarget(0.9f, 0.0f);
    stage.setType(kTypeLowPass);
    EXPECT_EQ(stage.mainState1(), state1);
    EXPECT_EQ(stage.mainState2(), state2);
    EXPECT_EQ(stage.frequencyIndex(), 19);
    EXPECT_EQ(stage.targetFrequencyIndex(), 71);
}

TEST_F(StageTest, ClearHistoryClearsOnlyTheStateWords) {
    stage.jumpToTarget(0.5f, 0.5f);
    run({1.0f, 0.5f});
    stage.clearHistory();
    EXPECT_EQ(stage.mainState1(), 0.0f);
    EXPECT_EQ(stage.mainState2(), 0.0f);
    EXPECT_EQ(stage.resonanceState1(), 0.0f);
    EXPECT_EQ(stage.resonanceState2(), 0.0f);
    EXPECT_EQ(stage.frequencyIndex(), 39);
    EXPECT_EQ(stage.resonanceIndex(), 9);
    EXPECT_EQ(stage.resonanceGain(), 18.0f);
}

// --- Bad input samples ----------------------------------------------------------------------

TEST_F(StageTest, NaNInputLeavesTheMainStateAtZero) {
    giveHistory();
    EXPECT_EQ(stage.processSample(kNaN), 0.0f);
    EXPECT_EQ(stage.mainState1(), 0.0f);
    EXPECT_EQ(stage.mainState2(), 0.0f);
}

class InfiniteInput : public StageTest, public testing::WithParamInterface<std::int32_t> {};

// An infinite sample must not leave infinity in the state, where inf - inf would turn into NaN
// on every later sample.
TEST_P(InfiniteInput, OutputIsFiniteFromTheNextSampleOn) {
    stage.setTarget(0.6f, 0.5f);
    stage.setType(kTypeBandPass);  // a new type first, so every type sees a jump
    stage.setType(GetParam());
    for (float bad : {kInf, -kInf}) {
        run({0.5f, -0.25f});
        stage.processSample(bad);
        for (int n = 0; n < 200; ++n) {
            const float y = stage.processSample(n % 3 == 0 ? 0.4f : -0.1f);
            ASSERT_TRUE(std::isfinite(y)) << "sample " << n << " after " << bad;
        }
        EXPECT_TRUE(std::isfinite(stage.mainState1()) && std::isfinite(stage.mainState2()));
        EXPECT_TRUE(std::isfinite(stage.resonanceState1()) && std::isfinite(stage.resonanceState2()));
    }
}

INSTANTIATE_TEST_SUITE_P(FilteringTypes, InfiniteInput, testing::Values(0, 1, 2, 3));

// --- flushToZero and softLimit ------------------------------------------------------------------

TEST(FlushToZero, KeepsFiniteValuesFromTheThresholdUp) {
    const float threshold = 1e-10f;
    for (float kept : {threshold, -threshold, 1.0f, -0.5f, 3.0e38f, -std::numeric_limits<float>::max()}) {
        EXPECT_EQ(flushToZero(kept), kept);
    }
    for (float flushed : {std::nextafter(threshold, 0.0f), -std::nextafter(threshold, 0.0f), 1e-30f,
                          std::numeric_limits<float>::denorm_min(), 0.0f, -0.0f, kNaN, -kNaN, kInf, -kInf}) {
        const float result = flushToZero(flushed);
        EXPECT_EQ(result, 0.0f) << flushed;
        EXPECT_FALSE(std::signbit(result)) << flushed;
    }
}

// The kernel tests its values on their bits; the rules speak of magnitudes. Over a sweep of
// every sign, exponent and a spread of significands, and every value within 4096 steps of the
// points where the answer changes, both give the same bits (NaN in, NaN out for the limiter).
TEST(FlushAndLimit, SameBitsAsTheRulesOverTheWholeRange) {
    std::vector<std::uint32_t> patterns;
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 4093) patterns.push_back(static_cast<std::uint32_t>(bits));
    for (const float edge : {0.0f, 1e-10f, 0.5f, 1062.0f, std::numeric_limits<float>::max(), kInf}) {
        for (const std::uint32_t sign : {0u, 0x80000000u}) {
            const std::uint32_t center = std::bit_cast<std::uint32_t>(edge) | sign;
            for (std::uint32_t offset = 0; offset <= 4096; ++offset) {
                patterns.push_back(center + offset);
                patterns.push_back(center - offset);
            }
        }
    }
    int mismatches = 0;
    for (const std::uint32_t bits : patterns) {
        const float value = std::bit_cast<float>(bits);
        const float flushed = flushToZero(value), expectedFlush = reference::flushToZero(value);
        const float limited = softLimit(value), expectedLimit = reference::softLimit(value);
        const bool flushSame = std::bit_cast<std::uint32_t>(flushed) == std::bit_cast<std::uint32_t>(expectedFlush);
        const bool limitSame = std::isnan(expectedLimit)
                                   ? std::isnan(limited)
                                   : std::bit_cast<std::uint32_t>(limited) == std::bit_cast<std::uint32_t>(expectedLimit);
        if ((!flushSame || !limitSame) && ++mismatches <= 5) {
            ADD_FAILURE() << std::hex << "bits 0x" << bits << ": flush " << flushed << " vs " << expectedFlush
                          << ", limit " << limited << " vs " << expectedLimit;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct LimitCase {
    float input, output;
};

class SoftLimit : public testing::TestWithParam<LimitCase> {};

TEST_P(SoftLimit, BendsLargeMagnitudesKeepingTheSign) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(softLimit(c.input), c.output);
    EXPECT_EQ(softLimit(-c.input), -c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SoftLimit,
    testing::Values(LimitCase{0.0f, 0.0f}, LimitCase{0.3f, 0.3f}, LimitCase{0.5f, 0.5f}, LimitCase{0.6f, 0.55f},
                    LimitCase{0.75f, 0.625f}, LimitCase{1.0f, 0.75f}, LimitCase{1.5f, 0.8125f}, LimitCase{2.0f, 0.875f},
                    LimitCase{4.0f, 0.90625f}, LimitCase{10.0f, 0.94140625f}, LimitCase{100.0f, 0.97064208984375f},
                    LimitCase{1000.0f, 0.99810791015625f}, LimitCase{1062.0f, 1.0f}, LimitCase{1e6f, 1.0f},
                    LimitCase{3e38f, 1.0f}));

TEST(SoftLimitEdges, RisesMonotonicallyAndSaturatesAtOne) {
    float previous = 0.0f;
    for (float x = 0.0f; x < 1100.0f; x += 0.25f) {
        const float y = softLimit(x);
        EXPECT_GE(y, previous) << x;
        EXPECT_LE(y, 1.0f) << x;
        previous = y;
    }
    EXPECT_LT(softLimit(1000.0f), 1.0f);
}

// Infinity is limited like every magnitude beyond about 1062, to full scale; only a NaN,
// which has no magnitude, stays NaN.
TEST(SoftLimitEdges, InfinityGivesFullScaleAndNotANumberStays) {
    EXPECT_EQ(softLimit(kInf), 1.0f);
    EXPECT_EQ(softLimit(-kInf), -1.0f);
    EXPECT_EQ(softLimit(std::numeric_limits<float>::max()), 1.0f);
    EXPECT_EQ(softLimit(-std::numeric_limits<float>::max()), -1.0f);
    EXPECT_TRUE(std::isnan(softLimit(kNaN)));
    EXPECT_TRUE(std::isnan(softLimit(-kNaN)));
}

// --- Names and the displayed frequency ---------------------------------------------------------

struct NameCase {
    std::int32_t type;
    const char* name;
};

class TypeName : public StageTest, public testing::WithParamInterface<NameCase> {};

TEST_P(TypeName, WritesTheNameWithinNineBytes) {
    stage.setType(GetParam().type);
    char text[16];
    std::memset(text, '#', sizeof text);
    stage.getTypeName(text);
    EXPECT_STREQ(text, GetParam().name);
    for (std::size_t i = std::strlen(GetParam().name) + 1; i < sizeof text; ++i) {
        EXPECT_EQ(text[i], '#') << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, TypeName,
                         testing::Values(NameCase{0, "LowPass"}, NameCase{1, "HighPass"}, NameCase{2, "BandPass"},
                                         NameCase{3, "Resonant"}, NameCase{4, "Thru"}, NameCase{5, "-"},
                                         NameCase{-1, "-"}, NameCase{std::numeric_limits<std::int32_t>::min(), "-"}));

struct HertzCase {
    float frequency, sampleRate;
    const char* text;  // the first eight characters, as the host shows it
};

class TargetFrequencyHz : public StageTest, public testing::WithParamInterface<HertzCase> {};

TEST_P(TargetFrequencyHz, ShowsTheTargetRowAtTheDisplayRate) {
    const HertzCase& c = GetParam();
    stage.setTarget(c.frequency, 0.0f);  // reported before the stage has moved
    stage.setDisplaySampleRate(c.sampleRate);
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", static_cast<double>(stage.targetFrequencyHz()));
    EXPECT_EQ(std::string(text).substr(0, 8), c.text);
}

INSTANTIATE_TEST_SUITE_P(Rows, TargetFrequencyHz,
                         testing::Values(HertzCase{0.0f, 44100.0f, "334.3359"}, HertzCase{0.25f, 44100.0f, "2077.232"},
                                         HertzCase{0.5f, 44100.0f, "5101.878"}, HertzCase{1.0f, 44100.0f, "18563.55"},
                                         HertzCase{0.5f, 48000.0f, "5553.064"}, HertzCase{1.0f, 48000.0f, "20205.22"}));

}  // namespace
