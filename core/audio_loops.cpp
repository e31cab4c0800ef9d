// The audio loops: one input channel through the cascade of stages, mixed with the dry
// signal, written identically to two output channels. The slope stages run in index order
// ahead of the main stage, which always runs last.
//
// While no stage of the cascade glides, a stage's settings cannot change from one sample
// to the next, so the loop copies the stages into plain kernels and runs the block with
// the recurrences in registers. While one glides, each sample goes through the stages
// themselves, which count the shared glide steps and move their rows.
#include <limits>
#include <utility>

#include "core/filter_processor.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

struct Mix {
    double dryShare, wetShare;
    float apply(float dry, float wet) const { return static_cast<float>(dryShare * dry + wetShare * wet); }
};

template <OutputMode Mode>
void writeFrame(float* left, float* right, std::int32_t frame, float out) {
    if constexpr (Mode == OutputMode::Accumulate) {
        left[frame] = static_cast<float>(static_cast<double>(out) + left[frame]);
        right[frame] = static_cast<float>(static_cast<double>(out) + right[frame]);
    } else {
        left[frame] = out;
        right[frame] = out;
    }
}

// Frames [first, frameCount) through `Cascade` kernels: kernels[1..Cascade-1], then
// kernels[0], with the settings fixed for the whole run.
//
// Each stage's recurrence is a chain of dependent operations, and a stage's input is the
// previous stage's limited output, so running the cascade frame by frame would make every
// frame wait for the whole cascade. Instead the frames are cut into chunks and the stages
// work as a pipeline: in one step, the first stage filters chunk t while the second filters
// chunk t-1, and so on, so the chains of all stages advance side by side. Every stage still
// sees its own input samples in order, so the output is the same as frame by frame.
constexpr std::int32_t kChunkFrames = 8;

template <int Cascade, OutputMode Mode>
void renderSteady(StageKernel* kernels, const float* input, float* left, float* right, std::int32_t first,
                  std::int32_t frameCount, Mix mix, float& peak) {
    // Position p of the pipeline runs stage p + 1; the last position runs stage 0.
    StageKernel local[Cascade];
    for (int p = 0; p < Cascade; ++p) local[p] = kernels[p == Cascade - 1 ? 0 : p + 1];
    // Each position but the last hands its chunk to the next one through a pair of buffers.
    float carry[Cascade > 1 ? Cascade - 1 : 1][2][kChunkFrames];
    float wetPeak = peak;

    const std::int32_t chunkCount = (frameCount - first + kChunkFrames - 1) / kChunkFrames;
    const auto chunkStart = [&](std::int32_t chunk) { return first + chunk * kChunkFrames; };
    const auto chunkLength = [&](std::int32_t chunk) {
        const std::int32_t remaining = frameCount - chunkStart(chunk);
        return remaining < kChunkFrames ? remaining : kChunkFrames;
    };
    // One frame of one position; `i` is the frame's offset in its chunk.
    const auto step = [&](auto position, std::int32_t chunk, std::int32_t i) {
        constexpr int p = decltype(position)::value;
        const std::int32_t frame = chunkStart(chunk) + i;
        const float x = p == 0 ? input[frame] : carry[p > 0 ? p - 1 : 0][chunk & 1][i];
        const float y = local[p].process(x);
        if constexpr (p < Cascade - 1) {
            carry[p][chunk & 1][i] = y;
        } else {
            // Read before writing: the input may be the same array as an output.
            const float dry = input[frame];
            wetPeak = y > wetPeak ? y : wetPeak;  // signed: negative samples never raise it
            writeFrame<Mode>(left, right, frame, mix.apply(dry, y));
        }
    };
    const auto forEachPosition = [&](auto&& body) {
        [&]<int... p>(std::integer_sequence<int, p...>) {
            (body(std::integral_constant<int, p>{}), ...);
        }(std::make_integer_sequence<int, Cascade>{});
    };

    for (std::int32_t t = 0; t < chunkCount + Cascade - 1; ++t) {
        const bool full = t >= Cascade - 1 && t < chunkCount && chunkLength(t) == kChunkFrames;
        if (full) {
            // Every position has a whole chunk: interleave them frame by frame.
            for (std::int32_t i = 0; i < kChunkFrames; ++i) {
                forEachPosition([&](auto position) { step(position, t - decltype(position)::value, i); });
            }
        } else {
            // Filling or draining the pipeline, or a short last chunk: one position at a time.
            forEachPosition([&](auto position) {
                const std::int32_t chunk = t - decltype(position)::value;
                if (chunk < 0 || chunk >= chunkCount) return;
                const std::int32_t length = chunkLength(chunk);
                for (std::int32_t i = 0; i < length; ++i) step(position, chunk, i);
            });
        }
    }
    peak = wetPeak;
    for (int p = 0; p < Cascade; ++p) kernels[p == Cascade - 1 ? 0 : p + 1] = local[p];
}

}  // namespace

template <OutputMode Mode>
float FilterProcessor::render(const float* input, float* left, float* right, std::int32_t frameCount) {
    // The mix factors hold for the whole call; a change made meanwhile counts from the next.
    const double wetShare = dryWetMix_.load(relaxed);
    const Mix mix{static_cast<float>(1.0 - wetShare), wetShare};
    // The signed value is compared, so negative samples never raise the peak.
    float peak = -std::numeric_limits<float>::infinity();
    if (frameCount <= 0) return peak;

    const int cascade = static_cast<int>(slopeStages_.load(relaxed));
    const auto anyGliding = [&] {
        for (int k = 0; k < cascade; ++k) {
            if (stages_[k].isGliding()) return true;
        }
        return false;
    };

    std::int32_t frame = 0;
    for (; frame < frameCount && anyGliding(); ++frame) {
        // Read before writing: the input may be the same array as an output.
        const float dry = input[frame];
        float signal = dry;
        for (int k = 1; k < cascade; ++k) signal = stages_[k].processSample(signal);
        const float wet = stages_[0].processSample(signal);
        peak = wet > peak ? wet : peak;
        writeFrame<Mode>(left, right, frame, mix.apply(dry, wet));
    }
    if (frame < frameCount) {
        StageKernel kernels[kStageCount];
        for (int k = 0; k < cascade; ++k) kernels[k] = stages_[k].loadKernel();
        switch (cascade) {
            case 1: renderSteady<1, Mode>(kernels, input, left, right, frame, frameCount, mix, peak); break;
            case 2: renderSteady<2, Mode>(kernels, input, left, right, frame, frameCount, mix, peak); break;
            case 3: renderSteady<3, Mode>(kernels, input, left, right, frame, frameCount, mix, peak); break;
            default: renderSteady<4, Mode>(kernels, input, left, right, frame, frameCount, mix, peak); break;
        }
        for (int k = 0; k < cascade; ++k) stages_[k].storeHistory(kernels[k]);
    }

    return peak;
}

float FilterProcessor::process(const float* input, float* left, float* right, std::int32_t frameCount,
                               OutputMode mode) {
    return mode == OutputMode::Accumulate ? render<OutputMode::Accumulate>(input, left, right, frameCount)
                                          : render<OutputMode::Replace>(input, left, right, frameCount);
}
