// SPDX-License-Identifier: MIT
// What the block loops do with each filtered frame: mix it with the dry input and write it
// to both output channels, replacing or adding to what they hold.
#pragma once

#include <cstdint>
#include <limits>

#include "core/lane_pair.h"

enum class OutputMode {
    Replace,     // the outputs are overwritten
    Accumulate,  // the output is added to what the outputs hold
};

// The dry/wet mix, fixed for a whole call.
struct Mix {
    double dryShare, wetShare;
    float apply(float dry, float wet) const { return static_cast<float>(dryShare * dry + wetShare * wet); }
    // Each lane mixed with its own dry lane.
    FloatPair apply(FloatPair dry, FloatPair wet) const {
        return narrow(bothLanesOf(dryShare) * widen(dry) + bothLanesOf(wetShare) * widen(wet));
    }
};

// The peak rule: the signed value is compared, so negative samples never raise it, and a
// NaN never counts.
inline float higherOf(float value, float than) { return value > than ? value : than; }

template <OutputMode Mode>
inline void writeFrame(float* left, float* right, std::int32_t frame, float out) {
    if constexpr (Mode == OutputMode::Accumulate) {
        left[frame] = static_cast<float>(static_cast<double>(out) + left[frame]);
        right[frame] = static_cast<float>(static_cast<double>(out) + right[frame]);
    } else {
        left[frame] = out;
        right[frame] = out;
    }
}

// The frames of one call with one input channel: a frame is one sample, and its output is
// written to both output channels.
struct MonoBlock {
    using Value = float;
    const float* input;
    float* left;
    float* right;

    float dry(std::int32_t frame) const { return input[frame]; }
    template <OutputMode Mode>
    void write(std::int32_t frame, float out) const {
        writeFrame<Mode>(left, right, frame, out);
    }
    // The frames from `frame` on.
    MonoBlock from(std::int32_t frame) const { return {input + frame, left + frame, right + frame}; }
    // The peak before the first frame, and the call's peak from the peak of its frames.
    static float noPeak() { return -std::numeric_limits<float>::infinity(); }
    static float highest(float peak) { return peak; }
};
