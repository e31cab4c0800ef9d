// SPDX-License-Identifier: MIT
// The magnitude response of a loaded effect, measured through its real entries. This one
// helper feeds the plot, the CSV and the tests:
//   1. apply the settings;
//   2. render silence long enough for any glide toward the new settings to finish (the
//      render activates the plug-in at the rate and deactivates it at the end, as `render`
//      does, which clears its history);
//   3. render an impulse followed by silence into every input, and take the FFT of output
//      channel 0 divided by the impulse's height;
//   4. the impulse is as large as the plug-in stays linear for: starting from the largest
//      height, it is halved until two heights in a row give the same response near its
//      peak, and the larger of the two is the result. Noise of a fixed level, such as that
//      of our filter's flushing of tiny state values, then stays as far below the curves as
//      the plug-in's limiters allow.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/session/parameter_settings.h"

class PluginInstance;

struct ResponseOptions {
    double sampleRate = 44100.0;
    // Length of the recorded impulse response and of the FFT.
    std::int32_t fftSize = 65536;
    // The heights tried, from the largest down (halving each time) to the smallest, which
    // keeps every soft limiter of our filter linear even at full resonance and +6 dB level
    // (they start to act near 1.0 there) and is taken without a check.
    double largestImpulseHeight = 0.5;
    double smallestImpulseHeight = 1e-2;
    // When set, exactly this height and no search.
    std::optional<double> fixedImpulseHeight;
    // How closely two heights must agree, within how many dB of the response's peak.
    double linearityToleranceDb = 0.02;
    double linearityWindowDb = 30.0;
    // Our filter glides one table row per smoothing period; the slowest glide crosses all 79
    // rows at the longest period, 4000 samples. One period more is a margin.
    std::int64_t settleFrames = 79 * 4000 + 4000;
    std::int32_t blockSize = 512;
};

// A gain of exactly zero is given as this level rather than minus infinity.
inline constexpr double kSilenceDecibels = -400.0;

struct FrequencyResponse {
    double sampleRate = 0.0;
    // The height of the impulse the response was measured with.
    double impulseHeight = 0.0;
    // Bin k of the FFT: frequency k * rate / fftSize, for k from 0 to fftSize / 2.
    std::vector<double> frequencies;
    std::vector<double> decibels;

    // The gain in dB at `hz`, interpolated linearly between the neighbouring bins.
    double decibelsAt(double hz) const;
    // The largest gain, and where it is, between two frequencies (inclusive).
    double peakDecibels(double fromHz, double toHz, double* atHz = nullptr) const;
    // No output at any frequency (a level of zero, a muted plug-in).
    bool silent() const;
};

FrequencyResponse measureResponse(PluginInstance& plugin, const std::vector<ParameterSetting>& settings,
                                  const ResponseOptions& options);
