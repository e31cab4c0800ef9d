// SPDX-License-Identifier: MIT
// The rules that turn a parameter's normalized value into a working value. Hosts send values
// from 0 to 1; anything else, NaN and infinities included, still gives a working value inside
// its range.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/filter_type.h"
#include "core/parameter_table.h"
#include "core/saturating_conversion.h"

inline constexpr int kMaximumSlopeStages = 4;
inline constexpr float kSmoothingRangeSamples = 4000.0f;
// Each stage of the cascade adds 12 dB per octave to the slope.
inline constexpr double kDecibelsPerOctavePerStage = 12.0;

// "Smooth": the glide period in samples, 0 to 4000 for 0 to 1. Saturates at the 32-bit
// limits; NaN gives 0.
inline float smoothingSamplesFor(float value) {
    return static_cast<float>(truncateToInt32(static_cast<double>(value) * kSmoothingRangeSamples));
}

// "Type": trunc(4v + 0.5), each boundary belonging to the higher type, kept within 0 to 4.
// NaN selects what 0 selects.
inline float filterTypeFor(float value) {
    const std::int32_t type = truncateToInt32(0.5 - static_cast<double>(value) * -4.0f);
    return static_cast<float>(std::clamp(type, 0, kFilterTypeCount - 1));
}

// "Cutoff": 1 + trunc(3v + 0.5) stages, kept within 1 to 4. NaN selects what 0 selects.
inline float slopeStagesFor(float value) {
    const std::int32_t truncated = truncateToInt32(-0.5 - static_cast<double>(value) * 3.0f);
    const std::int64_t stages = 1 - static_cast<std::int64_t>(truncated);
    return static_cast<float>(std::clamp<std::int64_t>(stages, 1, kMaximumSlopeStages));
}

// "Level": the gain handed to the main stage, 2v, so 0.5 is unity. A value beyond half the
// float range gives an infinite gain of its sign, explicitly.
inline float outputLevelFor(float value) { return roundToFloat(static_cast<double>(value) + value); }
