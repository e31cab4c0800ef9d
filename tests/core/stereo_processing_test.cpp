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
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/filter_processor.h"

namespace {

constexpr std::int32_t kSuspend = -1;  // a change that suspends the processor instead

struct Change {
    std::int32_t frame;
    std::int32_t parameter;  // or kSuspend
    float value;
};

struct Counters {
    float frequency, resonance;
    static Counters now() { return {frequencyStepCounter.load(), resonanceStepCounter.load()}; }
    void restore() const {
        frequencyStepCounter.store(frequency);
        resonanceStepCounter.store(resonance);
    }
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

// What a render gives: the two outputs (with a guard before and after each) and every call's peak.
struct Render {
    static constexpr std::size_t kGuard = 3;
    static constexpr float kGuardValue = -555.0f;
    std::vector<float> left, right;
    std::vector<float> peaks;
    explicit Render(std::size_t frames, float fill)
        : left(frames + 2 * kGuard, kGuardValue), right(frames + 2 * kGuard, kGuardValue) {
        // What accumulating calls add to: each channel its own.
        for (std::size_t i = 0; i < frames; ++i) {
            left[kGuard + i] = fill * static_cast<float>(i % 7);
            right[kGuard + i] = -fill * static_cast<float>(i % 5);
        }
    }
    float* leftAt(std::size_t frame) { return left.data() + kGuard + frame; }
    float* rightAt(std::size_t frame) { return right.data() + kGuard + frame; }
    bool guardsIntact() const {
        for (std::size_t g = 0; g < kGuard; ++g) {
            for (const std::vector<float>* channel : {&left, &right}) {
                if ((*channel)[g] != kGuardValue || (*channel)[channel->size() - 1 - g] != kGuardValue) return false;
            }
        }
        return true;
    }
};

// Runs `frames` frames in calls of the given sizes (in turn, 0 among them), cut at every
// change so that each lands at its exact frame; odd calls accumulate, even ones replace.
// `process` is called as process(first frame, frames, mode) and returns the call's peak.
template <typename Process>
std::vector<float> runScript(FilterProcessor& processor, const std::vector<Change>& changes,
                             const std::vector<std::int32_t>& calls, std::int32_t frames, Process process) {
    std::vector<float> peaks;
    std::size_t nextChange = 0, nextCall = 0;
    int callNumber = 0;
    std::int32_t frame = 0;
    while (frame < frames || nextChange < changes.size()) {
        while (nextChange < changes.size() && changes[nextChange].frame <= frame) {
            const Change& change = changes[nextChange++];
            if (change.parameter == kSuspend) {
                processor.suspend();
            } else {
                processor.setParameter(change.parameter, change.value);
            }
        }
        if (frame >= frames) break;
        std::int32_t n = calls[nextCall++ % calls.size()];
        if (n > frames - frame) n = frames - frame;
        if (nextChange < changes.size() && changes[nextChange].frame - frame < n) n = changes[nextChange].frame - frame;
        const OutputMode mode = callNumber++ % 2 == 1 ? OutputMode::Accumulate : OutputMode::Replace;
        peaks.push_back(process(frame, n, mode));
        frame += n;
    }
    return peaks;
}

enum class Signals { Different, RightSilent, NonFiniteLeft };

struct Case {
    int type;  // 0..4
    int stages;
    bool resonance;
    Signals signals;
};

void PrintTo(const Case& c, std::ostream* out) {
    const char* signals[] = {"Different", "RightSilent", "NonFiniteLeft"};
    *out << "type" << c.type << "_stages" << c.stages << (c.resonance ? "_res" : "") << "_"
         << signals[static_cast<int>(c.signals)];
}

class StereoProcessing : public ::testing::TestWithParam<Case> {};

TEST_P(StereoProcessing, EachChannelIsWhatTheMonoFilterMakesOfItAlone) {
    const Case c = GetParam();
    constexpr std::int32_t kFrames = 9000;
    std::vector<float> inputs[2] = {noise(kFrames, 11u + c.type, 0.6f), noise(kFrames, 97u + c.stages, 0.3f)};
    if (c.signals == Signals::RightSilent) inputs[1].assign(kFrames, 0.0f);
    if (c.signals == Signals::NonFiniteLeft) {
        inputs[0][1000] = std::numeric_limits<float>::quiet_NaN();
        inputs[0][4001] = std::numeric_limits<float>::infinity();
        inputs[0][4002] = -std::numeric_limits<float>::infinity();
        inputs[0][7777] = std::numeric_limits<float>::quiet_NaN();
    }

    // The case's setting at frame 0, then automation: glides of frequency and resonance
    // started and retargeted mid-glide, smoothing, level, mix and slope changes, a suspend.
    const float res = c.resonance ? 0.75f : 0.0f;
    const std::vector<Change> changes = {
        {0, kParameterType, c.type / 4.0f},           {0, kParameterCutoff, (c.stages - 1) / 3.0f},
        {0, kParameterResonance, res},                {0, kParameterSmoothing, 0.005f},
        {0, kParameterFrequency, 0.3f},               {1, kParameterFrequency, 0.7f},
        {777, kParameterFrequency, 0.45f},            {1500, kParameterLevel, 0.8f},
        {2222, kParameterDryWet, 0.6f},               {2600, kParameterResonance, c.resonance ? 0.3f : 0.0f},
        {3001, kParameterSmoothing, 0.0f},            {3002, kParameterFrequency, 0.9f},
        {3900, kSuspend, 0.0f},                       {4500, kParameterCutoff, 0.34f},
        {4600, kParameterFrequency, 0.1f},            {5000, kParameterCutoff, (c.stages - 1) / 3.0f},
        {5555, kParameterSmoothing, 0.02f},           {5556, kParameterFrequency, 0.6f},
        {6000, kParameterLevel, 0.0f},                {6100, kParameterLevel, 0.5f},
        {7000, kParameterDryWet, 1.0f},               {7001, kParameterResonance, c.resonance ? 1.0f : 0.0f},
        {8000, kParameterFrequency, 0.2f},
    };
    const std::vector<std::int32_t> calls = {1, 0, 3, 64, 17, 4096, 2, 511, 128, 5};
    const Counters start{static_cast<float>(c.type * 3 + c.stages), static_cast<float>(c.resonance ? 5 : 0)};

    start.restore();
    FilterProcessor stereo;
    Render both(kFrames, 0.125f);
    const std::vector<float> stereoPeaks =
        runScript(stereo, changes, calls, kFrames, [&](std::int32_t frame, std::int32_t n, OutputMode mode) {
            return stereo.process(inputs[0].data() + frame, inputs[1].data() + frame, both.leftAt(frame),
                                  both.rightAt(frame), n, mode);
        });
    const Counters stereoEnd = Counters::now();
    ASSERT_TRUE(both.guardsIntact());

    std::vector<float> monoPeaks[2];
    for (int channel = 0; channel < 2; ++channel) {
        start.restore();
        FilterProcessor mono;
        Render alone(kFrames, 0.125f);
        // The mono filter writes its output to both of its outputs: each prepared as the
        // stereo render's output of this channel was.
        if (channel == 1) alone.left = alone.right;
        monoPeaks[channel] =
            runScript(mono, changes, calls, kFrames, [&](std::int32_t frame, std::int32_t n, OutputMode mode) {
                return mono.process(inputs[channel].data() + frame, alone.leftAt(frame), alone.rightAt(frame), n,
                                    mode);
            });
        const Counters monoEnd = Counters::now();
        EXPECT_EQ(monoEnd.frequency, stereoEnd.frequency) << "channel " << channel;
        EXPECT_EQ(monoEnd.resonance, stereoEnd.resonance) << "channel " << channel;
        const float* expected = alone.leftAt(0);
        const float* got = channel == 0 ? both.leftAt(0) : both.rightAt(0);
        for (std::int32_t f = 0; f < kFrames; ++f) {
            ASSERT_TRUE(sameBits(&got[f], &expected[f], 1))
                << "channel " << channel << ", frame " << f << ": " << got[f] << " against " << expected[f];
        }
    }
    ASSERT_EQ(stereoPeaks.size(), monoPeaks[0].size());
    for (std::size_t call = 0; call < stereoPeaks.size(); ++call) {
        const float higher = monoPeaks[0][call] > monoPeaks[1][call] ? monoPeaks[0][call] : monoPeaks[1][call];
        ASSERT_TRUE(sameBits(&stereoPeaks[call], &higher, 1)) << "call " << call;
    }
    // A NaN or an infinity in one channel never reaches the other.
    if (c.signals != Signals::Different) {
        for (std::int32_t f = 0; f < kFrames; ++f) ASSERT_TRUE(std::isfinite(both.rightAt(0)[f])) << f;
    }
}

std::vector<Case> everyCase() {
    std::vector<Case> cases;
    for (int type = 0; type < 5; ++type) {
        for (int stages : {1, 4}) {
            for (bool resonance : {false, true}) {
                for (Signals signals : {Signals::Different, Signals::RightSilent, Signals::NonFiniteLeft}) {
                    cases.push_back({type, stages, resonance, signals});
                }
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(TypesStagesResonanceAndSignals, StereoProcessing, ::testing::ValuesIn(everyCase()),
                         [](const auto& info) {
                             std::ostringstream out;
                             PrintTo(info.param, &out);
                             return out.str();
                         });

// Calls of every size up to a few beyond the longest pipeline, odd ones and large ones, with
// the outputs in separate arrays, in the input arrays themselves, and crossed (the left input
// is the right output): nothing is written outside the call's frames, and each channel's
// input is read before its frame is written.
TEST(StereoProcessingBlocks, EveryCallSizeAndArrangementOfArrays) {
    std::vector<std::int32_t> sizes = {0, 1, 2, 3, 4, 5, 6, 7, 9, 31, 33, 255, 4096, 4099};
    for (const std::int32_t size : sizes) {
        frequencyStepCounter.store(0.0f);
        resonanceStepCounter.store(0.0f);
        const std::int32_t frames = size == 0 ? 0 : std::max(size * 3, 600);
        const std::vector<float> inputs[2] = {noise(frames, 5u + size, 0.6f), noise(frames, 9u + size, 0.4f)};
        FilterProcessor separate, inPlace, crossed, monoLeft, monoRight;
        for (FilterProcessor* p : {&separate, &inPlace, &crossed, &monoLeft, &monoRight}) {
            p->setParameter(kParameterCutoff, 1.0f);
            p->setParameter(kParameterResonance, 0.6f);
            p->setParameter(kParameterSmoothing, 0.0f);
            p->setParameter(kParameterDryWet, 0.7f);
        }
        Render out(frames, 0.0f), expectedLeft(frames, 0.0f), expectedRight(frames, 0.0f);
        std::vector<float> shared[2] = {inputs[0], inputs[1]};
        std::vector<float> crossing[2] = {inputs[0], inputs[1]};
        for (std::int32_t done = 0; done < frames || (size == 0 && done == 0); done += size) {
            const std::int32_t n = std::min(size, frames - done);
            const float peak = separate.process(inputs[0].data() + done, inputs[1].data() + done, out.leftAt(done),
                                                out.rightAt(done), n, OutputMode::Replace);
            inPlace.process(shared[0].data() + done, shared[1].data() + done, shared[0].data() + done,
                            shared[1].data() + done, n, OutputMode::Replace);
            crossed.process(crossing[0].data() + done, crossing[1].data() + done, crossing[1].data() + done,
                            crossing[0].data() + done, n, OutputMode::Replace);
            const float left = monoLeft.process(inputs[0].data() + done, expectedLeft.leftAt(done),
                                                expectedLeft.rightAt(done), n, OutputMode::Replace);
            const float right = monoRight.process(inputs[1].data() + done, expectedRight.leftAt(done),
                                                  expectedRight.rightAt(done), n, OutputMode::Replace);
            const float higher = left > right ? left : right;
            ASSERT_TRUE(sameBits(&peak, &higher, 1)) << "size " << size << " at " << done;
            if (size == 0) break;
        }
        ASSERT_TRUE(out.guardsIntact()) << "size " << size;
        if (frames == 0) {
            for (const float v : out.left) ASSERT_EQ(v, Render::kGuardValue);
            continue;
        }
        ASSERT_TRUE(sameBits(out.leftAt(0), expectedLeft.leftAt(0), frames)) << "size " << size;
        ASSERT_TRUE(sameBits(out.rightAt(0), expectedRight.leftAt(0), frames)) << "size " << size;
        ASSERT_TRUE(sameBits(shared[0].data(), expectedLeft.leftAt(0), frames)) << "in place, size " << size;
        ASSERT_TRUE(sameBits(shared[1].data(), expectedRight.leftAt(0), frames)) << "in place, size " << size;
        ASSERT_TRUE(sameBits(crossing[1].data(), expectedLeft.leftAt(0), frames)) << "crossed, size " << size;
        ASSERT_TRUE(sameBits(crossing[0].data(), expectedRight.leftAt(0), frames)) << "crossed, size " << size;
    }
}

}  // namespace
