// SPDX-License-Identifier: MIT
// The physical limit of one filter stage: the main biquad recurrence alone, with the same
// roundings to single precision and the same flushes as the filter, and nothing else.
// A stage cannot run faster than this chain's latency.
#pragma once

#include <cstddef>

// Runs the recurrence over `count` samples; returns the last output so nothing is elided.
float runBareRecurrence(const float* input, float* output, std::size_t count);

// A plain float biquad without any rounding or flushing steps, for scale.
float runPlainFloatBiquad(const float* input, float* output, std::size_t count);
