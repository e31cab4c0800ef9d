// SPDX-License-Identifier: MIT
// How stages glide toward a new target: one row per move, paced by the two step counters
// that every stage of the module shares. Expected move times are worked out by hand from the
// counting rule: a call with a pending move counts one and moves only if it found the counter
// at 0.0; the counter wraps to 0.0 once it reaches the calling stage's smoothing steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/coefficient_tables.h"
#include "core/filter_stage.h"
#include "support/stage_rows.h"

namespace {

using Coefficients = FilterStage::Coefficients;
using testing_support::frequencyOfRow;
using testing_support::passRow;
using testing_support::resonanceOfStep;
using testing_support::resonanceRow;


struct GlideTest : testing::Test {
    void SetUp() override {
        frequencyStepCounter.store(0.0f);
        resonanceStepCounter.store(0.0f);
    }
    // Makes the given number of calls; returns the numbers (from 1) of the calls after which
    // the frequency index had changed.
    static std::vector<int> frequencyMoves(FilterStage& stage, int calls) {
        std::vector<int> moves;
        for (int call = 1; call <= calls; ++call) {
            const int before = stage.frequencyIndex();
            stage.processSample(0.1f);
            if (stage.frequencyIndex() != before) {
                moves.push_back(call);
            }
        }
        return moves;
    }
    static std::vector<int> everyNth(int first, int spacing, int count) {
        std::vector<int> calls;
        for (int k = 0; k < count; ++k) {
            calls.push_back(first + k * spacing);
        }
        return calls;
    }
    FilterStage stage;
};

TEST_F(GlideTest, AloneMovesOnTheFirstCallThenEverySmoothingSteps) {
    stage.setTarget(frequencyOfRow(29), 0.0f);
    FilterStage unmoved;  // the call that moves still computes its sample with row 19
    EXPECT_EQ(stage.processSample(0.1f), unmoved.processSample(0.1f));
    EXPECT_EQ(stage.frequencyIndex(), 20);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::lowPassRows, 20));
    std::vector<int> moves = frequencyMoves(stage, 5000);
    // Calls counted from the second one: moves at overall calls 401, 801, ..., 3601.
    EXPECT_EQ(moves, everyNth(400, 400, 9));
    EXPECT_EQ(stage.frequencyIndex(), 29);
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::lowPassRows, 29));
}

TEST_F(GlideTest, ArrivedStageLeavesTheCounterAtOne) {
    stage.setSmoothing(400);
    stage.setTarget(frequencyOfRow(21), 0.0f);
    EXPECT_EQ(frequencyMoves(stage, 1000), (std::vector<int>{1, 401}));
    EXPECT_EQ(frequencyStepCounter.load(), 1.0f);
    // The counter is only touched while a move is pending.
    frequencyMoves(stage, 50);
    EXPECT_EQ(frequencyStepCounter.load(), 1.0f);
    stage.setTarget(frequencyOfRow(23), 0.0f);
    EXPECT_EQ(frequencyMoves(stage, 1000), (std::vector<int>{400, 800}));
}

class EveryCall : public GlideTest, public testing::WithParamInterface<int> {};

