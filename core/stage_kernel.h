// SPDX-License-Identifier: MIT
// The arithmetic of one filter stage for one sample, on plain values: the main biquad, the
// resonance biquad, the gains, the level and the soft limiter. It is the only copy of that
// arithmetic. FilterStage runs it on its shared fields one sample at a time; the audio
// loops copy a stage into a StageKernel for a whole block while nothing glides, so the
// recurrences stay in registers.
//
// Arithmetic is double precision with one rounding to float at each point where the filter
// stores a value (the casts to float below); the output depends bit for bit on where they
// fall, so the compiler must not contract or reorder (-ffp-contract=off, no fast-math).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/filter_type.h"
#include "core/float_bits.h"
#include "core/lane_pair.h"

// Filter state values that are not finite, or tiny (below 1e-10 in magnitude), become +0.0,
// so the recursion never carries denormals, NaN or infinity: a single bad input sample
// disturbs the state for that sample only.
//
// The test is on the bits: with the sign cleared, the finite magnitudes from 1e-10 up to the
// largest float are one range of integers, and infinity and NaN lie above it, so one unsigned
// comparison decides. The kept case is the common one and written as a branch the processor
// predicts, so the recurrence does not wait for the test: a value near the threshold costs a
// misprediction now and then, but a decaying signal crosses it once.
namespace flush_rule {
inline constexpr std::uint32_t kMagnitudeBits = 0x7FFFFFFFu;
inline constexpr std::uint32_t kSmallestKept = floatBits(1e-10f);
inline constexpr std::uint32_t kLargestFinite = floatBits(std::numeric_limits<float>::max());
}  // namespace flush_rule

inline float flushToZero(float value) {
    using namespace flush_rule;
    const std::uint32_t magnitude = floatBits(value) & kMagnitudeBits;
    if (magnitude - kSmallestKept <= kLargestFinite - kSmallestKept) [[likely]] return value;
    return 0.0f;
}

#if defined(BRAMSOLIKET_LANE_PAIR_SSE2)
// The rare case of the pair flush, out of the way of the common one.
[[gnu::cold, gnu::noinline]] inline FloatPair flushLanes(FloatPair pair, bool keepFirst, bool keepSecond) {
    const __m128i mask = _mm_set_epi32(0, 0, keepSecond ? -1 : 0, keepFirst ? -1 : 0);
    return {_mm_and_ps(pair.lanes, _mm_castsi128_ps(mask))};
}
#endif

// The same in each lane of a pair. The test of the kept case, both lanes in range, is done on
// the integer unit as for a single value (on 64-bit x86 both lanes reach it in one move);
// only when a lane must be flushed is the vector masked.
inline FloatPair flushToZero(FloatPair pair) {
#if defined(BRAMSOLIKET_LANE_PAIR_SSE2)
    using namespace flush_rule;
    const auto kept = [](std::uint32_t bits) { return (bits & kMagnitudeBits) - kSmallestKept <= kLargestFinite - kSmallestKept; };
#if defined(__x86_64__) || defined(_M_X64)
    const auto both = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_castps_si128(pair.lanes)));
    const auto first = static_cast<std::uint32_t>(both), second = static_cast<std::uint32_t>(both >> 32);
#else
    const auto first = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_castps_si128(pair.lanes)));
    const auto second = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_epi64(_mm_castps_si128(pair.lanes), 32)));
#endif
    if (kept(first) && kept(second)) [[likely]] return pair;
    return flushLanes(pair, kept(first), kept(second));
#else
    return {flushToZero(pair.first), flushToZero(pair.second)};
#endif
}

