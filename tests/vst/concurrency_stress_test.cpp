// SPDX-License-Identifier: MIT
// Threads as a real host uses them: one thread processes audio without a pause while another
// sets parameters (in range, out of range and NaN), switches and renames programs, reads
// every display text and the meter, changes the sample rate and switches processing off and
// on; and two effects processing on two threads at once, which share the module-wide glide
// step counters. Built with ThreadSanitizer (the tsan preset) this runs for a few seconds
// and must stay free of data races; in the other builds it runs briefly.
//
// Checked meanwhile: every text fits its size and is terminated, both output channels are
// identical, and every output is finite for a finite input. The parameter values that
// reach the audio path unclamped ("Level" and "Dry/Wet") are kept finite and moderate for
// that, since a NaN level is passed on as a NaN gain; the other parameters also get NaN,
// infinities and huge values, which their conversions must absorb.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "formats/vst/filter_effect.h"
#include "formats/vst/plugin_main.h"
#include "support/record_driver.h"

#if defined(__SANITIZE_THREAD__)
#define BRAMSOLIKET_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BRAMSOLIKET_UNDER_TSAN 1
#endif
#endif

namespace {

using testing_support::answeringHost;
using testing_support::RecordDriver;
using Clock = std::chrono::steady_clock;

// How long each scenario runs: a few seconds where races are being looked for, a moment
// elsewhere. BRAMSOLIKET_STRESS_SECONDS overrides both.
std::chrono::milliseconds stressDuration() {
    if (const char* seconds = std::getenv("BRAMSOLIKET_STRESS_SECONDS")) {
        return std::chrono::milliseconds(static_cast<long>(std::atof(seconds) * 1000.0));
    }
#ifdef BRAMSOLIKET_UNDER_TSAN
    return std::chrono::milliseconds(3000);
#else
    return std::chrono::milliseconds(300);
#endif
}

// A small deterministic generator, one per thread (fixed seeds, printed on failure).
struct Xorshift {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float uniform(float low, float high) {
        return low + (high - low) * static_cast<float>(static_cast<double>(next()) / 4294967296.0);
    }
};

// The values the parameter thread sends for parameter `index`.
float hostileValue(Xorshift& random, std::int32_t index) {
    const bool reachesAudioUnclamped = index == kParameterLevel || index == kParameterDryWet;
    switch (random.next() % 6) {
    case 0:
        return reachesAudioUnclamped ? -2.0f : std::numeric_limits<float>::quiet_NaN();
    case 1:
        return reachesAudioUnclamped ? 3.0f : std::numeric_limits<float>::infinity();
    case 2:
        return reachesAudioUnclamped ? random.uniform(-2.0f, 3.0f) : -1.0e30f;
    default:
        return random.uniform(0.0f, 1.0f);
    }
}

// One audio thread's view: renders blocks of bounded noise until told to stop and counts
// what went wrong.
struct AudioThreadResult {
    long blocks = 0;
    long nonFiniteOutputs = 0;
    long channelMismatches = 0;
};

void renderUntilStopped(AEffect* record, const std::atomic<bool>& stop, std::uint32_t seed,
                        AudioThreadResult& result) {
    Xorshift random{seed};
    static constexpr std::int32_t kBlockSizes[] = {1, 17, 64, 256, 512};
    std::vector<float> input(512), left(512), right(512);
    while (!stop.load(std::memory_order_relaxed)) {
        const std::int32_t frames = kBlockSizes[random.next() % 5];
        for (std::int32_t i = 0; i < frames; ++i) input[static_cast<std::size_t>(i)] = random.uniform(-1.0f, 1.0f);
        const bool accumulate = random.next() % 2 == 0;
        std::fill(left.begin(), left.end(), 0.25f);
        std::fill(right.begin(), right.end(), 0.25f);
        float* in[1] = {input.data()};
        float* out[2] = {left.data(), right.data()};
        (accumulate ? record->processEntry : record->processReplacingEntry)(record, in, out, frames);
        for (std::int32_t i = 0; i < frames; ++i) {
            const float l = left[static_cast<std::size_t>(i)];
            if (!std::isfinite(l)) ++result.nonFiniteOutputs;
            if (std::memcmp(&l, &right[static_cast<std::size_t>(i)], sizeof l) != 0) ++result.channelMismatches;
        }
        ++result.blocks;
    }
}

// The host's parameter and user-interface thread: every request but processing, in random
// order, with every text checked.
struct ControlThreadResult {
    long requests = 0;
    std::vector<std::string> badTexts;
};

void controlUntilStopped(std::vector<AEffect*> records, const std::atomic<bool>& stop, std::uint32_t seed,
                         ControlThreadResult& result) {
    Xorshift random{seed};
    static const char* const kNames[] = {"", "Sweep", "A name far longer than twenty-three characters", "x"};
    while (!stop.load(std::memory_order_relaxed)) {
        RecordDriver effect(records[random.next() % records.size()]);
        const std::int32_t index = static_cast<std::int32_t>(random.next() % kParameterCount);
        switch (random.next() % 8) {
        case 0:
        case 1:
            effect.set(index, hostileValue(random, index));
            (void)effect.get(index);
            break;
        case 2:
            effect.dispatch(kEffectSetProgram, 0, static_cast<std::intptr_t>(random.next() % 3));
            break;
        case 3: {
            std::string name = kNames[random.next() % 4];
            effect.dispatch(kEffectSetProgramName, 0, 0, name.data());
            break;
        }
        case 4:
            for (std::int32_t i = 0; i < kParameterCount; ++i) {
                for (const std::string& text : {effect.display(i), effect.name(i), effect.label(i)}) {
                    if (text.empty() || text[0] == '<') result.badTexts.push_back(std::to_string(i) + ": " + text);
                }
            }
            if (const std::string name = effect.programName(); !name.empty() && name[0] == '<') {
                result.badTexts.push_back("program: " + name);
            }
            break;
        case 5:
            effect.dispatch(kEffectGetMeter);
            break;
        case 6:
            effect.dispatch(kEffectProcessingSwitch, 0, random.next() % 2);
            break;
        default:
            effect.setRate(random.next() % 2 == 0 ? 44100.0f : 96000.0f);
            break;
        }
        ++result.requests;
    }
}

AEffect* newEffect() { return createEffectForHost(&answeringHost, &createFilterEffect); }

void expectClean(const AudioThreadResult& audio, std::uint32_t seed) {
    EXPECT_GT(audio.blocks, 0) << "seed " << seed;
    EXPECT_EQ(audio.nonFiniteOutputs, 0) << "seed " << seed;
    EXPECT_EQ(audio.channelMismatches, 0) << "seed " << seed;
}

void expectClean(const ControlThreadResult& control) {
    EXPECT_GT(control.requests, 0);
    EXPECT_TRUE(control.badTexts.empty()) << control.badTexts.size() << " bad texts, first "
                                          << (control.badTexts.empty() ? "" : control.badTexts.front());
}

TEST(ConcurrencyStress, AudioThreadWhileTheHostChangesEverything) {
    AEffect* record = newEffect();
    ASSERT_NE(record, nullptr);
    std::atomic<bool> stop{false};
    AudioThreadResult audio;
    ControlThreadResult control;
    constexpr std::uint32_t kAudioSeed = 0x1234567u;
    std::thread audioThread(renderUntilStopped, record, std::cref(stop), kAudioSeed, std::ref(audio));
    std::thread controlThread(controlUntilStopped, std::vector<AEffect*>{record}, std::cref(stop), 0x9e3779b9u,
                              std::ref(control));
    std::this_thread::sleep_for(stressDuration());
    stop = true;
    audioThread.join();
    controlThread.join();
    record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
    expectClean(audio, kAudioSeed);
    expectClean(control);
}

// Two effects rendering on two threads share the module's step counters; a third thread
// keeps both gliding by moving their frequency and resonance.
TEST(ConcurrencyStress, TwoEffectsOnTwoAudioThreads) {
    AEffect* first = newEffect();
    AEffect* second = newEffect();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (AEffect* record : {first, second}) {
        RecordDriver effect(record);
        effect.set(kParameterCutoff, 1.0f);
        effect.set(kParameterSmoothing, 0.0005f);
    }
    std::atomic<bool> stop{false};
    AudioThreadResult audioFirst, audioSecond;
    ControlThreadResult control;
    std::thread firstThread(renderUntilStopped, first, std::cref(stop), 11u, std::ref(audioFirst));
    std::thread secondThread(renderUntilStopped, second, std::cref(stop), 22u, std::ref(audioSecond));
    std::thread controlThread(controlUntilStopped, std::vector<AEffect*>{first, second}, std::cref(stop), 33u,
                              std::ref(control));
    std::this_thread::sleep_for(stressDuration());
    stop = true;
    firstThread.join();
    secondThread.join();
    controlThread.join();
    for (AEffect* record : {first, second}) record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
    expectClean(audioFirst, 11u);
    expectClean(audioSecond, 22u);
    expectClean(control);
}

}  // namespace
