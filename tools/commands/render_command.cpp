// SPDX-License-Identifier: MIT
// render: an audio file (or the built-in test signal) through the plug-in into a file.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

#include "tools/audio/audio_file_sink.h"
#include "tools/audio/background_io.h"
#include "tools/commands/command_support.h"
#include "tools/commands/progress_bar.h"
#include "tools/session/renderer.h"
#include "tools/audio/tail_source.h"
#include "tools/audio/test_signal.h"
#include "tools/tool_error.h"

namespace {

constexpr int kLargestBlock = 1 << 20;
// An hour at the highest rate is more tail than anything rings for.
constexpr double kLongestTailSeconds = 3600.0;

std::string decibelsText(double level) {
    char text[32];
    if (level > 0.0) {
        std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(level));
    } else {
        std::snprintf(text, sizeof text, "-inf dBFS");
    }
    return text;
}

std::string nonFiniteText(std::int64_t nan, std::int64_t infinite) {
    return std::to_string(nan) + " NaN and " + std::to_string(infinite) + " infinite samples";
}

}  // namespace

int runRender(const CommonOptions& common, const RenderCommand& command) {
    // Everything is checked before the output file is created.
    auto plugin = loadChosenPlugin(common);
    const PluginDescription& description = plugin->description();
    const std::string pluginName = description.path.filename().string();
    if (description.outputCount < 1) throw ToolError(pluginName + " has no outputs: there is nothing to render");
    if (command.program && (*command.program < 0 || *command.program >= plugin->programCount())) {
        throw ToolError("program " + std::to_string(*command.program) + " does not exist; the module has " +
                        std::to_string(plugin->programCount()));
    }
    if (command.block < 1 || command.block > kLargestBlock) {
        throw ToolError("block size " + std::to_string(command.block) + " is out of range (1 to " +
                        std::to_string(kLargestBlock) + ")");
    }
    if (!(command.tailSeconds >= 0.0 && command.tailSeconds <= kLongestTailSeconds)) {
        throw ToolError("--tail must be from 0 to " + std::to_string(static_cast<int>(kLongestTailSeconds)) + " seconds");
    }
    if (common.rate) checkRate(*common.rate);
    if (!command.out.discard) checkOutputAllowed(command.out.output, command.out.noClobber);

    std::unique_ptr<SignalSource> source;
    if (command.input.empty()) {
        source = std::make_unique<TestSignal>(common.rate.value_or(kDefaultRate));
    } else {
        auto file = std::make_unique<AudioFileSource>(command.input, kIoChunkFrames);
        if (const std::int64_t declared = file->declaredFramesBeyondData(); declared > 0) {
            warn("input file " + command.input + " is cut short: its header declares " + std::to_string(declared) +
                 " frames, it holds " + std::to_string(file->totalFrames()));
        }
        source = std::move(file);
    }
    const double streamRate = source->sampleRate();
    const double pluginRate = common.rate.value_or(streamRate);
    ChannelRouting routing = routeChannels(source->channelCount(), description.inputCount, command.channels);
    for (const std::string& warning : routing.warnings) warn(warning);
    const auto tailFrames = static_cast<std::int64_t>(std::llround(command.tailSeconds * streamRate));
    // Read ahead on a thread of its own, in large chunks, with the channels already routed.
    auto routed = std::make_unique<RoutedSource>(std::move(source), std::move(routing), kIoChunkFrames);
    PrefetchingSource prefetched(std::make_unique<TailSource>(std::move(routed), tailFrames));

    announceRate(*plugin, pluginRate, command.block);
    if (command.program) plugin->selectProgram(*command.program);
    const ParameterNames names(*plugin);
    const std::vector<ParameterSetting> settings = resolveSettings(*plugin, names, common.settings);
    std::vector<AutomationEvent> automation;
    if (!command.automation.empty()) automation = readAutomationFile(command.automation, names, streamRate);
    for (const AutomationEvent& event : automation) warnAboutValueSent(*plugin, event.setting, names);
    if (description.isInstrument) {
        warn(pluginName + " is an instrument; it gets no notes (MIDI input is not supported), so it may render silence");
    }
    if (command.accumulate && !plugin->canAccumulate()) {
        warn(pluginName + " has no accumulating process call; --accumulate is ignored");
    }
    const bool meter = command.meter && description.hasMeter;
    if (command.meter && !meter) warn("the plug-in has no meter; --meter prints nothing");

    const int channels = description.outputCount;
    std::unique_ptr<AudioFileSink> file;
    std::unique_ptr<FrameSink> discard;
    if (command.out.discard) {
        discard = std::make_unique<DiscardingSink>(channels);
    } else {
        file = std::make_unique<AudioFileSink>(command.out.output, command.out.noClobber, command.out.format, channels,
                                               static_cast<int>(std::lround(streamRate)), kIoChunkFrames);
    }
    const bool toStandardOutput = file && file->output().isStandardOutput();
    std::ostream& report = toStandardOutput ? std::cerr : std::cout;
    BackgroundSink sink(file ? static_cast<FrameSink&>(*file) : *discard);  // writes behind, on a thread of its own
    applySettings(*plugin, settings);

    ProgressBar progress(!command.out.quiet);
    RenderOptions options;
    options.pluginSampleRate = pluginRate;
    options.blockSize = command.block;
    options.accumulate = command.accumulate;
    options.meterOutput = meter ? &report : nullptr;
    if (progress.enabled()) options.progress = [&progress](std::int64_t done, std::int64_t total) {
        progress.update(done, total);
    };
    const RenderSummary summary = renderStream(*plugin, prefetched, sink, automation, options);
    sink.finish();
    progress.finish();
    if (file) file->commit();

    const bool clipped = file && file->clipsBeyondFullScale();
    if (clipped && summary.peak > 1.0f) {
        char peak[32];
        std::snprintf(peak, sizeof peak, "%g", static_cast<double>(summary.peak));
        warn(std::string("the output format holds no values beyond full scale; samples up to ") + peak +
             " were clipped (use .wav for 32-bit float)");
    }
    if (summary.nanSamples + summary.infiniteSamples > 0) {
        warn("the output holds " + nonFiniteText(summary.nanSamples, summary.infiniteSamples) +
             (clipped ? "; the output format holds neither, so NaN was written as 0 and infinities as full scale"
                      : ""));
    }
    if (summary.eventsNotReached > 0) {
        warn(std::to_string(summary.eventsNotReached) +
             " automation change(s) lie at or beyond the end of the signal and were not applied");
    }
    if (command.out.quiet) return 0;
    const double audioSeconds = static_cast<double>(summary.frames) / streamRate;
    std::string nonFinite;
    if (summary.nanSamples + summary.infiniteSamples > 0) {
        nonFinite = ", " + nonFiniteText(summary.nanSamples, summary.infiniteSamples);
    }
    const std::string destination = command.out.discard ? std::string("(discarded)") : command.out.output;
    char line[400];
    std::snprintf(line, sizeof line,
                  "rendered %lld samples (%.3f s of audio at %g Hz) in %.3f s, %.1fx real time, peak %.6f (%s)%s -> %s\n",
                  static_cast<long long>(summary.frames), audioSeconds, streamRate, summary.wallSeconds,
                  summary.wallSeconds > 0.0 ? audioSeconds / summary.wallSeconds : INFINITY,
                  static_cast<double>(summary.peak), decibelsText(summary.peak).c_str(), nonFinite.c_str(),
                  destination.c_str());
    report << line;
    return 0;
}
