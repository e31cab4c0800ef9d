// SPDX-License-Identifier: MIT
// The built-in test signal, rendered when no input file is given. It is fully determined by
// the sample rate R (every value formed in double precision and rounded to float once):
//
//   0 s to 1 s    an impulse: 0.5 at the first sample, then silence (the filter's ringing);
//   1 s to 2 s    white noise, uniform in [-0.25, 0.25), from the 32-bit xorshift generator
//                 x ^= x << 13; x ^= x >> 17; x ^= x << 5 seeded with 0x2545F491, each value
//                 mapped as (x / 2^32 - 0.5) * 0.5;
//   2 s to 4 s    a logarithmic sine sweep of amplitude 0.5 from 20 Hz to min(20000, 0.45 R):
//                 sin(2 pi f0 T / ln(f1/f0) * (exp(t ln(f1/f0) / T) - 1)), T = 2 s, t from 0.
//
// Segment boundaries fall at round(R), round(2R) and round(4R) samples.
#pragma once

#include <cstdint>

#include "tools/audio/signal_source.h"

class TestSignal : public SignalSource {
public:
    explicit TestSignal(double sampleRate);
    int channelCount() const override { return 1; }
    std::int64_t read(float* const* channels, std::int64_t frames) override;
    std::int64_t totalFrames() const override { return sweepEnd_; }
    double sampleRate() const override { return sampleRate_; }

    static constexpr double kImpulseAmplitude = 0.5;
    static constexpr double kNoiseAmplitude = 0.25;
    static constexpr double kSweepAmplitude = 0.5;
    static constexpr double kSweepStartHz = 20.0;
    static constexpr double kSweepEndHz = 20000.0;
    static constexpr double kSweepEndShareOfRate = 0.45;
    static constexpr std::uint32_t kNoiseSeed = 0x2545F491u;

private:
    float sampleAt(std::int64_t frame);

    double sampleRate_;
    std::int64_t noiseStart_;
    std::int64_t sweepStart_;
    std::int64_t sweepEnd_;
    double sweepEndHz_;
    std::int64_t position_ = 0;
    std::uint32_t noiseState_ = kNoiseSeed;
};