// Passes magnitudes up to 0.5 unchanged and bends larger ones toward 1.0: up to five passes,
// each pulling the magnitude toward a knee (0.5, 0.75, 0.875, 0.9375, 0.96875) by the knee's
// fraction of the excess, stopping after the first pass whose excess is 0.00001 or less;
// then a clamp at 1.0. The sign is kept. Every magnitude from about 1062 upward comes out as
// exactly 1.0, and so does an infinite one: a stage whose sum overflowed still gives full
// scale instead of the NaN that infinity minus a multiple of itself would make. NaN stays NaN.
//
// Magnitudes up to the first knee, the common case, are recognised on the bits with the sign
// cleared (NaN lies above every finite magnitude there), so the sign of the signal, which is
// as good as random, does not decide that branch. Above the first knee all five passes are
// computed and a pass after the stop changes nothing, which gives the same result as
// stopping early.
inline float softLimit(float value) {
    constexpr float kKnees[] = {0.5f, 0.75f, 0.875f, 0.9375f, 0.96875f};  // each halfway from the last to 1
    constexpr double kSettled = 0.00001;
    constexpr std::uint32_t kMagnitudeBits = 0x7FFFFFFFu;
    constexpr std::uint32_t kFirstKnee = floatBits(kKnees[0]);
    if ((floatBits(value) & kMagnitudeBits) <= kFirstKnee) [[likely]] {
        return value;  // the first pass finds no excess
    }
    const bool negative = value < 0.0f || value != value;
    float magnitude = negative ? -value : value;
    if (magnitude == std::numeric_limits<float>::infinity()) return negative ? -1.0f : 1.0f;
    bool settled = false;
    for (const float knee : kKnees) {
        // A single float subtraction rounds exactly as the double difference rounded to float.
        const float excess = magnitude - knee;
        const float pulled = static_cast<float>(static_cast<double>(magnitude) - static_cast<double>(knee) * excess);
        magnitude = !settled && excess > 0.0f ? pulled : magnitude;
        settled = settled || !(excess > kSettled);
    }
    magnitude = magnitude > 1.0f ? 1.0f : magnitude;
    return static_cast<float>((negative ? -1.0 : 1.0) * magnitude);
}

// The widths of the arithmetic: a stored value is a float, computed in double.
inline double widen(float value) { return value; }
inline float narrow(double value) { return static_cast<float>(value); }

// Whether the limiter leaves a value as it is: its magnitude up to the first knee, tested on
// the bits (NaN lies above every finite magnitude there).
inline bool limiterKeeps(float value) { return (floatBits(value) & 0x7FFFFFFFu) <= floatBits(0.5f); }

// Whether the limiter leaves both lanes of a pair as they are: both magnitudes up to the
// first knee, tested on the bits as for a single value.
inline bool limiterKeeps(FloatPair pair) {
    constexpr std::uint32_t kMagnitudeBits = 0x7FFFFFFFu;
    constexpr std::uint32_t kFirstKnee = floatBits(0.5f);
#if defined(BRAMSOLIKET_LANE_PAIR_SSE2) && (defined(__x86_64__) || defined(_M_X64))
    const auto both = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_castps_si128(pair.lanes)));
    const auto first = static_cast<std::uint32_t>(both) & kMagnitudeBits;
    const auto second = static_cast<std::uint32_t>(both >> 32) & kMagnitudeBits;
#else
    const std::uint32_t first = floatBits(firstOf(pair)) & kMagnitudeBits;
    const std::uint32_t second = floatBits(secondOf(pair)) & kMagnitudeBits;
#endif
    return (first > second ? first : second) <= kFirstKnee;
}

// The limiter in each lane of a pair: the common case, both lanes kept, as for a single
// value; otherwise each lane is bent on its own.
inline FloatPair softLimit(FloatPair pair) {
    if (limiterKeeps(pair)) [[likely]] return pair;
    return pairOf(softLimit(firstOf(pair)), softLimit(secondOf(pair)));
}

// The limiter for a pair whose lanes often pass the first knee (a resonant stage's sum, a
// third of whose samples or more do), where a test of the first knee would be taken or not
// at random and mispredicted half the time. A magnitude up to 1.0 is moved by the first pass
// alone: it comes out at most 0.75, so every later knee finds no excess. The test here is
// whether both lanes lie up to 1.0, which a signal mostly within full scale passes; both
// lanes then get the first knee's pass, done as the single limiter does it, and keep their
// values where the magnitude is up to 0.5. Larger magnitudes go lane by lane through the
// single limiter.
inline FloatPair softLimitOftenBent(FloatPair pair) {
#if defined(BRAMSOLIKET_LANE_PAIR_SSE2)
    constexpr float kFirstKnee = 0.5f;
    constexpr std::uint32_t kSignBit = 0x80000000u;
    const __m128i bits = _mm_castps_si128(pair.lanes);
    const __m128i magnitudeBits = _mm_andnot_si128(_mm_set1_epi32(static_cast<std::int32_t>(kSignBit)), bits);
    const __m128i beyondFullScale =
        _mm_cmpgt_epi32(magnitudeBits, _mm_set1_epi32(static_cast<std::int32_t>(floatBits(1.0f))));
    if ((_mm_movemask_ps(_mm_castsi128_ps(beyondFullScale)) & 3) == 0) [[likely]] {
        const __m128 magnitude = _mm_castsi128_ps(magnitudeBits);
        const __m128 excess = _mm_sub_ps(magnitude, _mm_set1_ps(kFirstKnee));
        const __m128d pulled = _mm_sub_pd(_mm_cvtps_pd(magnitude),
                                          _mm_mul_pd(_mm_set1_pd(static_cast<double>(kFirstKnee)), _mm_cvtps_pd(excess)));
        // The sign put back: the single limiter's product with -1.0 is exact.
        const __m128i bent = _mm_or_si128(_mm_castps_si128(_mm_cvtpd_ps(pulled)),
                                          _mm_and_si128(bits, _mm_set1_epi32(static_cast<std::int32_t>(kSignBit))));
        const __m128i kept =
            _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<std::int32_t>(floatBits(kFirstKnee)) + 1), magnitudeBits);
        return {_mm_castsi128_ps(_mm_or_si128(_mm_and_si128(kept, bits), _mm_andnot_si128(kept, bent)))};
    }
