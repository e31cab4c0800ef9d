// SPDX-License-Identifier: MIT
// The filter effect through its record: parameters, texts, programs, meter, audio loops.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "formats/vst/filter_effect.h"
#include "support/record_driver.h"
#include "support/reference_model.h"

namespace {

using testing_support::RecordDriver;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

void resetCounters() {
    frequencyStepCounter.store(0.0f);
    resonanceStepCounter.store(0.0f);
    reference::stepCounters() = {};
}

struct EffectFixture : ::testing::Test {
    void SetUp() override { resetCounters(); }
    std::unique_ptr<FilterEffect> effect = std::make_unique<FilterEffect>(&testing_support::answeringHost);
    RecordDriver host{effect->getRecord()};
};

std::vector<float> testSignal(std::size_t n, unsigned seed = 1) {
    std::vector<float> signal(n);
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        const float noise = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
        signal[i] = (i % 2000 == 0 ? 1.0f : 0.0f) + 0.6f * noise +
                    0.4f * static_cast<float>(std::sin(0.0001 * static_cast<double>(i) * static_cast<double>(i % 5000)));
    }
    return signal;
}

using EffectTexts = EffectFixture;

TEST_F(EffectTexts, NewEffectShowsItsDefaults) {
    const char* expected[] = {"5101.878", "0.000000", "0.100000", "LowPass", "     12", "1.000000", "0.000000"};
    const char* names[] = {"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level"};
    const char* labels[] = {"Hz", "amount", "amount", "type", "dB/Oct", "mix", "dB"};
    const float values[] = {0.5f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.5f};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(host.display(i), expected[i]) << i;
        EXPECT_EQ(host.name(i), names[i]) << i;
        EXPECT_EQ(host.label(i), labels[i]) << i;
        EXPECT_EQ(host.get(i), values[i]) << i;
    }
    EXPECT_EQ(host.programName(), "Init");
    EXPECT_EQ(effect->smoothingSampleCount(), 400.0f);
    EXPECT_EQ(effect->slopeStageCount(), 1.0f);
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(effect->stage(s).smoothingSteps(), 400);
        EXPECT_EQ(effect->stage(s).type(), 0);
    }
}

TEST_F(EffectTexts, FrequencyTextFollowsTheTargetAndTheRate) {
    struct Case { float rate, value; const char* text; };
    const Case cases[] = {{44100, 0.0f, "334.3359"}, {44100, 0.25f, "2077.232"}, {44100, 0.5f, "5101.878"},
                          {44100, 1.0f, "18563.55"}, {48000, 0.5f, "5553.064"}, {48000, 1.0f, "20205.22"}};
    for (const Case& c : cases) {
        host.setRate(c.rate);
        host.set(0, c.value);
        EXPECT_EQ(host.display(0), c.text) << c.rate << " Hz, " << c.value;
    }
}

TEST_F(EffectTexts, LevelTypeAndCutoffTexts) {
    struct Case { int index; float value; std::string text; };
    const Case cases[] = {
        {6, 1.0f, "6.020599"},  {6, 0.25f, "-6.02059"}, {6, 0.05f, "-20.0000"}, {6, 0.0f, "   -\xB0   "},
        {3, 0.2f, "HighPass"},  {3, 0.5f, "BandPass"},  {3, 0.7f, "Resonant"}, {3, 0.9f, "Thru"},
        {3, 0.125f, "HighPass"}, {3, 0.0f, "LowPass"},  {4, 1.0f, "     48"},  {4, 0.5f, "     36"},
        {4, 1.0f / 6.0f, "     24"}, {4, 0.1f, "     12"}, {1, 0.7f, "0.699999"}, {5, 0.25f, "0.250000"},
        {2, 1.0f, "1.000000"},
    };
    for (const Case& c : cases) {
        host.set(c.index, c.value);
        EXPECT_EQ(host.display(c.index), c.text) << c.index << " = " << c.value;
        EXPECT_EQ(host.get(c.index), c.value);
    }
}

TEST_F(EffectTexts, UnknownIndicesChangeNothingAndLeaveBuffersAlone) {
    for (int index : {7, -1, 1000, std::numeric_limits<int>::min()}) {
        host.set(index, 0.9f);
        EXPECT_EQ(host.get(index), 0.0f);
        for (int opcode : {6, 7, 8}) {
            char buffer[9] = "xxxxxxxx";
            host.dispatch(opcode, index, 0, buffer);
            EXPECT_STREQ(buffer, "xxxxxxxx");
        }
    }
    EXPECT_EQ(host.display(0), "5101.878");
    EXPECT_EQ(host.get(0), 0.5f);
}

