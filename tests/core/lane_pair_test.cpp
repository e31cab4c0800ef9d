// SPDX-License-Identifier: MIT
// Two sections stepped as a pair must give each the bits it gives stepped alone: every
// operation of a pair does in each lane what the scalar operation does, the flush included,
// over ordinary values and the ones the flush and the roundings treat specially.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/coefficient_tables.h"
#include "core/stage_kernel.h"

namespace {

std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

struct Numbers {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    // Any float at all, NaN and infinity among them.
    float anyFloat() { return std::bit_cast<float>(next()); }
};

std::vector<float> awkwardValues() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values = {0.0f, -0.0f, 1e-10f, -1e-10f, std::nextafter(1e-10f, 0.0f), 1e-30f, 1e-45f,
                                 std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), inf, -inf,
                                 std::numeric_limits<float>::quiet_NaN(), 0.5f, -0.75f, 3.0f};
    return values;
}

// The flush and the limiters, over any floats and over the limiter's range (around every
// knee and up to where everything comes out as 1.0).
TEST(LanePair, FlushAndLimitersAreTheSingleOnesInEachLane) {
    std::vector<float> values = awkwardValues();
    for (const float knee : {0.5f, 0.75f, 0.875f, 0.9375f, 0.96875f, 1.0f, 1062.0f}) {
        for (const float v : {knee, std::nextafter(knee, 0.0f), std::nextafter(knee, 2000.0f), knee + 0.00001f}) {
            values.push_back(v);
            values.push_back(-v);
        }
    }
    values.push_back(-std::numeric_limits<float>::quiet_NaN());
    Numbers numbers{3};
    for (int i = 0; i < 20000; ++i) values.push_back(numbers.anyFloat());
    for (int i = 0; i < 20000; ++i) {
        const float magnitude = static_cast<float>(numbers.next() >> 8) / 16777216.0f;
        values.push_back((i % 2 ? -1.0f : 1.0f) * (i % 3 ? 0.4f + 1.2f * magnitude : std::exp2(12.0f * magnitude)));
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float first = values[i], second = values[(i * 7 + 3) % values.size()];
        const FloatPair flushed = flushToZero(pairOf(first, second));
        ASSERT_EQ(bitsOf(firstOf(flushed)), bitsOf(flushToZero(first))) << first << ", " << second;
        ASSERT_EQ(bitsOf(secondOf(flushed)), bitsOf(flushToZero(second))) << first << ", " << second;
        for (const auto limited : {softLimit(pairOf(first, second)), softLimitOftenBent(pairOf(first, second))}) {
            ASSERT_EQ(bitsOf(firstOf(limited)), bitsOf(softLimit(first))) << first << ", " << second;
            ASSERT_EQ(bitsOf(secondOf(limited)), bitsOf(softLimit(second))) << first << ", " << second;
        }
    }
}

// Every magnitude up to 1.0 from the first knee, the range the limiter for often bent pairs
// bends in both lanes at once, against the single limiter: both signs, each lane.
TEST(LanePair, OftenBentLimiterBendsUpToFullScaleAsTheSingleOne) {
    const std::uint32_t low = bitsOf(0.5f), high = bitsOf(1.0f);
    for (std::uint32_t bits = low; bits <= high; bits += BRAMSOLIKET_SWEEP_STRIDE) {
        const float value = std::bit_cast<float>(bits), other = std::bit_cast<float>(high - (bits - low));
        const FloatPair limited = softLimitOftenBent(pairOf(value, -other));
        ASSERT_EQ(bitsOf(firstOf(limited)), bitsOf(softLimit(value))) << value;
        ASSERT_EQ(bitsOf(secondOf(limited)), bitsOf(softLimit(-other))) << -other;
    }
}

