// SPDX-License-Identifier: MIT
// Processing of two input channels: the audio loops (audio_loops.h) on pairs of the two
// channels' samples, each channel with its own history, mixed with its own input and
// written to its own output.
#include "core/audio_loops.h"
#include "core/stereo_block.h"

template <OutputMode Mode>
float FilterProcessor::renderStereo(const float* inputLeft, const float* inputRight, float* left, float* right,
                                    std::int32_t frameCount) {
    const double wetShare = dryWetMix_.load(std::memory_order_relaxed);
    const Mix mix{static_cast<float>(1.0 - wetShare), wetShare};
    if (frameCount <= 0) return -std::numeric_limits<float>::infinity();

    const int cascade = static_cast<int>(slopeStages_.load(std::memory_order_relaxed));
    return audio_loops::renderFrames<Mode>(stages_, kernels_, kernelVersions_, cascade,
                                           StereoBlock{inputLeft, inputRight, left, right}, frameCount, mix);
}

float FilterProcessor::process(const float* inputLeft, const float* inputRight, float* left, float* right,
                               std::int32_t frameCount, OutputMode mode) {
    return mode == OutputMode::Accumulate
               ? renderStereo<OutputMode::Accumulate>(inputLeft, inputRight, left, right, frameCount)
               : renderStereo<OutputMode::Replace>(inputLeft, inputRight, left, right, frameCount);
}
