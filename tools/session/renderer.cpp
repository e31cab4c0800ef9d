// SPDX-License-Identifier: MIT
#include "tools/session/renderer.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/hosting/plugin_instance.h"
#include "tools/tool_error.h"

namespace {

constexpr double kMeterFloorDb = -60.0;
constexpr int kMeterBarWidth = 30;

std::size_t bufferCount(std::int32_t declared) { return static_cast<std::size_t>(std::max(declared, 1)); }

}  // namespace

void printMeterLine(std::ostream& out, std::int64_t block, std::int64_t firstFrame, std::int64_t frames,
                    double level) {
    const double db = level > 0.0 ? 20.0 * std::log10(level) : -INFINITY;
    const double filled = std::clamp((db - kMeterFloorDb) / -kMeterFloorDb, 0.0, 1.0) * kMeterBarWidth;
    std::string bar(kMeterBarWidth, '.');
    std::fill_n(bar.begin(), static_cast<std::ptrdiff_t>(filled), '#');
    const std::string range = std::to_string(firstFrame) + ".." + std::to_string(firstFrame + frames - 1);
    char line[200];
    std::snprintf(line, sizeof line, "meter %8lld  frames %-27s  level %9.4f  %8.2f dB  |%s|\n",
                  static_cast<long long>(block), range.c_str(), level, db, bar.c_str());
    out << line;
}

namespace {

// The peak of the finite output samples and the count of NaN and infinite ones, on the bits:
// with the sign cleared, the magnitudes of finite floats order as their bits do, infinity's
// bits come next and NaN's lie above, so the loop has no branch and compiles to vector code
// (it runs on every output sample, on the thread that runs the plug-in).
struct OutputScan {
    std::uint32_t peakBits = 0;
    std::int64_t nanSamples = 0;
    std::int64_t infiniteSamples = 0;
};

void scanOutput(const float* samples, std::int64_t frames, OutputScan& scan) {
    constexpr std::uint32_t kMagnitude = 0x7FFFFFFFu;
    constexpr std::uint32_t kInfinity = 0x7F800000u;
    std::uint32_t peak = scan.peakBits;
    std::uint32_t nans = 0, infinities = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(samples[i]) & kMagnitude;
        const std::uint32_t finite = bits < kInfinity ? bits : 0u;
        peak = finite > peak ? finite : peak;
        nans += bits > kInfinity ? 1u : 0u;
        infinities += bits == kInfinity ? 1u : 0u;
    }
    scan.peakBits = peak;
    scan.nanSamples += nans;
    scan.infiniteSamples += infinities;
}

}  // namespace

RenderSummary renderStream(PluginInstance& plugin, SignalSource& source, FrameSink& sink,
                           const std::vector<AutomationEvent>& automation, const RenderOptions& options) {
    if (options.blockSize <= 0) throw ToolError("block size must be positive");
    const auto block = static_cast<std::size_t>(options.blockSize);
    const PluginDescription& description = plugin.description();
    const std::size_t sourceChannels = static_cast<std::size_t>(source.channelCount());
    std::vector<std::vector<float>> read(sourceChannels, std::vector<float>(block));
    const std::vector<float> silence(block, 0.0f);
    std::vector<std::vector<float>> inputs(bufferCount(description.inputCount), std::vector<float>(block));
    std::vector<std::vector<float>> outputs(bufferCount(description.outputCount), std::vector<float>(block));
    std::vector<float*> readPointers, inputPointers(inputs.size()), outputPointers(outputs.size());
    for (std::vector<float>& channel : read) readPointers.push_back(channel.data());
    std::vector<const float*> sinkPointers(static_cast<std::size_t>(sink.channelCount()));
    for (std::size_t c = 0; c < sinkPointers.size(); ++c) {
        sinkPointers[c] = c < outputs.size() ? outputs[c].data() : silence.data();
    }
    const bool accumulating = options.accumulate && plugin.canAccumulate();
    std::vector<BlockParameterChange> changes;
    changes.reserve(64);

    plugin.activate(options.pluginSampleRate, options.blockSize);
    RenderSummary summary;
    OutputScan scan;
    std::size_t nextEvent = 0;
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        const std::int64_t frames = source.read(readPointers.data(), options.blockSize);
        if (frames <= 0) break;
        // Plug-ins may write into their inputs, so each block gets fresh copies.
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            const float* from = c < sourceChannels ? read[c].data() : silence.data();
            std::copy_n(from, frames, inputs[c].begin());
        }
        const std::int64_t position = summary.frames;
        // The changes inside this block, at their offsets; those at its end start the next.
        changes.clear();
        for (; nextEvent < automation.size() && automation[nextEvent].frame < position + frames; ++nextEvent) {
            const AutomationEvent& event = automation[nextEvent];
            const std::int64_t offset = std::max<std::int64_t>(event.frame - position, 0);
            changes.push_back({static_cast<std::int32_t>(offset), event.setting.index, event.setting.value});
        }
        // The accumulating call adds to what the outputs hold: start from silence.
        if (accumulating) {
            for (std::vector<float>& channel : outputs) std::fill_n(channel.begin(), frames, 0.0f);
        }
        for (std::size_t c = 0; c < inputs.size(); ++c) inputPointers[c] = inputs[c].data();
        for (std::size_t c = 0; c < outputs.size(); ++c) outputPointers[c] = outputs[c].data();
        summary.processCalls += plugin.processBlock(inputPointers.data(), outputPointers.data(),
                                                    static_cast<std::int32_t>(frames), changes, accumulating);
        sink.write(sinkPointers.data(), frames);
        for (const std::vector<float>& channel : outputs) scanOutput(channel.data(), frames, scan);
        if (options.meterOutput != nullptr) {
            if (const std::optional<double> level = plugin.meter()) {
                printMeterLine(*options.meterOutput, summary.blocks, position, frames, *level);
            }
        }
        summary.frames += frames;
        ++summary.blocks;
        if (options.progress) options.progress(summary.frames, source.totalFrames());
    }
    plugin.deactivate();
    summary.peak = std::bit_cast<float>(scan.peakBits);
    summary.nanSamples = scan.nanSamples;
    summary.infiniteSamples = scan.infiniteSamples;
    summary.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    summary.eventsNotReached = static_cast<std::int64_t>(automation.size() - nextEvent);
    return summary;
}
