// SPDX-License-Identifier: MIT
// Two floats, or two doubles, side by side: the number types with which one copy of the
// biquad step runs two independent recurrences at once. Every operation does in each lane
// exactly what the scalar operation does on its own: SSE2's packed double arithmetic and
// its conversions between the two widths round each lane as the scalar instructions do,
// under the same rounding mode, so a pair of recurrences gives the bits of two single ones.
// Where SSE2 is missing, a pair is two plain values.
//
// Only the operations the biquad step and a stage's two channels use are here; the scalar
// counterparts of widen and narrow, and the flush and limiter for both, are in stage_kernel.h
// next to the step.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRAMSOLIKET_LANE_PAIR_SSE2 1
#include <emmintrin.h>
#endif

#if defined(BRAMSOLIKET_LANE_PAIR_SSE2)

// Lanes 0 and 1 of an SSE register; the other two are unused.
struct FloatPair {
    __m128 lanes;
};
struct DoublePair {
    __m128d lanes;
};

inline FloatPair pairOf(float first, float second) {
    return {_mm_unpacklo_ps(_mm_set_ss(first), _mm_set_ss(second))};
}
inline DoublePair pairOf(double first, double second) { return {_mm_set_pd(second, first)}; }
inline float firstOf(FloatPair pair) { return _mm_cvtss_f32(pair.lanes); }
inline float secondOf(FloatPair pair) { return _mm_cvtss_f32(_mm_shuffle_ps(pair.lanes, pair.lanes, 1)); }

inline DoublePair operator+(DoublePair a, DoublePair b) { return {_mm_add_pd(a.lanes, b.lanes)}; }
inline DoublePair operator-(DoublePair a, DoublePair b) { return {_mm_sub_pd(a.lanes, b.lanes)}; }
inline DoublePair operator*(DoublePair a, DoublePair b) { return {_mm_mul_pd(a.lanes, b.lanes)}; }
inline DoublePair widen(FloatPair pair) { return {_mm_cvtps_pd(pair.lanes)}; }
inline FloatPair narrow(DoublePair pair) { return {_mm_cvtpd_ps(pair.lanes)}; }

inline double firstOf(DoublePair pair) { return _mm_cvtsd_f64(pair.lanes); }
inline double secondOf(DoublePair pair) { return _mm_cvtsd_f64(_mm_unpackhi_pd(pair.lanes, pair.lanes)); }
inline DoublePair bothLanesOf(double value) { return {_mm_set1_pd(value)}; }
// In each lane `value > than ? value : than`, the comparison a NaN fails (maxps).
inline FloatPair higherOf(FloatPair value, FloatPair than) { return {_mm_max_ps(value.lanes, than.lanes)}; }

#else

struct FloatPair {
    float first, second;
};
struct DoublePair {
    double first, second;
};

inline FloatPair pairOf(float first, float second) { return {first, second}; }
inline DoublePair pairOf(double first, double second) { return {first, second}; }
inline float firstOf(FloatPair pair) { return pair.first; }
inline float secondOf(FloatPair pair) { return pair.second; }

inline DoublePair operator+(DoublePair a, DoublePair b) { return {a.first + b.first, a.second + b.second}; }
inline DoublePair operator-(DoublePair a, DoublePair b) { return {a.first - b.first, a.second - b.second}; }
inline DoublePair operator*(DoublePair a, DoublePair b) { return {a.first * b.first, a.second * b.second}; }
inline DoublePair widen(FloatPair pair) { return {pair.first, pair.second}; }
inline FloatPair narrow(DoublePair pair) { return {static_cast<float>(pair.first), static_cast<float>(pair.second)}; }

inline double firstOf(DoublePair pair) { return pair.first; }
inline double secondOf(DoublePair pair) { return pair.second; }
inline DoublePair bothLanesOf(double value) { return {value, value}; }
inline FloatPair higherOf(FloatPair value, FloatPair than) {
    return {value.first > than.first ? value.first : than.first, value.second > than.second ? value.second : than.second};
}

#endif
