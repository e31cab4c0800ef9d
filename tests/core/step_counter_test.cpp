// SPDX-License-Identifier: MIT
// The shared step counter's rule applied many calls at once must say what counting the calls
// one by one does: when the next call finds the counter at zero, and what the counter holds
// after calls that do not.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/step_counter.h"

namespace {

using step_counter::callsUntilMove;
using step_counter::countAfter;
using step_counter::kHighestCount;
using step_counter::kNever;
using step_counter::kUnknown;

// Counts calls one by one until a call finds zero or `limitCalls` calls have passed; records
// the counter after each call.
struct Counted {
    std::int64_t callsBeforeMove = -1;  // -1: no call found zero within the limit
    std::vector<float> after;          // after[k]: the counter after k calls
};

Counted countOneByOne(float start, float limit, std::int64_t limitCalls) {
    std::atomic<float> counter{start};
    Counted result;
    result.after.push_back(start);
    for (std::int64_t call = 0; call <= limitCalls; ++call) {
        if (step_counter::countStep(counter, limit)) {
            result.callsBeforeMove = call;
            return result;
        }
        result.after.push_back(counter.load());
    }
    return result;
}

TEST(StepCounter, CallsUntilTheNextMoveAndTheCountMeanwhile) {
    const float limits[] = {-5.0f, 0.0f, 1.0f, 2.0f, 3.0f, 400.0f, 4000.0f, 4001.0f};
    const float counts[] = {0.0f, -0.0f, 1.0f, 2.0f, 5.0f, 398.0f, 399.0f, 400.0f, 401.0f, 3999.0f, 4000.0f,
                            100000.0f, kHighestCount};
    for (const float limit : limits) {
        for (const float count : counts) {
            const std::int64_t claimed = callsUntilMove(count, limit);
            const Counted counted = countOneByOne(count, limit, 10000);
            ASSERT_NE(claimed, kUnknown) << count << " against " << limit;
            ASSERT_EQ(claimed, counted.callsBeforeMove) << count << " against " << limit;
            for (std::int64_t calls = 0; calls <= claimed; ++calls) {
                ASSERT_EQ(countAfter(count, limit, calls), counted.after[static_cast<std::size_t>(calls)])
                    << count << " against " << limit << " after " << calls;
            }
        }
    }
}

// Smoothing steps reach the 32-bit limits, and from 2^24 on the count stops climbing: below
// that limit the counter wraps as usual, above it no call finds zero again.
TEST(StepCounter, HugeLimitsAndTheTopOfTheCount) {
    const float top = kHighestCount;
    struct Case {
        float count, limit;
    };
    const Case wrapping[] = {{top - 3.0f, top}, {1.0f, top}, {top - 1.0f, top}};
    for (const Case& c : wrapping) {
        const std::int64_t claimed = callsUntilMove(c.count, c.limit);
        const Counted counted = countOneByOne(c.count, c.limit, static_cast<std::int64_t>(top) + 2);
        ASSERT_EQ(claimed, counted.callsBeforeMove) << c.count;
        for (std::int64_t calls : {std::int64_t{0}, claimed / 2, claimed - 1, claimed}) {
            EXPECT_EQ(countAfter(c.count, c.limit, calls), counted.after[static_cast<std::size_t>(calls)]) << c.count;
        }
    }
    const float huge = static_cast<float>(std::numeric_limits<std::int32_t>::max());
    const Case stuck[] = {{top - 1000.0f, huge}, {top, huge}, {top - 1000.0f, top + 2.0f}};
    for (const Case& c : stuck) {
        EXPECT_EQ(callsUntilMove(c.count, c.limit), kNever) << c.count;
        const Counted counted = countOneByOne(c.count, c.limit, 5000);
        EXPECT_EQ(counted.callsBeforeMove, -1);
        for (std::int64_t calls : {std::int64_t{1}, std::int64_t{999}, std::int64_t{1000}, std::int64_t{5000}}) {
            EXPECT_EQ(countAfter(c.count, c.limit, calls), counted.after[static_cast<std::size_t>(calls)]) << calls;
        }
        EXPECT_EQ(countAfter(c.count, c.limit, std::int64_t{1} << 40), top);
    }
}

// Values the rule cannot give are left to counting one by one, except where the very next
// call wraps the counter whatever it held.
TEST(StepCounter, ValuesTheRuleCannotGive) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float count : {0.5f, -1.0f, 2.0e7f, 1.0e9f, -std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(callsUntilMove(count, 3.0e9f), kUnknown) << count;
    }
    for (const float count : {0.5f, -1.0f, 2.0e7f, nan, std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(callsUntilMove(count, 0.0f), 1) << count;
        EXPECT_EQ(countAfter(count, 0.0f, 1), 0.0f) << count;
        EXPECT_EQ(countOneByOne(count, 0.0f, 5).callsBeforeMove, 1) << count;
    }
}

}  // namespace