// Host values outside 0 to 1 still give a type from 0 to 4 and one to four stages, and
// values inside keep their rule.
TEST_F(EffectTexts, OutOfRangeHostValuesStayInRange) {
    struct Case { float value; float type; float stages; };
    const Case cases[] = {{-1.0f, 0, 1}, {-0.1f, 0, 1}, {2.0f, 4, 4}, {1e30f, 4, 4}, {-1e30f, 0, 1},
                          {kInf, 4, 4},  {-kInf, 0, 1}, {kNaN, 0, 1}, {0.0f, 0, 1},  {0.999f, 4, 4},
                          {0.375f, 2, 2}, {0.5f, 2, 3}, {0.9f, 4, 4}};
    for (const Case& c : cases) {
        host.set(3, c.value);
        host.set(4, c.value);
        EXPECT_EQ(effect->filterTypeNumber(), c.type) << c.value;
        EXPECT_EQ(effect->slopeStageCount(), c.stages) << c.value;
        for (int s = 0; s < 4; ++s) EXPECT_EQ(effect->stage(s).type(), static_cast<int>(c.type));
        const std::string cutoff = host.display(4);
        EXPECT_EQ(cutoff, "     " + std::to_string(static_cast<int>(c.stages) * 12));
    }
    const struct { float value; int steps; } smoothing[] = {
        {1e30f, std::numeric_limits<int>::max()}, {-1e30f, std::numeric_limits<int>::min()}, {kNaN, 0},
        {kInf, std::numeric_limits<int>::max()}, {0.0f, 0}, {1.0f, 4000}, {0.1f, 400}};
    for (const auto& c : smoothing) {
        host.set(2, c.value);
        for (int s = 0; s < 4; ++s) EXPECT_EQ(effect->stage(s).smoothingSteps(), c.steps) << c.value;
    }
}

TEST_F(EffectFixture, ProgramsKeepTheirOwnValuesAndNames) {
    host.dispatch(2, 0, 1);
    EXPECT_EQ(host.dispatch(3), 1);
    host.set(0, 1.0f);
    host.set(3, 0.5f);
    host.set(2, 0.25f);
    char renamed[] = "Bright band";
    host.dispatch(4, 0, 0, renamed);
    EXPECT_EQ(host.programName(), "Bright band");

    host.dispatch(2, 0, 0);
    EXPECT_EQ(host.programName(), "Init");
    EXPECT_EQ(host.get(0), 0.5f);
    EXPECT_EQ(host.get(3), 0.0f);
    EXPECT_EQ(host.get(2), 0.1f);
    EXPECT_EQ(host.display(3), "LowPass");
    EXPECT_EQ(effect->stage(0).targetFrequencyIndex(), 39);

    host.dispatch(2, 0, 1);
    EXPECT_EQ(host.programName(), "Bright band");
    EXPECT_EQ(host.get(0), 1.0f);
    EXPECT_EQ(host.get(3), 0.5f);
    EXPECT_EQ(host.get(2), 0.25f);
    EXPECT_EQ(host.display(3), "BandPass");
    EXPECT_EQ(effect->smoothingSampleCount(), 1000.0f);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(effect->stage(s).targetFrequencyIndex(), 79);

    // Numbers outside the program range are ignored.
    for (std::intptr_t program : {-1, 2, 1000}) {
        EXPECT_EQ(host.dispatch(2, 0, program), 0);
        EXPECT_EQ(host.dispatch(3), 1);
    }
}

TEST_F(EffectFixture, ProgramNamesAreCutToTwentyThreeCharacters) {
    char longName[] = "A name that is much longer than any program name can be";
    host.dispatch(4, 0, 0, longName);
    EXPECT_EQ(host.programName(), std::string(longName, 23));
    char exact[] = "12345678901234567890123";
    host.dispatch(4, 0, 0, exact);
    EXPECT_EQ(host.programName(), exact);
    host.dispatch(4, 0, 0, nullptr);
    host.dispatch(5, 0, 0, nullptr);
    EXPECT_EQ(host.programName(), exact);
}

TEST_F(EffectFixture, ResonanceReachesOnlyTheMainStage) {
    host.set(1, 1.0f);
    EXPECT_EQ(effect->stage(0).targetResonanceIndex(), 19);
    for (int s = 1; s < 4; ++s) EXPECT_EQ(effect->stage(s).targetResonanceIndex(), -1);
    host.set(0, 0.0f);
    EXPECT_EQ(effect->stage(0).targetResonanceIndex(), 19);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(effect->stage(s).targetFrequencyIndex(), 0);
    host.set(6, 1.0f);
    EXPECT_EQ(effect->stage(0).level(), 2.0f);
    for (int s = 1; s < 4; ++s) EXPECT_EQ(effect->stage(s).level(), 1.0f);
}

