// SPDX-License-Identifier: MIT
// The audio loops: one input channel through the cascade of stages, mixed with the dry
// signal, written identically to two output channels; or two input channels, each through
// the same stages with its own history, mixed with its own dry signal and written to its own
// output. The slope stages run in index order ahead of the main stage, which always runs
// last. One frame, of either kind, counts one step of each gliding stage.
//
// A stage's settings change only on a sample where it moves a glide index, and those samples
// are rare: at most one move per stage per smoothing period. So a call is cut into runs of
// quiet samples, on which no stage moves and the stages' settings hold, and the single
// samples on which a move may happen. A quiet run goes through plain copies of the stages
// (the skewed cascade) and then the step counters are advanced by what the run would have
// counted; a move sample goes through the stages themselves, which count, move and load
// their new rows. While nothing glides the whole call is one quiet run.
#include <limits>
#include <type_traits>

#include "core/filter_processor.h"
#include "core/glide_schedule.h"
#include "core/skewed_cascade.h"
#include "core/stereo_block.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// One frame through the stages themselves, counting glide steps and moving rows as due.
template <OutputMode Mode, typename Block, typename Value = typename Block::Value>
void renderThroughStages(FilterStage* stages, int cascade, Block block, std::int32_t frame, Mix mix, Value& peak) {
    // Read before writing: the input may be the same array as an output.
    const Value dry = block.dry(frame);
    Value signal = dry;
    for (int k = 1; k < cascade; ++k) signal = stages[k].processSample(signal);
    const Value wet = stages[0].processSample(signal);
    peak = higherOf(wet, peak);
    block.template write<Mode>(frame, mix.apply(dry, wet));
}

template <int Cascade, OutputMode Mode, typename Block, typename Value = typename Block::Value>
void renderCascade(StageKernelOf<Value>* kernels, Block block, std::int32_t frameCount, Mix mix, Value& peak) {
    switch (layoutOf(kernels, Cascade)) {
        case CascadeLayout::Plain:
            renderSkewed<Cascade, Mode, CascadeLayout::Plain>(kernels, block, frameCount, mix, peak);
            break;
        case CascadeLayout::PlainSlopes:
            renderSkewed<Cascade, Mode, CascadeLayout::PlainSlopes>(kernels, block, frameCount, mix, peak);
            break;
        case CascadeLayout::PlainSlopesResonantMain:
            renderSkewed<Cascade, Mode, CascadeLayout::PlainSlopesResonantMain>(kernels, block, frameCount, mix, peak);
            break;
        case CascadeLayout::ResonantType:
            renderSkewed<Cascade, Mode, CascadeLayout::ResonantType>(kernels, block, frameCount, mix, peak);
            break;
        case CascadeLayout::ResonantTypeResonantMain:
            renderSkewed<Cascade, Mode, CascadeLayout::ResonantTypeResonantMain>(kernels, block, frameCount, mix, peak);
            break;
        case CascadeLayout::Any:
            renderSkewed<Cascade, Mode, CascadeLayout::Any>(kernels, block, frameCount, mix, peak);
            break;
    }
}

template <OutputMode Mode, typename Block, typename Value = typename Block::Value>
void renderCascadeOf(int cascade, StageKernelOf<Value>* kernels, Block block, std::int32_t frameCount, Mix mix,
                     Value& peak) {
    switch (cascade) {
        case 1: renderCascade<1, Mode>(kernels, block, frameCount, mix, peak); break;
        case 2: renderCascade<2, Mode>(kernels, block, frameCount, mix, peak); break;
        case 3: renderCascade<3, Mode>(kernels, block, frameCount, mix, peak); break;
        default: renderCascade<4, Mode>(kernels, block, frameCount, mix, peak); break;
    }
}

