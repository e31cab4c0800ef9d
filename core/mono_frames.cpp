// SPDX-License-Identifier: MIT
// Processing of one input channel: the audio loops (audio_loops.h) on single samples, each
// frame's output written to both output channels.
#include "core/audio_loops.h"

template <OutputMode Mode>
float FilterProcessor::render(const float* input, float* left, float* right, std::int32_t frameCount) {
    // The mix factors hold for the whole call; a change made meanwhile counts from the next.
    const double wetShare = dryWetMix_.load(std::memory_order_relaxed);
    const Mix mix{static_cast<float>(1.0 - wetShare), wetShare};
    if (frameCount <= 0) return -std::numeric_limits<float>::infinity();

    const int cascade = static_cast<int>(slopeStages_.load(std::memory_order_relaxed));
    return audio_loops::renderFrames<Mode>(stages_, kernels_, kernelVersions_, cascade, MonoBlock{input, left, right},
                                           frameCount, mix);
}

float FilterProcessor::process(const float* input, float* left, float* right, std::int32_t frameCount,
                               OutputMode mode) {
    const float peak = mode == OutputMode::Accumulate ? render<OutputMode::Accumulate>(input, left, right, frameCount)
                                                      : render<OutputMode::Replace>(input, left, right, frameCount);
    if (frameCount > 0) publishChangedSettings();
    return peak;
}
