// SPDX-License-Identifier: MIT
// The frames of one call with two input channels: a frame is a pair, the left channel in the
// first lane and the right in the second, and each output channel gets its own lane. The
// block loops run the pair through the stages as they run a single sample, so each channel
// is filtered, mixed with its own input and written as it would be alone.
#pragma once

#include <cstdint>

#include "core/block_output.h"
#include "core/lane_pair.h"

struct StereoBlock {
    using Value = FloatPair;
    const float* inputLeft;
    const float* inputRight;
    float* left;
    float* right;

    FloatPair dry(std::int32_t frame) const { return pairOf(inputLeft[frame], inputRight[frame]); }
    template <OutputMode Mode>
    void write(std::int32_t frame, FloatPair out) const {
        if constexpr (Mode == OutputMode::Accumulate) out = narrow(widen(out) + widen(pairOf(left[frame], right[frame])));
        left[frame] = firstOf(out);
        right[frame] = secondOf(out);
    }
    StereoBlock from(std::int32_t frame) const {
        return {inputLeft + frame, inputRight + frame, left + frame, right + frame};
    }
    // No peak in either channel yet; the call's peak is the left channel's unless the right
    // one's is higher.
    static FloatPair noPeak() { return pairOf(MonoBlock::noPeak(), MonoBlock::noPeak()); }
    static float highest(FloatPair peak) { return higherOf(secondOf(peak), firstOf(peak)); }
};