TEST_F(EffectFixture, SuspendClearsHistoryOnly) {
    std::vector<float> signal = testSignal(3000), left, right;
    host.set(1, 0.8f);
    host.render(signal, left, right, 256);
    ASSERT_NE(effect->stage(0).mainState1(), 0.0f);
    const int index = effect->stage(0).frequencyIndex();
    std::vector<std::string> texts;
    for (int i = 0; i < 7; ++i) texts.push_back(host.display(i));
    host.dispatch(12, 0, 0);
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(effect->stage(s).mainState1(), 0.0f);
        EXPECT_EQ(effect->stage(s).mainState2(), 0.0f);
        EXPECT_EQ(effect->stage(s).resonanceState1(), 0.0f);
        EXPECT_EQ(effect->stage(s).resonanceState2(), 0.0f);
    }
    EXPECT_EQ(effect->stage(0).frequencyIndex(), index);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(host.display(i), texts[i]);
}

// --- Audio ---------------------------------------------------------------------------

using EffectAudio = EffectFixture;

TEST_F(EffectAudio, NonPositiveFrameCountsTouchNothing) {
    host.set(0, 1.0f);  // a glide is pending
    float input[4] = {1, 1, 1, 1};
    float left[4] = {7, 7, 7, 7}, right[4] = {7, 7, 7, 7};
    float* in[1] = {input};
    float* out[2] = {left, right};
    for (std::int32_t frames : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        effect->getRecord()->processReplacingEntry(effect->getRecord(), in, out, frames);
        effect->getRecord()->processEntry(effect->getRecord(), in, out, frames);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(left[i] + right[i], 14.0f);
    EXPECT_EQ(effect->peekMeter(), 0.0f);
    EXPECT_EQ(effect->stage(0).frequencyIndex(), 19);
    EXPECT_EQ(effect->stage(0).mainState1(), 0.0f);
    EXPECT_EQ(frequencyStepCounter.load(), 0.0f);
}

// The fresh effect glides stage 0 from row 19 to row 39: first move on the first sample,
// then one every 400 samples.
TEST_F(EffectAudio, FirstGlideOfAFreshEffect) {
    EXPECT_EQ(effect->stage(0).frequencyIndex(), 19);
    EXPECT_EQ(effect->stage(0).targetFrequencyIndex(), 39);
    std::vector<float> silence(1), left, right;
    host.render(silence, left, right, 1);
    EXPECT_EQ(effect->stage(0).frequencyIndex(), 20);
    silence.assign(399, 0.0f);
    host.render(silence, left, right, 399);
    EXPECT_EQ(effect->stage(0).frequencyIndex(), 20);
    silence.assign(1, 0.0f);
    host.render(silence, left, right, 1);
    EXPECT_EQ(effect->stage(0).frequencyIndex(), 21);
    silence.assign(400 * 18, 0.0f);
    host.render(silence, left, right, 333);
    EXPECT_EQ(effect->stage(0).frequencyIndex(), 39);
    // The slope stages were not in the cascade and did not move.
    for (int s = 1; s < 4; ++s) EXPECT_EQ(effect->stage(s).frequencyIndex(), 19);
}

TEST_F(EffectAudio, DryWetExtremes) {
    std::vector<float> signal = testSignal(5000), left, right;
    host.set(5, 0.0f);
    host.set(4, 1.0f);
    host.render(signal, left, right, 64);
    EXPECT_EQ(left, signal);
    EXPECT_EQ(right, signal);
    EXPECT_GT(effect->peekMeter(), 0.0f);  // the stages still ran, glided and fed the meter
    for (int s = 0; s < 4; ++s) EXPECT_GT(effect->stage(s).frequencyIndex(), 19) << s;

    // All wet: the output is the main stage's output, as the reference computes it.
    auto fresh = std::make_unique<FilterEffect>(&testing_support::answeringHost);
    resetCounters();
    RecordDriver wetHost{fresh->getRecord()};
    reference::Effect model;
    std::vector<float> expected0(signal.size()), expected1(signal.size());
    model.processReplacing(signal.data(), expected0.data(), expected1.data(), static_cast<int>(signal.size()));
    wetHost.render(signal, left, right, 100);
    EXPECT_EQ(left, expected0);
    EXPECT_EQ(right, expected0);
}

TEST_F(EffectAudio, AccumulatingAddsAndReplacingOverwrites) {
    // Thru at unity with half mix: out = 0.5 x + 0.5 x = x.
    host.set(3, 1.0f);
    host.set(5, 0.5f);
    std::vector<float> input(16, 0.5f);
    std::vector<float> left(16, 0.25f), right(16, 0.25f);
    host.render(input, left, right, 16, true);
    for (float v : left) EXPECT_EQ(v, 0.75f);
    for (float v : right) EXPECT_EQ(v, 0.75f);
    host.render(input, left, right, 16, false);
    for (float v : left) EXPECT_EQ(v, 0.5f);
    for (float v : right) EXPECT_EQ(v, 0.5f);
}

TEST_F(EffectAudio, InputMayBeTheFirstOutput) {
    host.set(1, 0.6f);
    host.set(4, 0.7f);
    std::vector<float> signal = testSignal(4096);
    reference::Effect model;
    model.setParameter(1, 0.6f);
    model.setParameter(4, 0.7f);
    std::vector<float> expected(signal.size()), unused(signal.size());
    model.processReplacing(signal.data(), expected.data(), unused.data(), static_cast<int>(signal.size()));

    std::vector<float> buffer = signal, right(signal.size());
    float* in[1] = {buffer.data()};
    float* out[2] = {buffer.data(), right.data()};
    effect->getRecord()->processReplacingEntry(effect->getRecord(), in, out, static_cast<std::int32_t>(buffer.size()));
    EXPECT_EQ(buffer, expected);
    EXPECT_EQ(right, expected);
}

TEST_F(EffectAudio, MeterKeepsTheSignedPeakUntilRead) {
    host.set(3, 1.0f);  // thru: the wet signal is the input times the level
    std::vector<float> left, right;
    std::vector<float> falling = {0.1f, 0.6f, -0.9f, -3.0f, 0.2f};
    host.render(falling, left, right, 2);
    EXPECT_EQ(host.dispatch(9), static_cast<std::intptr_t>(0.6 * 32767.0));
    EXPECT_EQ(host.dispatch(9), 0);
    std::vector<float> negative = {-0.5f, -1.0f};
    host.render(negative, left, right, 2);
    EXPECT_EQ(host.dispatch(9), 0);
    std::vector<float> one = {1.0f};
    host.render(one, left, right, 1);
    EXPECT_EQ(host.dispatch(9), 32767);

    // A peak far above 1, or infinite, saturates instead of overflowing the conversion.
    host.set(6, 1.0f);
    std::vector<float> loud = {3e38f};
    host.render(loud, left, right, 1);
    EXPECT_EQ(effect->peekMeter(), kInf);
    EXPECT_EQ(host.dispatch(9), static_cast<std::intptr_t>(std::numeric_limits<std::int32_t>::max()));
    std::vector<float> huge = {1e6f};
    host.render(huge, left, right, 1);
    EXPECT_EQ(host.dispatch(9), static_cast<std::intptr_t>(std::numeric_limits<std::int32_t>::max()));
}

TEST_F(EffectAudio, NotANumberInputIsOneBadSample) {
    for (float typeValue : {0.0f, 0.25f, 0.5f, 0.75f}) {
        host.set(3, typeValue);
        host.set(1, 0.5f);
        host.set(4, 1.0f);
        for (float mix : {0.0f, 0.5f, 1.0f}) {
            host.set(5, mix);
            std::vector<float> signal = testSignal(600), left, right;
            signal[300] = kNaN;
            host.render(signal, left, right, 128);
            EXPECT_TRUE(std::isnan(left[300])) << typeValue << " " << mix;
            for (std::size_t i = 301; i < signal.size(); ++i) ASSERT_TRUE(std::isfinite(left[i])) << i;
            EXPECT_EQ(std::memcmp(left.data(), right.data(), left.size() * sizeof(float)), 0);
        }
    }
}

// Cascades of one to four stages, every type, with and without resonance, against the
// plain transcription, over awkward block sizes.
class CascadeAgainstReference : public ::testing::TestWithParam<std::tuple<int, int, float>> {};

TEST_P(CascadeAgainstReference, MatchesBitForBit) {
    resetCounters();
    const auto [type, stages, res] = GetParam();
    FilterEffect effect(&testing_support::answeringHost);
    RecordDriver host{effect.getRecord()};
    reference::Effect model;
    const float values[][2] = {{3, type / 4.0f}, {4, (stages - 1) / 3.0f}, {1, res}, {0, 0.8f}, {2, 0.0125f}};
    for (const auto& v : values) {
        host.set(static_cast<int>(v[0]), v[1]);
        model.setParameter(static_cast<int>(v[0]), v[1]);
    }
    std::vector<float> signal = testSignal(9000, static_cast<unsigned>(type * 10 + stages)), left, right;
    std::vector<float> expected0(signal.size()), expected1(signal.size());
    model.processReplacing(signal.data(), expected0.data(), expected1.data(), static_cast<int>(signal.size()));
    host.render(signal, left, right, static_cast<std::size_t>(1 + type * 97 + stages * 13));
    EXPECT_EQ(left, expected0);
    EXPECT_EQ(right, expected0);
    EXPECT_EQ(host.dispatch(9), static_cast<std::intptr_t>(static_cast<double>(model.getMeter()) * 32767.0));
}

INSTANTIATE_TEST_SUITE_P(AllTypesAndSlopes, CascadeAgainstReference,
                         ::testing::Combine(::testing::Range(0, 5), ::testing::Range(1, 5),
                                            ::testing::Values(0.0f, 0.5f, 1.0f)));

}  // namespace