// A quiet run of frames through plain copies of the stages: `kernels` holds the settings of
// `versions`, brought up to date here. A stereo run copies them into both lanes.
template <OutputMode Mode, typename Block, typename Value = typename Block::Value>
void renderQuiet(FilterStage* stages, StageKernel* kernels, std::uint32_t* versions, int cascade, Block block,
                 std::int32_t frameCount, Mix mix, Value& peak) {
    for (int k = 0; k < cascade; ++k) {
        // The version is read first: a change that lands after it is seen on the next call.
        const std::uint32_t version = stages[k].settingsVersion();
        if (version != versions[k]) {
            stages[k].loadSettings(kernels[k]);
            versions[k] = version;
        }
    }
    if constexpr (std::is_same_v<Value, float>) {
        for (int k = 0; k < cascade; ++k) stages[k].loadHistory(kernels[k]);
        renderCascadeOf<Mode>(cascade, kernels, block, frameCount, mix, peak);
        for (int k = 0; k < cascade; ++k) stages[k].storeHistory(kernels[k]);
    } else {
        StereoStageKernel channels[kStageCount];
        for (int k = 0; k < cascade; ++k) {
            copyToBothChannels(kernels[k], channels[k]);
            stages[k].loadHistory(channels[k]);
        }
        renderCascadeOf<Mode>(cascade, channels, block, frameCount, mix, peak);
        for (int k = 0; k < cascade; ++k) stages[k].storeHistory(channels[k]);
    }
}

// A whole call: the frames between two glide moves run as quiet runs, the frames that may
// move a row one at a time through the stages themselves. Returns the call's peak.
template <OutputMode Mode, typename Block, typename Value = typename Block::Value>
float renderFrames(FilterStage* stages, StageKernel* kernels, std::uint32_t* versions, int cascade, Block block,
                   std::int32_t frameCount, Mix mix) {
    // The signed value is compared, so negative samples never raise the peak.
    Value peak = Block::noPeak();
    std::int32_t frame = 0;
    while (frame < frameCount) {
        const GlideSchedule schedule(stages, cascade);
        const std::int64_t quiet = schedule.quietSamples();
        if (quiet == 0) {
            renderThroughStages<Mode>(stages, cascade, block, frame, mix, peak);
            ++frame;
            continue;
        }
        const std::int32_t remaining = frameCount - frame;
        const std::int32_t run = quiet < remaining ? static_cast<std::int32_t>(quiet) : remaining;
        renderQuiet<Mode>(stages, kernels, versions, cascade, block.from(frame), run, mix, peak);
        schedule.countQuietSamples(run);
        frame += run;
    }
    return Block::highest(peak);
}

}  // namespace

template <OutputMode Mode>
float FilterProcessor::render(const float* input, float* left, float* right, std::int32_t frameCount) {
    // The mix factors hold for the whole call; a change made meanwhile counts from the next.
    const double wetShare = dryWetMix_.load(relaxed);
    const Mix mix{static_cast<float>(1.0 - wetShare), wetShare};
    if (frameCount <= 0) return -std::numeric_limits<float>::infinity();

    const int cascade = static_cast<int>(slopeStages_.load(relaxed));
    return renderFrames<Mode>(stages_, kernels_, kernelVersions_, cascade, MonoBlock{input, left, right}, frameCount,
                              mix);
}

float FilterProcessor::process(const float* input, float* left, float* right, std::int32_t frameCount,
                               OutputMode mode) {
    const float peak = mode == OutputMode::Accumulate ? render<OutputMode::Accumulate>(input, left, right, frameCount)
                                                      : render<OutputMode::Replace>(input, left, right, frameCount);
    if (frameCount > 0) publishChangedSettings();
    return peak;
}

template <OutputMode Mode>
float FilterProcessor::renderStereo(const float* inputLeft, const float* inputRight, float* left, float* right,
                                    std::int32_t frameCount) {
    const double wetShare = dryWetMix_.load(relaxed);
    const Mix mix{static_cast<float>(1.0 - wetShare), wetShare};
    if (frameCount <= 0) return -std::numeric_limits<float>::infinity();

    const int cascade = static_cast<int>(slopeStages_.load(relaxed));
    return renderFrames<Mode>(stages_, kernels_, kernelVersions_, cascade,
                              StereoBlock{inputLeft, inputRight, left, right}, frameCount, mix);
}

float FilterProcessor::process(const float* inputLeft, const float* inputRight, float* left, float* right,
                               std::int32_t frameCount, OutputMode mode) {
    return mode == OutputMode::Accumulate
               ? renderStereo<OutputMode::Accumulate>(inputLeft, inputRight, left, right, frameCount)
               : renderStereo<OutputMode::Replace>(inputLeft, inputRight, left, right, frameCount);
}