TEST_P(EveryCall, SmallSmoothingMovesOnEveryCall) {
    stage.setSmoothing(GetParam());
    stage.setTarget(frequencyOfRow(79), 0.0f);
    EXPECT_EQ(frequencyMoves(stage, 100), everyNth(1, 1, 60));
    EXPECT_EQ(frequencyStepCounter.load(), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(ZeroOneAndNegative, EveryCall, testing::Values(0, 1, -5));

TEST_F(GlideTest, DownwardGlideAndRetargetHalfway) {
    stage.setSmoothing(0);
    stage.setTarget(frequencyOfRow(39), 0.0f);
    frequencyMoves(stage, 10);
    ASSERT_EQ(stage.frequencyIndex(), 29);
    stage.setTarget(frequencyOfRow(5), 0.0f);  // turn back halfway
    std::vector<int> path;
    for (int call = 0; call < 30; ++call) {
        stage.processSample(0.0f);
        path.push_back(stage.frequencyIndex());
    }
    for (int call = 0; call < 30; ++call) {
        EXPECT_EQ(path[call], call < 24 ? 28 - call : 5) << call;
    }
    EXPECT_EQ(stage.mainCoefficients(), passRow(CoefficientTables::lowPassRows, 5));
}

TEST_F(GlideTest, RetargetKeepsTheCounterRunning) {
    stage.setTarget(frequencyOfRow(30), 0.0f);
    EXPECT_EQ(frequencyMoves(stage, 500), (std::vector<int>{1, 401}));
    stage.setTarget(frequencyOfRow(10), 0.0f);  // counter stands at 100 now
    EXPECT_EQ(frequencyStepCounter.load(), 100.0f);
    EXPECT_EQ(frequencyMoves(stage, 700), (std::vector<int>{301}));
    EXPECT_EQ(stage.frequencyIndex(), 20);
}

// Two stages of one instance, both called every sample, first A then B, from row 19 to 29.
// The counter advances twice per sample: A finds it at zero on samples 1, 201, 401, ...
// until it arrives after ten moves (sample 1801); B finds only odd counts until then, counts
// alone from 2 onward and first finds zero on sample 2200, then every 400 samples.
TEST_F(GlideTest, TwoStagesShareTheCounter) {
    FilterStage first, second;
    first.setTarget(frequencyOfRow(29), 0.0f);
    second.setTarget(frequencyOfRow(29), 0.0f);
    std::vector<int> firstMoves, secondMoves;
    for (int sample = 1; sample <= 6000; ++sample) {
        const int a = first.frequencyIndex(), b = second.frequencyIndex();
        first.processSample(0.1f);
        second.processSample(0.1f);
        if (first.frequencyIndex() != a) firstMoves.push_back(sample);
        if (second.frequencyIndex() != b) secondMoves.push_back(sample);
    }
    EXPECT_EQ(firstMoves, everyNth(1, 200, 10));
    EXPECT_EQ(secondMoves, everyNth(2200, 400, 10));
}

// Each call compares the shared counter with its own stage's smoothing steps.
TEST_F(GlideTest, EachCallWrapsWithItsOwnSmoothing) {
    FilterStage slow, fast;
    slow.setSmoothing(1000);
    fast.setSmoothing(3);
    slow.setTarget(frequencyOfRow(25), 0.0f);
    fast.setTarget(frequencyOfRow(25), 0.0f);
    // Sample 1: slow finds 0 and moves (counter 1); fast counts to 2. Sample 2: slow counts
    // to 3, fast finds 3 -> 4 >= 3 wraps to 0. Sample 3: slow finds 0 and moves ...
    std::vector<int> slowMoves, fastMoves;
    for (int sample = 1; sample <= 6; ++sample) {
        const int s = slow.frequencyIndex(), f = fast.frequencyIndex();
        slow.processSample(0.1f);
        fast.processSample(0.1f);
        if (slow.frequencyIndex() != s) slowMoves.push_back(sample);
        if (fast.frequencyIndex() != f) fastMoves.push_back(sample);
    }
    EXPECT_EQ(slowMoves, (std::vector<int>{1, 3, 5}));
    EXPECT_TRUE(fastMoves.empty());
}

TEST_F(GlideTest, ThruStageNeitherMovesNorCounts) {
    FilterStage thru;
    thru.setType(kTypeThru);
    thru.setTarget(frequencyOfRow(70), 0.9f);
    stage.setTarget(frequencyOfRow(21), 0.0f);
    std::vector<int> moves;
    for (int sample = 1; sample <= 1000; ++sample) {
        thru.processSample(0.1f);
        const int before = stage.frequencyIndex();
        stage.processSample(0.1f);
        if (stage.frequencyIndex() != before) moves.push_back(sample);
    }
    EXPECT_EQ(moves, (std::vector<int>{1, 401}));
    EXPECT_EQ(thru.frequencyIndex(), 19);
    EXPECT_EQ(thru.resonanceIndex(), -1);
}

TEST_F(GlideTest, JumpDoesNotTouchTheCounters) {
    frequencyStepCounter.store(7.0f);
    resonanceStepCounter.store(9.0f);
    stage.jumpToTarget(0.8f, 0.6f);
    stage.setType(kTypeHighPass);
    EXPECT_EQ(frequencyStepCounter.load(), 7.0f);
    EXPECT_EQ(resonanceStepCounter.load(), 9.0f);
}

// The resonance index glides on its own counter, one step per move, and every move of either
// index reloads the resonance row of the current pair.
TEST_F(GlideTest, ResonanceGlidesOnItsOwnCounter) {
    stage.setSmoothing(10);
    stage.setTarget(0.25f, resonanceOfStep(3));  // from -1 to 3: four moves
    std::vector<int> steps;
    for (int call = 1; call <= 40; ++call) {
        stage.processSample(0.1f);
        steps.push_back(stage.resonanceIndex());
    }
    for (int call = 1; call <= 40; ++call) {
        EXPECT_EQ(steps[call - 1], std::min((call - 1) / 10, 3)) << call;  // moves on calls 1, 11, 21, 31
    }
    EXPECT_EQ(frequencyStepCounter.load(), 0.0f);
    EXPECT_EQ(resonanceStepCounter.load(), 1.0f);
    EXPECT_EQ(stage.resonanceCoefficients(), resonanceRow(19, 3));
    EXPECT_EQ(stage.resonanceGain(), static_cast<float>(40.0 * static_cast<double>(0.15f)));

    // A frequency move alone carries the resonance filter to the new row.
    stage.setTarget(frequencyOfRow(20), resonanceOfStep(3));
    stage.processSample(0.1f);
    ASSERT_EQ(stage.frequencyIndex(), 20);
    EXPECT_EQ(stage.resonanceIndex(), 3);
    EXPECT_EQ(stage.resonanceCoefficients(), resonanceRow(20, 3));
}

TEST_F(GlideTest, GlideKeepsTheHistory) {
    stage.setSmoothing(0);
    stage.processSample(1.0f);
    const float state1 = stage.mainState1();
    ASSERT_NE(state1, 0.0f);
    stage.setTarget(frequencyOfRow(60), 0.0f);
    stage.processSample(0.0f);  // computed with row 19, then moves to 20
    EXPECT_EQ(stage.frequencyIndex(), 20);
    EXPECT_NE(stage.mainState1(), 0.0f);
    EXPECT_NE(stage.mainState2(), 0.0f);
}

}  // namespace