namespace {

// Every block size from 0 to 16 and a few awkward and large ones, through both process
// entries, with guard words around the output buffers: the pipelined block loop must give
// the reference's samples and write nothing outside the frames it was given.
class BlockSizesAgainstReference : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(BlockSizesAgainstReference, MatchesAndStaysInsideTheBuffers) {
    const auto [block, accumulate] = GetParam();
    for (int stages = 1; stages <= 4; ++stages) {
        resetCounters();
        FilterEffect effect(&testing_support::answeringHost);
        reference::Effect model;
        const float settings[][2] = {{4, (stages - 1) / 3.0f}, {1, 0.55f}, {2, 0.002f}, {5, 0.7f}};
        for (const auto& s : settings) {
            effect.setParameter(static_cast<int>(s[0]), s[1]);
            model.setParameter(static_cast<int>(s[0]), s[1]);
        }
        constexpr std::size_t kGuard = 8;
        constexpr float kGuardValue = -12345.0f;
        const std::size_t total = 3000;
        const std::vector<float> signal = testSignal(total, static_cast<unsigned>(block + stages));
        std::vector<float> left(total + 2 * kGuard, kGuardValue), right(total + 2 * kGuard, kGuardValue);
        std::vector<float> expected0(total, 0.0f), expected1(total, 0.0f);
        if (accumulate) {
            for (std::size_t i = 0; i < total; ++i) {
                left[kGuard + i] = right[kGuard + i] = expected0[i] = expected1[i] = 0.125f;
            }
        }
        std::size_t done = 0;
        int round = 0;
        while (done < total) {
            const std::size_t n = std::min<std::size_t>(block, total - done);
            if (++round % 97 == 0) {  // a new target now and then, so glides start and end inside blocks
                const float freq = static_cast<float>(round % 7) / 7.0f;
                effect.setParameter(0, freq);
                model.setParameter(0, freq);
            }
            float* in[1] = {const_cast<float*>(signal.data() + done)};
            float* out[2] = {left.data() + kGuard + done, right.data() + kGuard + done};
            if (accumulate) {
                effect.getRecord()->processEntry(effect.getRecord(), in, out, static_cast<std::int32_t>(n));
                model.process(signal.data() + done, expected0.data() + done, expected1.data() + done, static_cast<int>(n));
            } else {
                effect.getRecord()->processReplacingEntry(effect.getRecord(), in, out, static_cast<std::int32_t>(n));
                model.processReplacing(signal.data() + done, expected0.data() + done, expected1.data() + done,
                                       static_cast<int>(n));
            }
            if (block == 0) break;
            done += n;
        }
        for (std::size_t g = 0; g < kGuard; ++g) {
            ASSERT_EQ(left[g], kGuardValue);
            ASSERT_EQ(right[g], kGuardValue);
            ASSERT_EQ(left[kGuard + total + g], kGuardValue);
            ASSERT_EQ(right[kGuard + total + g], kGuardValue);
        }
        if (block == 0) {
            for (std::size_t i = 0; i < total; ++i) ASSERT_EQ(left[kGuard + i], accumulate ? 0.125f : kGuardValue);
            continue;
        }
        const std::vector<float> gotLeft(left.begin() + kGuard, left.end() - kGuard);
        const std::vector<float> gotRight(right.begin() + kGuard, right.end() - kGuard);
        EXPECT_EQ(gotLeft, expected0) << stages << " stages";
        EXPECT_EQ(gotRight, expected1) << stages << " stages";
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, BlockSizesAgainstReference,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                                              17, 31, 33, 64, 511, 8192),
                                            ::testing::Bool()));

}  // namespace