#endif
    return pairOf(softLimit(firstOf(pair)), softLimit(secondOf(pair)));
}
inline float softLimitOftenBent(float value) { return softLimit(value); }

// A stage's level on its sum (see StageKernelOf::applyLevel), one value or a pair.
inline float applyLevelTo(double sum, double level) {
    // A zero level is silence, also for a sum that overflowed to infinity (where the product
    // alone would be NaN); a NaN sum stays NaN.
    if (level == 0.0 && std::isinf(sum)) return 0.0f;
    return static_cast<float>(sum * level);
}
inline FloatPair applyLevelTo(DoublePair sum, DoublePair level) {
    if (firstOf(level) == 0.0) [[unlikely]] {
        return pairOf(applyLevelTo(firstOf(sum), firstOf(level)), applyLevelTo(secondOf(sum), secondOf(level)));
    }
    return narrow(sum * level);
}

// One two-pole section in transposed direct form II: coefficients (a0 = 1 is implied) and
// its two state words. `Value` is float for one section, or FloatPair for two independent
// sections stepped together (lane_pair.h), which gives each the bits it gives alone.
template <typename Value>
struct BiquadSectionOf {
    using Wide = decltype(widen(Value{}));
    Wide b0, b1, b2, a1, a2;
    Value state1, state2;

    Value step(Value input) {
        Wide wideOutput;
        return stepWide(widen(input), wideOutput);
    }
    // The same step on an input already widened, giving its output also widened (the value
    // the step multiplies by a1 and a2): a block loop can hand that on to the next section
    // and save it widening the same value again.
    [[gnu::always_inline]] Value stepWide(Wide x, Wide& wideOutput) {
        const Value y = flushToZero(narrow(b0 * x + widen(state1)));
        wideOutput = widen(y);
        const Value next1 = flushToZero(narrow((b1 * x - a1 * wideOutput) + widen(state2)));
        state2 = flushToZero(narrow(b2 * x - a2 * wideOutput));
        state1 = next1;
        return y;
    }
};

using BiquadSection = BiquadSectionOf<float>;
using BiquadSectionPair = BiquadSectionOf<FloatPair>;

// Two sections as one pair, and back.
template <typename Value>
auto pairOf(const BiquadSectionOf<Value>& first, const BiquadSectionOf<Value>& second) {
    using Pair = decltype(pairOf(first.state1, second.state1));
    return BiquadSectionOf<Pair>{pairOf(first.b0, second.b0),         pairOf(first.b1, second.b1),
                                 pairOf(first.b2, second.b2),         pairOf(first.a1, second.a1),
                                 pairOf(first.a2, second.a2),         pairOf(first.state1, second.state1),
                                 pairOf(first.state2, second.state2)};
}
template <typename Pair, typename Value>
void storeStates(const BiquadSectionOf<Pair>& pair, BiquadSectionOf<Value>& first, BiquadSectionOf<Value>& second) {
    first.state1 = firstOf(pair.state1);
    first.state2 = firstOf(pair.state2);
    second.state1 = secondOf(pair.state1);
    second.state2 = secondOf(pair.state2);
}

// One stage's settings and history for one channel (`Value` float), or for two channels
// filtered with the same settings, each with its own history, in the two lanes of a pair
// (`Value` FloatPair): the arithmetic is the same in each lane, so each channel gets the
// bits it gets alone.
template <typename Value>
struct StageKernelOf {
    using Wide = decltype(widen(Value{}));
    std::int32_t type;
    bool resonant;  // the resonance index is 0 or more
    bool plain;     // plainSection() when the kernel was made
    BiquadSectionOf<Value> main;
    BiquadSectionOf<Value> resonance;
    Wide mainGain, resonanceGain, level;

