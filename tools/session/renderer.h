// SPDX-License-Identifier: MIT
// Streams a signal through a plug-in block by block, as a host does: the plug-in is
// activated with the rate and block size, each block is processed (or, on request, added
// onto zeroed outputs through the accumulating call), and it is deactivated at the end.
// Automation events reach the plug-in with the block they fall in, at their offsets inside
// it (PluginInstance::processBlock: split there, or as the format's own timed events), so
// each change takes effect exactly at its sample.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "tools/session/automation.h"
#include "tools/audio/frame_sink.h"
#include "tools/audio/signal_source.h"

class PluginInstance;

struct RenderOptions {
    double pluginSampleRate = 44100.0;
    std::int32_t blockSize = 512;
    // Use the accumulating call even when the plug-in offers the replacing one.
    bool accumulate = false;
    // When set, and the plug-in has a meter, one meter line per block is written here.
    std::ostream* meterOutput = nullptr;
    // Called after every block with the frames done and the source's total.
    std::function<void(std::int64_t, std::int64_t)> progress;
};

struct RenderSummary {
    std::int64_t frames = 0;
    double wallSeconds = 0.0;
    // Largest magnitude of the finite samples on any output channel.
    float peak = 0.0f;
    // Output samples that are NaN, and that are infinite, on all channels together.
    std::int64_t nanSamples = 0;
    std::int64_t infiniteSamples = 0;
    std::int64_t blocks = 0;
    std::int64_t processCalls = 0;
    // Events at or beyond the end of the signal, never applied.
    std::int64_t eventsNotReached = 0;
};

// Source channel c feeds plug-in input c; inputs beyond the source's channels get silence.
// The sink gets the plug-in's first outputs, as many as it has channels. The plug-in gets at
// least one input and one output buffer, and as many as it declares.
RenderSummary renderStream(PluginInstance& plugin, SignalSource& source, FrameSink& sink,
                           const std::vector<AutomationEvent>& automation, const RenderOptions& options);

// "meter       12  frames         6144..6655          level    0.5000     -6.02 dB  |####....|",
// with every column at a fixed place.
void printMeterLine(std::ostream& out, std::int64_t block, std::int64_t firstFrame, std::int64_t frames, double level);
