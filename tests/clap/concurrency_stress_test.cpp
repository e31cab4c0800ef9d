// SPDX-License-Identifier: MIT
// An audio thread processes with parameter events while the main thread loads states,
// reads values, makes texts and saves, as a host's two threads do. Under ThreadSanitizer
// (the tsan preset runs every *ConcurrencyStress test) any data race fails; everywhere the
// two outputs stay identical and finite, and the values read are always ones that were set.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "tests/clap/clap_host.h"

namespace {

using namespace clap_testing;

double stressSeconds() {
    if (const char* seconds = std::getenv("BRAMSOLIKET_STRESS_SECONDS")) return std::atof(seconds);
#if defined(__SANITIZE_THREAD__)
    return 3.0;
#else
    return 0.3;
#endif
}

TEST(ClapConcurrencyStress, MainThreadLoadsAndReadsWhileAudioRuns) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    // Two states whose values the audio thread's events never use: every value read is
    // from one of them or from an event. For each id: the first state's, the second's and
    // the events' value ("Type" and "Cutoff" take settings, the bypass 0 or 1).
    constexpr double kValues[8][3] = {{0.125, 0.875, 0.5}, {0.125, 0.875, 0.5}, {0.125, 0.875, 0.5}, {1, 3, 2},
                                      {0, 3, 1},           {0.125, 0.875, 0.5}, {0.125, 0.875, 0.5}, {0, 1, 1}};
    EventList first, second;
    for (clap_id id = 0; id < 8; ++id) {
        first.add(0, id, kValues[id][0]);
        second.add(0, id, kValues[id][1]);
    }
    instance.flush(second);
    const auto secondState = instance.save();
    instance.flush(first);
    const auto firstState = instance.save();
    ASSERT_TRUE(instance.activate(44100.0));

    std::atomic<bool> stop{false};
    std::atomic<bool> sound{true};
    std::thread audio([&] {
        TestHost::AudioCall audioThread;
        std::vector<float> input(256), left(256), right(256);
        EventList events;
        for (std::uint32_t block = 0; !stop.load(); ++block) {
            for (std::size_t i = 0; i < input.size(); ++i) input[i] = ((block * 31 + i * 17) % 200) / 100.0f - 1.0f;
            events.clear();
            events.add(block % 256, block % 8, kValues[block % 8][2]);
            float* inputs[1] = {input.data()};
            float* outputs[2] = {left.data(), right.data()};
            const clap_audio_buffer in{inputs, nullptr, 1, 0, 0};
            clap_audio_buffer out{outputs, nullptr, 2, 0, 0};
            const clap_process process{-1, 256, nullptr, &in, &out, 1, 1, events.list(), nullptr};
            instance.plugin->process(instance.plugin, &process);
            for (std::size_t i = 0; i < left.size(); ++i) {
                if (left[i] != right[i] || !std::isfinite(left[i])) sound = false;
            }
        }
    });

    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(stressSeconds());
    int round = 0;
    bool valuesWereSet = true;
    while (std::chrono::steady_clock::now() < end) {
        instance.load(++round % 2 == 0 ? firstState : secondState);
        for (clap_id id = 0; id < 8; ++id) {
            const double value = instance.value(id);
            if (value != kValues[id][0] && value != kValues[id][1] && value != kValues[id][2]) valuesWereSet = false;
            instance.text(id, value);
        }
        EXPECT_EQ(instance.save().size(), 44u);
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(sound);
    EXPECT_TRUE(valuesWereSet);
    EXPECT_GT(round, 10);
}

}  // namespace