    // A pass-type section with unity weight and level and no resonance: its output is the
    // limited biquad output unchanged (rnd(1 x y) = y, and y is never -0.0 since the flush
    // gives +0.0), which is what the slope stages of a cascade always are.
    bool plainSection() const {
        return type >= 0 && type < kTypeResonant && !resonant && mainGain == 1.0 && level == 1.0;
    }

    // Always inlined into the block loops, whatever the optimisation level, so that the
    // recurrences stay in registers.
    [[gnu::always_inline]] Value process(Value input) { return finishSample(startSample(input)); }

    // The sample step in pieces, so that a block loop can run the main section of one frame
    // while the resonance section still works on the frame before, and step the sections of
    // two stages as a pair: process() is the one composed of the others, the same operations
    // in the same order.
    //
    // The first half: the main section's weighted output, or the input itself for the types
    // that have no main section.
    [[gnu::always_inline]] Value startSample(Value input) {
        if (!hasMainSection()) return input;
        return weighMain(main.step(input));
    }
    // The second half: the resonance section fed with the main output, the sum, the level
    // and the limiter.
    [[gnu::always_inline]] Value finishSample(Value mainOutput) {
        if (plain) return softLimit(mainOutput);
        if (type == kTypeThru) return narrow(level * widen(mainOutput));
        return combine(mainOutput, resonant ? resonance.step(mainOutput) : Value{});
    }

    // A plain section is one of the pass types, so the test folds away where plain is known.
    bool hasMainSection() const { return plain || (type != kTypeThru && type != kTypeResonant); }
    // The main section's output `y` with its weight.
    [[gnu::always_inline]] Value weighMain(Value y) const { return plain ? y : narrow(mainGain * widen(y)); }
    // For a stage that is neither plain nor Thru: the main output plus the weighted output of
    // the resonance section (`resonanceStep`, what it gave for this main output; unused
    // without resonance), at the level, limited.
    [[gnu::always_inline]] Value combine(Value mainOutput, Value resonanceStep) const {
        Value resonanceOutput{};
        if (resonant) resonanceOutput = narrow(resonanceGain * widen(resonanceStep));
        const Value sum = applyLevel(widen(resonanceOutput) + widen(mainOutput));
        return resonant ? softLimitOftenBent(sum) : softLimit(sum);
    }

    // The level applied to the stage's sum. A zero level is silence, also for a sum that
    // overflowed to infinity (where the product alone would be NaN); a NaN sum stays NaN.
    Value applyLevel(Wide sum) const { return applyLevelTo(sum, level); }
};

using StageKernel = StageKernelOf<float>;
using StereoStageKernel = StageKernelOf<FloatPair>;

// Copies of kernels and sections field by field, as a block loop takes them. A copy of a
// whole stereo kernel or section as one object is large enough for the compiler to make it a
// string move, which takes longer to start than the fields take to copy.
template <typename Value>
[[gnu::always_inline]] inline void copySection(BiquadSectionOf<Value>& to, const BiquadSectionOf<Value>& from) {
    to.b0 = from.b0;
    to.b1 = from.b1;
    to.b2 = from.b2;
    to.a1 = from.a1;
    to.a2 = from.a2;
    to.state1 = from.state1;
    to.state2 = from.state2;
}
template <typename Value>
[[gnu::always_inline]] inline void copyKernel(StageKernelOf<Value>& to, const StageKernelOf<Value>& from) {
    to.type = from.type;
    to.resonant = from.resonant;
    to.plain = from.plain;
    copySection(to.main, from.main);
    copySection(to.resonance, from.resonance);
    to.mainGain = from.mainGain;
    to.resonanceGain = from.resonanceGain;
    to.level = from.level;
}

// The settings of `settings` in both lanes of `kernel`, for two channels filtered alike; the
// histories are left for the caller to load.
inline void copyToBothChannels(const StageKernel& settings, StereoStageKernel& kernel) {
    const auto section = [](const BiquadSection& from, BiquadSectionPair& to) {
        to.b0 = bothLanesOf(from.b0);
        to.b1 = bothLanesOf(from.b1);
        to.b2 = bothLanesOf(from.b2);
        to.a1 = bothLanesOf(from.a1);
        to.a2 = bothLanesOf(from.a2);
    };
    kernel.type = settings.type;
    kernel.resonant = settings.resonant;
    kernel.plain = settings.plain;
    section(settings.main, kernel.main);
    section(settings.resonance, kernel.resonance);
    kernel.mainGain = bothLanesOf(settings.mainGain);
    kernel.resonanceGain = bothLanesOf(settings.resonanceGain);
    kernel.level = bothLanesOf(settings.level);
}
