// The magnitude response of a loaded effect, measured through its real entries. This one
// helper feeds the plot, the CSV and the tests:
//   1. announce the rate, apply the settings;
//   2. clear the history (suspend, then resume) and render silence long enough for any
//      glide toward the new settings to finish;
//   3. clear the history again and render an impulse small enough for the soft limiters to
//      stay linear, followed by silence;
//   4. the FFT of output channel 0, divided by the impulse's height, is the response.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/parameter_settings.h"

class LoadedEffect;

struct ResponseOptions {
    double sampleRate = 44100.0;
    // Length of the recorded impulse response and of the FFT.
    std::int32_t fftSize = 65536;
    // Small enough that no soft limiter leaves its linear range even at full resonance and
    // +6 dB level (the limiters start to act near 1.0 there), large enough that the noise
    // the effect's flushing of tiny state values adds stays far below the curves: that noise
    // does not scale with the impulse, so a smaller one measures deep stop bands worse.
    double impulseHeight = 1e-2;
    // Our filter glides one table row per smoothing period; the slowest glide crosses all 79
    // rows at the longest period, 4000 samples. One period more is a margin.
    std::int64_t settleFrames = 79 * 4000 + 4000;
    std::int32_t blockSize = 512;
};

struct FrequencyResponse {
    double sampleRate = 0.0;
    // Bin k of the FFT: frequency k * rate / fftSize, for k from 0 to fftSize / 2.
    std::vector<double> frequencies;
    std::vector<double> decibels;

    // The gain in dB at `hz`, interpolated linearly between the neighbouring bins.
    double decibelsAt(double hz) const;
    // The largest gain, and where it is, between two frequencies (inclusive).
    double peakDecibels(double fromHz, double toHz, double* atHz = nullptr) const;
};

FrequencyResponse measureResponse(LoadedEffect& effect, const std::vector<ParameterSetting>& settings,
                                  const ResponseOptions& options);
