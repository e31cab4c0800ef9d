// SPDX-License-Identifier: MIT
// What the block loops do with each filtered frame: mix it with the dry input and write it
// to both output channels, replacing or adding to what they hold.
#pragma once

#include <cstdint>

enum class OutputMode {
    Replace,     // the outputs are overwritten
    Accumulate,  // the output is added to what the outputs hold
};

// The dry/wet mix, fixed for a whole call.
struct Mix {
    double dryShare, wetShare;
    float apply(float dry, float wet) const { return static_cast<float>(dryShare * dry + wetShare * wet); }
};

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
