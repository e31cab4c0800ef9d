// Streams a signal through a loaded effect block by block, as a host does: the rate and
// block size are announced, processing is switched on, and each block goes through the
// replacing entry (or the accumulating one onto zeroed outputs). Automation events split a
// block at their sample, so each change takes effect exactly at its position.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "tools/automation.h"
#include "tools/frame_sink.h"
#include "tools/signal_source.h"

class LoadedEffect;

struct RenderOptions {
    double pluginSampleRate = 44100.0;
    std::int32_t blockSize = 512;
    // Use the accumulating entry even when the effect offers the replacing one.
    bool accumulate = false;
    // When set, one meter line per block (dispatcher opcode 9) is written here.
    std::ostream* meterOutput = nullptr;
    // Called after every block with the frames done and the source's total.
    std::function<void(std::int64_t, std::int64_t)> progress;
};

struct RenderSummary {
    std::int64_t frames = 0;
    double wallSeconds = 0.0;
    // Largest magnitude on either output channel.
    float peak = 0.0f;
    std::int64_t blocks = 0;
    std::int64_t processCalls = 0;
    // Events at or beyond the end of the signal, never applied.
    std::int64_t eventsNotReached = 0;
};

RenderSummary renderStream(LoadedEffect& effect, SignalSource& source, FrameSink& sink,
                           const std::vector<AutomationEvent>& automation, const RenderOptions& options);

// "meter    12  frames 6144..6655  level 16383  0.5000  -6.02 dB  |########....|"
void printMeterLine(std::ostream& out, std::int64_t block, std::int64_t firstFrame, std::int64_t frames,
                    std::int32_t meterValue);
