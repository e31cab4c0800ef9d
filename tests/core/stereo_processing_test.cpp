// SPDX-License-Identifier: MIT
// Two channels through one processor: each output must be bit for bit what a fresh processor
// makes of that channel's input alone, with the same parameter changes at the same frames,
// starting from the same state of the module-wide step counters, which the stereo render and
// each one-channel render must also leave alike: a stereo frame counts one glide step, as a
// mono sample does. Every call's peak is the higher of the two channels' peaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/filter_processor.h"

namespace {

constexpr std::int32_t kSuspend = -1;  // a change that suspends the processor instead
constexpr float kInfinity = std::numeric_limits<float>::infinity();

struct Change {
    std::int32_t frame;
    std::int32_t parameter;  // or kSuspend
    float value;
};

bool sameBits(const float* a, const float* b, std::size_t n) { return std::memcmp(a, b, n * sizeof(float)) == 0; }

std::vector<float> noise(std::size_t n, std::uint32_t seed, float scale) {
    std::vector<float> signal(n);
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        // Loud now and then, so the limiters bend it.
        signal[i] = (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * (i % 500 < 15 ? 3.5f : scale);
    }
    return signal;
}

// An output channel with guard words before and after it; what accumulating calls add to is
// `fill` times a pattern of its own per channel.
struct Guarded {
    static constexpr std::size_t kGuard = 3;
    static constexpr float kGuardValue = -555.0f;
    std::vector<float> words;
    Guarded(std::size_t frames, float fill) : words(frames + 2 * kGuard, kGuardValue) {
        for (std::size_t i = 0; i < frames; ++i) words[kGuard + i] = fill * static_cast<float>(i % 7);
    }
    float* at(std::size_t frame) { return words.data() + kGuard + frame; }
    bool guardsIntact() const {
        return std::all_of(words.begin(), words.begin() + kGuard, [](float v) { return v == kGuardValue; }) &&
               std::all_of(words.end() - kGuard, words.end(), [](float v) { return v == kGuardValue; });
    }
};

// Runs `frames` frames in calls of the given sizes (in turn, 0 among them), cut at every
// change so that each lands at its exact frame; odd calls accumulate, even ones replace.
// `process(first frame, frames, mode)` returns the call's peak; the peaks are returned.
template <typename Process>
std::vector<float> runScript(FilterProcessor& processor, const std::vector<Change>& changes,
                             const std::vector<std::int32_t>& calls, std::int32_t frames, Process process) {
    std::vector<float> peaks;
    std::size_t nextChange = 0, nextCall = 0;
    for (std::int32_t frame = 0; frame < frames;) {
        for (; nextChange < changes.size() && changes[nextChange].frame <= frame; ++nextChange) {
            const Change& change = changes[nextChange];
            if (change.parameter == kSuspend) processor.suspend();
            else processor.setParameter(change.parameter, change.value);
        }
        std::int32_t n = std::min(calls[nextCall++ % calls.size()], frames - frame);
        if (nextChange < changes.size()) n = std::min(n, changes[nextChange].frame - frame);
        const OutputMode mode = peaks.size() % 2 == 1 ? OutputMode::Accumulate : OutputMode::Replace;
        peaks.push_back(process(frame, n, mode));
        frame += n;
    }
    return peaks;
}

// The signals, and where the stereo call writes: its own arrays, crossed (the left output is
// the right input's array and the other way round), or the input arrays themselves.
enum class Signals { Different, RightSilentCrossed, NonFiniteLeftInPlace };

struct Case {
    int type;  // 0..4
    int stages;
    bool resonance;
    Signals signals;
};

std::string nameOf(const Case& c) {
    const char* signals[] = {"Different", "RightSilentCrossed", "NonFiniteLeftInPlace"};
    std::ostringstream out;
    out << "type" << c.type << "_stages" << c.stages << (c.resonance ? "_res" : "") << "_"
        << signals[static_cast<int>(c.signals)];
    return out.str();
}

class StereoProcessing : public ::testing::TestWithParam<Case> {};

TEST_P(StereoProcessing, EachChannelIsWhatTheMonoFilterMakesOfItAlone) {
    const Case c = GetParam();
    constexpr std::int32_t kFrames = 9000;
    std::vector<float> inputs[2] = {noise(kFrames, 11u + c.type, 0.6f), noise(kFrames, 97u + c.stages, 0.3f)};
    if (c.signals == Signals::RightSilentCrossed) inputs[1].assign(kFrames, 0.0f);
    if (c.signals == Signals::NonFiniteLeftInPlace) {
        for (const std::int32_t f : {1000, 7777}) inputs[0][f] = std::numeric_limits<float>::quiet_NaN();
        inputs[0][4001] = kInfinity;
        inputs[0][4002] = -kInfinity;
        inputs[0][6050] = kInfinity;  // while the level is zero
    }

    // The case's setting at frame 0, then automation: glides of frequency and resonance
    // started and retargeted mid-glide, smoothing, level, mix and slope changes, a suspend.
    const float res = c.resonance ? 0.75f : 0.0f;
    const std::vector<Change> changes = {
        {0, kParameterType, c.type / 4.0f},      {0, kParameterCutoff, (c.stages - 1) / 3.0f},
        {0, kParameterResonance, res},           {0, kParameterSmoothing, 0.005f},
        {0, kParameterFrequency, 0.3f},          {1, kParameterFrequency, 0.7f},
        {777, kParameterFrequency, 0.45f},       {1500, kParameterLevel, 0.8f},
        {2222, kParameterDryWet, 0.6f},          {2600, kParameterResonance, c.resonance ? 0.3f : 0.0f},
        {3001, kParameterSmoothing, 0.0f},       {3002, kParameterFrequency, 0.9f},
        {3900, kSuspend, 0.0f},                  {4500, kParameterCutoff, 0.34f},
        {4600, kParameterFrequency, 0.1f},       {5000, kParameterCutoff, (c.stages - 1) / 3.0f},
        {5555, kParameterSmoothing, 0.02f},      {5556, kParameterFrequency, 0.6f},
        {6000, kParameterLevel, 0.0f},           {6100, kParameterLevel, 0.5f},
        {7000, kParameterDryWet, 1.0f},          {7001, kParameterResonance, c.resonance ? 1.0f : 0.0f},
        {8000, kParameterFrequency, 0.2f},
    };
    // Calls of no frame, of fewer frames than the skewed pipeline has positions, of exactly
    // as many, odd ones and large ones.
    const std::vector<std::int32_t> calls = {1, 0, 3, 64, 17, 4096, 2, 4, 511, 128, 5, 6, 4099};
    const std::pair<float, float> startCounters{static_cast<float>(c.type * 3 + c.stages), c.resonance ? 5.0f : 0.0f};
    const auto startCountersAgain = [&] {
        frequencyStepCounter.store(startCounters.first);
        resonanceStepCounter.store(startCounters.second);
    };
    const auto counters = [] { return std::pair{frequencyStepCounter.load(), resonanceStepCounter.load()}; };

    // Where the stereo call writes channel 0 and 1: each output starts as what accumulating
    // calls add to, which for arrays shared with the inputs is the input.
    Guarded outputs[2] = {Guarded(kFrames, 0.125f), Guarded(kFrames, -0.25f)};
    const bool crossed = c.signals == Signals::RightSilentCrossed;
    const bool inPlace = c.signals == Signals::NonFiniteLeftInPlace;
    for (int channel = 0; channel < 2; ++channel) {
        if (inPlace) std::copy(inputs[channel].begin(), inputs[channel].end(), outputs[channel].at(0));
        if (crossed) std::copy(inputs[1 - channel].begin(), inputs[1 - channel].end(), outputs[channel].at(0));
    }
    Guarded expected[2] = {outputs[0], outputs[1]};
    const float* reads[2] = {inputs[0].data(), inputs[1].data()};
    if (inPlace) reads[0] = outputs[0].at(0), reads[1] = outputs[1].at(0);
    if (crossed) reads[0] = outputs[1].at(0), reads[1] = outputs[0].at(0);

    startCountersAgain();
    FilterProcessor stereo;
    const std::vector<float> stereoPeaks =
        runScript(stereo, changes, calls, kFrames, [&](std::int32_t frame, std::int32_t n, OutputMode mode) {
            return stereo.process(reads[0] + frame, reads[1] + frame, outputs[0].at(frame), outputs[1].at(frame), n,
                                  mode);
        });
    const auto stereoEnd = counters();
    ASSERT_TRUE(outputs[0].guardsIntact() && outputs[1].guardsIntact());

    std::vector<float> monoPeaks[2];
    for (int channel = 0; channel < 2; ++channel) {
        startCountersAgain();
        FilterProcessor mono;
        std::vector<float> second(kFrames);
        // In place, the mono filter reads its input from its first output as well.
        const float* read = inPlace ? expected[channel].at(0) : inputs[channel].data();
        monoPeaks[channel] =
            runScript(mono, changes, calls, kFrames, [&](std::int32_t frame, std::int32_t n, OutputMode mode) {
                return mono.process(read + frame, expected[channel].at(frame), second.data() + frame, n, mode);
            });
        EXPECT_EQ(counters(), stereoEnd) << "channel " << channel;
        const float* got = outputs[channel].at(0);
        const float* want = expected[channel].at(0);
        for (std::int32_t f = 0; f < kFrames; ++f) {
            ASSERT_TRUE(sameBits(&got[f], &want[f], 1))
                << "channel " << channel << ", frame " << f << ": " << got[f] << " against " << want[f];
        }
    }
    ASSERT_EQ(stereoPeaks.size(), monoPeaks[0].size());
    for (std::size_t call = 0; call < stereoPeaks.size(); ++call) {
        const float higher = std::max(monoPeaks[0][call], monoPeaks[1][call]);
        ASSERT_TRUE(sameBits(&stereoPeaks[call], &higher, 1)) << "call " << call;
    }
    // A NaN or an infinity in one channel never reaches the other.
    if (inPlace) {
        ASSERT_TRUE(std::all_of(outputs[1].at(0), outputs[1].at(kFrames), [](float v) { return std::isfinite(v); }));
    }
}

std::vector<Case> everyCase() {
    std::vector<Case> cases;
    for (int type = 0; type < 5; ++type) {
        for (int stages : {1, 4}) {
            for (bool resonance : {false, true}) {
                for (Signals signals : {Signals::Different, Signals::RightSilentCrossed, Signals::NonFiniteLeftInPlace}) {
                    cases.push_back({type, stages, resonance, signals});
                }
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(TypesStagesResonanceAndSignals, StereoProcessing, ::testing::ValuesIn(everyCase()),
                         [](const auto& info) { return nameOf(info.param); });

}  // namespace
