// SPDX-License-Identifier: MIT
// The audio loops: one input channel through the cascade of stages, mixed with the dry
// signal, written identically to two output channels. The slope stages run in index order
// ahead of the main stage, which always runs last.
//
// A stage's settings change only on a sample where it moves a glide index, and those samples
// are rare: at most one move per stage per smoothing period. So a call is cut into runs of
// quiet samples, on which no stage moves and the stages' settings hold, and the single
// samples on which a move may happen. A quiet run goes through plain copies of the stages
// (the skewed cascade) and then the step counters are advanced by what the run would have
// counted; a move sample goes through the stages themselves, which count, move and load
// their new rows. While nothing glides the whole call is one quiet run.
#include <limits>

#include "core/filter_processor.h"
#include "core/glide_schedule.h"
#include "core/skewed_cascade.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// One frame through the stages themselves, counting glide steps and moving rows as due.
template <OutputMode Mode>
void renderThroughStages(FilterStage* stages, int cascade, const float* input, float* left, float* right,
                         std::int32_t frame, Mix mix, float& peak) {
    // Read before writing: the input may be the same array as an output.
    const float dry = input[frame];
    float signal = dry;
    for (int k = 1; k < cascade; ++k) signal = stages[k].processSample(signal);
    const float wet = stages[0].processSample(signal);
    peak = wet > peak ? wet : peak;
    writeFrame<Mode>(left, right, frame, mix.apply(dry, wet));
}

template <int Cascade, OutputMode Mode>
void renderCascade(StageKernel* kernels, const float* input, float* left, float* right, std::int32_t frameCount,
                   Mix mix, float& peak) {
    switch (layoutOf(kernels, Cascade)) {
        case CascadeLayout::Plain:
            renderSkewed<Cascade, Mode, CascadeLayout::Plain>(kernels, input, left, right, frameCount, mix, peak);
            break;
        case CascadeLayout::PlainSlopes:
            renderSkewed<Cascade, Mode, CascadeLayout::PlainSlopes>(kernels, input, left, right, frameCount, mix, peak);
            break;
        case CascadeLayout::PlainSlopesResonantMain:
            renderSkewed<Cascade, Mode, CascadeLayout::PlainSlopesResonantMain>(kernels, input, left, right,
                                                                                frameCount, mix, peak);
            break;
        case CascadeLayout::Any:
            renderSkewed<Cascade, Mode, CascadeLayout::Any>(kernels, input, left, right, frameCount, mix, peak);
            break;
    }
}

// A quiet run of frames through plain copies of the stages: `kernels` holds the settings of
// `versions`, brought up to date here.
template <OutputMode Mode>
void renderQuiet(FilterStage* stages, StageKernel* kernels, std::uint32_t* versions, int cascade,
                 const float* input, float* left, float* right, std::int32_t frameCount, Mix mix, float& peak) {
    for (int k = 0; k < cascade; ++k) {
        // The version is read first: a change that lands after it is seen on the next call.
        const std::uint32_t version = stages[k].settingsVersion();
        if (version != versions[k]) {
            stages[k].loadSettings(kernels[k]);
            versions[k] = version;
        }
        stages[k].loadHistory(kernels[k]);
    }
    switch (cascade) {
        case 1: renderCascade<1, Mode>(kernels, input, left, right, frameCount, mix, peak); break;
        case 2: renderCascade<2, Mode>(kernels, input, left, right, frameCount, mix, peak); break;
        case 3: renderCascade<3, Mode>(kernels, input, left, right, frameCount, mix, peak); break;
        default: renderCascade<4, Mode>(kernels, input, left, right, frameCount, mix, peak); break;
    }
    for (int k = 0; k < cascade; ++k) stages[k].storeHistory(kernels[k]);
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
    std::int32_t frame = 0;
    while (frame < frameCount) {
        const GlideSchedule schedule(stages_, cascade);
        const std::int64_t quiet = schedule.quietSamples();
        if (quiet == 0) {
            renderThroughStages<Mode>(stages_, cascade, input, left, right, frame, mix, peak);
            ++frame;
            continue;
        }
        const std::int32_t remaining = frameCount - frame;
        const std::int32_t run = quiet < remaining ? static_cast<std::int32_t>(quiet) : remaining;
        renderQuiet<Mode>(stages_, kernels_, kernelVersions_, cascade, input + frame, left + frame, right + frame, run,
                          mix, peak);
        schedule.countQuietSamples(run);
        frame += run;
    }
    return peak;
}

float FilterProcessor::process(const float* input, float* left, float* right, std::int32_t frameCount,
                               OutputMode mode) {
    const float peak = mode == OutputMode::Accumulate ? render<OutputMode::Accumulate>(input, left, right, frameCount)
                                                      : render<OutputMode::Replace>(input, left, right, frameCount);
    if (frameCount > 0) publishChangedSettings();
    return peak;
}
