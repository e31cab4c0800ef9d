// The audio loops: one input channel through the cascade of stages, mixed with the dry
// signal, written identically to two output channels. The slope stages run in index order
// ahead of the main stage, which always runs last.
#include <limits>

#include "filter/filter_effect.h"

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
}

template <bool Accumulate>
void FilterEffect::render(float** inputs, float** outputs, std::int32_t frameCount) {
    // The mix factors hold for the whole call; a change made meanwhile counts from the next.
    const double wetShare = dryWetMix.load(relaxed);
    const double dryShare = static_cast<float>(1.0 - wetShare);
    if (frameCount <= 0) return;

    const float* input = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    float peak = -std::numeric_limits<float>::infinity();
    for (std::int32_t frame = 0; frame < frameCount; ++frame) {
        // Read before writing: the input may be the same array as an output.
        const float dry = input[frame];
        float signal = dry;
        const int cascade = static_cast<int>(slopeStages.load(relaxed));
        for (int slope = 1; slope < cascade; ++slope) signal = stages[slope].processSample(signal);
        const float wet = stages[0].processSample(signal);
        // The signed value is compared, so negative samples never raise the meter.
        if (wet > peak) peak = wet;
        const float out = static_cast<float>(dryShare * dry + wetShare * wet);
        if constexpr (Accumulate) {
            left[frame] = static_cast<float>(static_cast<double>(out) + left[frame]);
            right[frame] = static_cast<float>(static_cast<double>(out) + right[frame]);
        } else {
            left[frame] = out;
            right[frame] = out;
        }
    }
    // Raise the shared meter once per block, only if this block went higher. A reset by
    // the host during the block clears everything but this block's own peak.
    float stored = meterPeak.load(relaxed);
    while (peak > stored && !meterPeak.compare_exchange_weak(stored, peak, relaxed)) {
    }
}

void FilterEffect::process(float** inputs, float** outputs, std::int32_t frameCount) {
    render<true>(inputs, outputs, frameCount);
}

void FilterEffect::processReplacing(float** inputs, float** outputs, std::int32_t frameCount) {
    render<false>(inputs, outputs, frameCount);
}
