#include "tools/renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "tools/loaded_effect.h"
#include "tools/tool_error.h"

namespace {

// We always give the effect at least one input and two outputs, since we feed one and
// write two, whatever the record says.
constexpr std::int32_t kMinimumInputs = 1;
constexpr std::int32_t kMinimumOutputs = 2;
// Scale of the meter value the dispatcher returns.
constexpr double kMeterFullScale = 32767.0;
constexpr double kMeterFloorDb = -60.0;
constexpr int kMeterBarWidth = 30;

std::size_t channelCount(std::int32_t declared, std::int32_t minimum) {
    return static_cast<std::size_t>(std::max(declared, minimum));
}

}  // namespace

void printMeterLine(std::ostream& out, std::int64_t block, std::int64_t firstFrame, std::int64_t frames,
                    std::int32_t meterValue) {
    const double level = meterValue / kMeterFullScale;
    const double db = level > 0.0 ? 20.0 * std::log10(level) : -INFINITY;
    const double filled = std::clamp((db - kMeterFloorDb) / -kMeterFloorDb, 0.0, 1.0) * kMeterBarWidth;
    std::string bar(kMeterBarWidth, '.');
    std::fill_n(bar.begin(), static_cast<std::ptrdiff_t>(filled), '#');
    char line[160];
    std::snprintf(line, sizeof line, "meter %6lld  frames %lld..%lld  level %6d  %.4f  %7.2f dB  |%s|\n",
                  static_cast<long long>(block), static_cast<long long>(firstFrame),
                  static_cast<long long>(firstFrame + frames - 1), meterValue, level, db, bar.c_str());
    out << line;
}

RenderSummary renderStream(LoadedEffect& effect, SignalSource& source, FrameSink& sink,
                           const std::vector<AutomationEvent>& automation, const RenderOptions& options) {
    if (options.blockSize <= 0) throw ToolError("block size must be positive");
    const auto block = static_cast<std::size_t>(options.blockSize);
    const AEffect& record = effect.record();
    std::vector<std::vector<float>> inputs(channelCount(record.inputCount, kMinimumInputs), std::vector<float>(block));
    std::vector<std::vector<float>> outputs(channelCount(record.outputCount, kMinimumOutputs),
                                            std::vector<float>(block));
    std::vector<float*> inputPointers(inputs.size());
    std::vector<float*> outputPointers(outputs.size());
    const bool replacing = effect.canReplace() && !options.accumulate;

    effect.setSampleRate(static_cast<float>(options.pluginSampleRate));
    effect.setBlockSize(options.blockSize);
    effect.resume();

    RenderSummary summary;
    std::size_t nextEvent = 0;
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        const std::int64_t frames = source.read(inputs[0].data(), options.blockSize);
        if (frames <= 0) break;
        const std::int64_t position = summary.frames;
        std::int64_t offset = 0;
        while (offset < frames) {
            while (nextEvent < automation.size() && automation[nextEvent].frame <= position + offset) {
                effect.setParameter(automation[nextEvent].setting.index, automation[nextEvent].setting.value);
                ++nextEvent;
            }
            std::int64_t end = frames;
            if (nextEvent < automation.size() && automation[nextEvent].frame < position + frames) {
                end = automation[nextEvent].frame - position;
            }
            const auto first = static_cast<std::size_t>(offset);
            for (std::size_t c = 0; c < inputs.size(); ++c) inputPointers[c] = inputs[c].data() + first;
            for (std::size_t c = 0; c < outputs.size(); ++c) {
                // The accumulating entry adds to what the outputs hold: start from silence.
                if (!replacing) {
                    std::fill(outputs[c].begin() + static_cast<std::ptrdiff_t>(first),
                              outputs[c].begin() + static_cast<std::ptrdiff_t>(end), 0.0f);
                }
                outputPointers[c] = outputs[c].data() + first;
            }
            const auto count = static_cast<std::int32_t>(end - offset);
            if (replacing) {
                effect.processReplacing(inputPointers.data(), outputPointers.data(), count);
            } else {
                effect.processAccumulating(inputPointers.data(), outputPointers.data(), count);
            }
            ++summary.processCalls;
            offset = end;
        }
        sink.write(outputs[0].data(), outputs[1].data(), frames);
        for (std::size_t c = 0; c < 2; ++c) {
            for (std::int64_t i = 0; i < frames; ++i) {
                summary.peak = std::max(summary.peak, std::fabs(outputs[c][static_cast<std::size_t>(i)]));
            }
        }
        if (options.meterOutput != nullptr) {
            printMeterLine(*options.meterOutput, summary.blocks, position, frames, effect.meter());
        }
        summary.frames += frames;
        ++summary.blocks;
        if (options.progress) options.progress(summary.frames, source.totalFrames());
    }
    effect.suspend();
    summary.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    summary.eventsNotReached = static_cast<std::int64_t>(automation.size() - nextEvent);
    return summary;
}