TEST(LanePair, ArithmeticAndConversionsRoundEachLaneAsAlone) {
    Numbers numbers{11};
    const std::vector<float> awkward = awkwardValues();
    for (int i = 0; i < 20000; ++i) {
        // Ordinary magnitudes mostly, so sums and products round; now and then anything.
        const auto pick = [&] {
            const std::uint32_t kind = numbers.next() % 8;
            if (kind == 0) return awkward[numbers.next() % awkward.size()];
            if (kind == 1) return numbers.anyFloat();
            return (static_cast<float>(numbers.next() >> 8) / 16777216.0f - 0.5f) * 4.0f;
        };
        const float a0 = pick(), a1 = pick(), b0 = pick(), b1 = pick();
        const DoublePair a = widen(pairOf(a0, a1)), b = widen(pairOf(b0, b1));
        const auto lanes = [](DoublePair pair) { return std::pair{firstOf(narrow(pair)), secondOf(narrow(pair))}; };
        const auto check = [&](DoublePair result, double expected0, double expected1, const char* what) {
            const auto [got0, got1] = lanes(result);
            ASSERT_EQ(bitsOf(got0), bitsOf(narrow(expected0))) << what << " " << a0 << " " << b0;
            ASSERT_EQ(bitsOf(got1), bitsOf(narrow(expected1))) << what << " " << a1 << " " << b1;
        };
        // Each lane of a double result is checked through its rounding to float, the only way
        // the step uses it; the products of two floats are exact in double, their sums not.
        check(a * b, widen(a0) * widen(b0), widen(a1) * widen(b1), "product");
        check(a + b, widen(a0) + widen(b0), widen(a1) + widen(b1), "sum");
        check(a - b, widen(a0) - widen(b0), widen(a1) - widen(b1), "difference");
        check(a * b + a, widen(a0) * widen(b0) + widen(a0), widen(a1) * widen(b1) + widen(a1), "product and sum");
    }
}

// Two different sections, rows of the real tables, fed inputs that reach the flush and the
// limits of float; the pair's outputs and states stay the single sections' all along.
TEST(LanePair, PairedSectionsStepAsTwoSingleOnes) {
    const auto section = [](const float* c) { return BiquadSection{c[0], c[1], c[2], c[4], c[5], 0.0f, 0.0f}; };
    struct Rows {
        const float* first;
        const float* second;
    };
    const Rows rows[] = {
        {CoefficientTables::passRow(CoefficientTables::lowPassRows, 40),
         CoefficientTables::passRow(CoefficientTables::lowPassRows, 40)},
        {CoefficientTables::passRow(CoefficientTables::highPassRows, 3),
         CoefficientTables::resonanceRow(70, 19)},
        {CoefficientTables::passRow(CoefficientTables::bandPassRows, 79),
         CoefficientTables::passRow(CoefficientTables::lowPassRows, 0)},
    };
    const std::vector<float> awkward = awkwardValues();
    Numbers numbers{5};
    for (const Rows& r : rows) {
        BiquadSection first = section(r.first), second = section(r.second);
        BiquadSectionPair pair = pairOf(first, second);
        for (int i = 0; i < 50000; ++i) {
            const auto input = [&] {
                const std::uint32_t kind = numbers.next() % 64;
                if (kind == 0) return awkward[numbers.next() % awkward.size()];
                if (kind == 1) return 0.0f;  // runs of silence let the states decay to the flush
                const float scale = kind < 32 ? 1.0f : 1e-9f;
                return (static_cast<float>(numbers.next() >> 8) / 16777216.0f - 0.5f) * scale;
            };
            const float x0 = input(), x1 = i % 3 == 0 ? 0.0f : input();
            const FloatPair y = pair.step(pairOf(x0, x1));
            ASSERT_EQ(bitsOf(firstOf(y)), bitsOf(first.step(x0))) << "step " << i;
            ASSERT_EQ(bitsOf(secondOf(y)), bitsOf(second.step(x1))) << "step " << i;
        }
        BiquadSection firstBack = first, secondBack = second;
        storeStates(pair, firstBack, secondBack);
        EXPECT_EQ(bitsOf(firstBack.state1), bitsOf(first.state1));
        EXPECT_EQ(bitsOf(firstBack.state2), bitsOf(first.state2));
        EXPECT_EQ(bitsOf(secondBack.state1), bitsOf(second.state1));
        EXPECT_EQ(bitsOf(secondBack.state2), bitsOf(second.state2));
    }
}

}  // namespace
