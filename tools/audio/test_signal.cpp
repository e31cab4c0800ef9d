// SPDX-License-Identifier: MIT
#include "tools/audio/test_signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kImpulseSeconds = 1.0;
constexpr double kNoiseSeconds = 1.0;
constexpr double kSweepSeconds = 2.0;
constexpr double kTwoToThe32 = 4294967296.0;

}  // namespace

TestSignal::TestSignal(double sampleRate)
    : sampleRate_(sampleRate),
      noiseStart_(std::llround(sampleRate * kImpulseSeconds)),
      sweepStart_(std::llround(sampleRate * (kImpulseSeconds + kNoiseSeconds))),
      sweepEnd_(std::llround(sampleRate * (kImpulseSeconds + kNoiseSeconds + kSweepSeconds))),
      sweepEndHz_(std::min(kSweepEndHz, kSweepEndShareOfRate * sampleRate)) {}

float TestSignal::sampleAt(std::int64_t frame) {
    if (frame < noiseStart_) return frame == 0 ? static_cast<float>(kImpulseAmplitude) : 0.0f;
    if (frame < sweepStart_) {
        noiseState_ ^= noiseState_ << 13;
        noiseState_ ^= noiseState_ >> 17;
        noiseState_ ^= noiseState_ << 5;
        return static_cast<float>((noiseState_ / kTwoToThe32 - 0.5) * (2.0 * kNoiseAmplitude));
    }
    const double t = static_cast<double>(frame - sweepStart_) / sampleRate_;
    const double logRatio = std::log(sweepEndHz_ / kSweepStartHz);
    const double phase = 2.0 * std::numbers::pi * kSweepStartHz * kSweepSeconds / logRatio *
                         (std::exp(t * logRatio / kSweepSeconds) - 1.0);
    return static_cast<float>(kSweepAmplitude * std::sin(phase));
}

std::int64_t TestSignal::read(float* const* channels, std::int64_t frames) {
    const std::int64_t count = std::max<std::int64_t>(0, std::min(frames, sweepEnd_ - position_));
    for (std::int64_t i = 0; i < count; ++i) channels[0][i] = sampleAt(position_ + i);
    position_ += count;
    return count;
}
