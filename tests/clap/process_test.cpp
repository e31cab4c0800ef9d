// SPDX-License-Identifier: MIT
// process and flush: changes land on their samples whatever the host's list holds, the
// buffers are written only within the block, and a host that gives no buffers, calls out
// of turn or flushes gets sound behaviour, never a crash or disturbed audio.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "formats/clap/format_rules.h"
#include "tests/clap/clap_host.h"

namespace {

using namespace clap_testing;

std::vector<float> noise(std::size_t frames) {
    std::vector<float> samples(frames);
    std::uint32_t state = 99;
    for (float& sample : samples) {
        state = state * 1664525u + 1013904223u;
        sample = state % 500 == 0 ? 1.0f : static_cast<float>(state >> 9) / 8388608.0f - 0.5f;
    }
    return samples;
}

struct Cut {
    std::uint32_t frames;
    EventList events;
};

// The cuts rendered one process call each on a fresh module copy, after `before` is flushed
// while the plug-in is not active.
std::vector<float> render(const std::vector<Cut>& cuts, const EventList& before = {}) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    instance.flush(before);
    instance.activate(44100.0);
    std::size_t total = 0;
    for (const Cut& cut : cuts) total += cut.frames;
    const std::vector<float> input = noise(total);
    std::vector<float> left(total), right(total);
    std::size_t at = 0;
    for (const Cut& cut : cuts) {
        EXPECT_EQ(instance.process(input.data() + at, left.data() + at, right.data() + at, cut.frames, cut.events),
                  kClapProcessContinue);
        at += cut.frames;
    }
    EXPECT_EQ(left, right);
    return left;
}

EventList events(std::initializer_list<std::tuple<std::uint32_t, clap_id, double>> list) {
    EventList result;
    for (const auto& [time, id, value] : list) result.add(time, id, value);
    return result;
}

TEST(ClapProcess, ChangesLandOnTheirSamples) {
    // In one block: changes at their offsets, two out of order, one beyond the block.
    const std::vector<float> sampleAccurate =
        render({{600, events({{0, 3, 2.0}, {17, 0, 0.2}, {17, 1, 0.9}, {100, 4, 3.0}, {300, 5, 0.3},
                              {250, 5, 0.6}, {599, 6, 0.25}, {650, 2, 0.0}})},
                {100, {}}});
    // The same, cut into blocks at those samples.
    const std::vector<float> cutThere = render({{17, events({{0, 3, 2.0}})},
                                                {83, events({{0, 0, 0.2}, {0, 1, 0.9}})},
                                                {200, events({{0, 4, 3.0}})},
                                                {299, events({{0, 5, 0.3}, {0, 5, 0.6}})},
                                                {1, events({{0, 6, 0.25}})},
                                                {100, events({{0, 2, 0.0}})}});
    EXPECT_EQ(sampleAccurate, cutThere);
    EXPECT_NE(sampleAccurate, render({{700, {}}}));
}

TEST(ClapProcess, EventsThatChangeNoParameterArePassedOver) {
    EventList mixed = events({{0, 6, 1.5}, {5, 1, -3.0}, {9, 0, std::numeric_limits<double>::infinity()}});
    clap_event_param_value change{};
    change.header = {sizeof change, 20, kClapCoreEventSpace, kClapEventParamValue, 0};
    change.value = 0.75;
    auto junk = [&](auto edit) {
        clap_event_param_value copy = change;
        edit(copy);
        mixed.addBytes(&copy, sizeof copy);
    };
    junk([](auto& e) { e.header.type = 0; });      // a note-on's type
    junk([](auto& e) { e.header.space_id = 1; });  // another event space
    junk([](auto& e) { e.header.size = sizeof(clap_event_header); });
    junk([](auto& e) { e.param_id = 8; });
    junk([](auto& e) { e.param_id = kClapInvalidId; });
    junk([](auto& e) { e.value = std::numeric_limits<double>::quiet_NaN(); });
    mixed.add(30, 2, 0.1);
    const std::vector<float> withJunk = render({{64, mixed}, {64, {}}});
    // Out-of-range values held at the ends of 0 to 1; the junk changed nothing.
    EXPECT_EQ(withJunk, render({{64, events({{0, 6, 1.0}, {5, 1, 0.0}, {9, 0, 1.0}, {30, 2, 0.1f}})}, {64, {}}}));

    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    instance.flush(mixed);
    EXPECT_EQ(valuesOf(instance), (std::vector<double>{1.0, 0.0, 0.1f, 0.0, 0.0, 1.0, 1.0, 0.0}));
}

// The host gives buffers beyond the block's frames: they stay as they were, at any size.
TEST(ClapProcess, WritesOnlyTheBlock) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    ASSERT_TRUE(instance.activate(44100.0));
    instance.flush(events({{0, 1, 0.8}, {0, 3, 1.0}}));
    constexpr std::size_t kGuard = 16;
    constexpr float kGuardValue = 777.0f;
    for (const std::uint32_t frames : {0u, 1u, 2u, 31u, 512u, 4097u, 8192u}) {
        std::vector<float> input = noise(frames + kGuard), left(frames + kGuard, kGuardValue), right = left;
        ASSERT_EQ(instance.process(input.data(), left.data(), right.data(), frames), kClapProcessContinue);
        for (std::size_t i = 0; i < frames + kGuard; ++i) {
            ASSERT_EQ(left[i] == kGuardValue, i >= frames) << frames << " frames, sample " << i;
            ASSERT_EQ(left[i], right[i]);
        }
    }
    // In place: the input buffer is also the left output.
    const std::vector<float> input = noise(300);
    std::vector<float> separate(300), right(300), shared = input;
    instance.reset();
    instance.process(input.data(), separate.data(), right.data(), 300);
    instance.reset();
    instance.process(shared.data(), shared.data(), right.data(), 300);
    EXPECT_EQ(shared, separate);
}

TEST(ClapProcess, MissingBuffersAndCallsOutOfTurn) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    std::vector<float> input(64, 0.5f), left(64, 9.0f), right(64, 9.0f);
    // A build that checks CLAP's rules aborts here instead (format_rules_test.cpp).
    if constexpr (!FormatRules::kChecked) {
        const std::vector<float> untouched = left;
        EXPECT_EQ(instance.process(input.data(), left.data(), right.data(), 64), kClapProcessError);
        EXPECT_EQ(left, untouched) << "processed before activate";
    }

    ASSERT_TRUE(instance.activate(44100.0));
    float* inputs[1] = {input.data()};
    float* outputs[2] = {left.data(), right.data()};
    clap_audio_buffer in{inputs, nullptr, 1, 0, 0}, out{outputs, nullptr, 2, 0, ~0ull};
    EventList change = events({{3, 0, 0.125}});
    clap_process block{-1, 64, nullptr, &in, &out, 1, 1, change.list(), nullptr};
    const auto run = [&](clap_process b) {
        TestHost::AudioCall audio;
        return instance.plugin->process(instance.plugin, &b);
    };
    EXPECT_EQ(run(block), kClapProcessContinue);
    EXPECT_EQ(out.constant_mask, 0u);

    const double values[] = {0.25, 0.375, 0.5, 0.625, 0.75};
    int next = 0;
    const auto expectRefusedButSet = [&](clap_process b) {
        EventList set = events({{0, 0, values[next]}});
        b.in_events = set.list();
        EXPECT_EQ(run(b), kClapProcessError);
        EXPECT_EQ(instance.value(0), values[next++]) << "a block that cannot be rendered still sets its changes";
    };
    clap_process noInput = block;
    noInput.audio_inputs_count = 0;
    expectRefusedButSet(noInput);
    clap_audio_buffer monoOut = out;
    monoOut.channel_count = 1;
    clap_process narrow = block;
    narrow.audio_outputs = &monoOut;
    expectRefusedButSet(narrow);
    float* missing[2] = {left.data(), nullptr};
    clap_audio_buffer holed = out;
    holed.data32 = missing;
    clap_process holedBlock = block;
    holedBlock.audio_outputs = &holed;
    expectRefusedButSet(holedBlock);
    clap_process nothing{-1, 0, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr};
    EXPECT_EQ(run(nothing), kClapProcessContinue);

    // A null list, and a list with a null entry, hold no changes.
    clap_process noList = block;
    noList.in_events = nullptr;
    EXPECT_EQ(run(noList), kClapProcessContinue);
    const clap_input_events nullEntry{nullptr, [](const clap_input_events*) { return 1u; },
                                      [](const clap_input_events*, std::uint32_t) -> const clap_event_header* {
                                          return nullptr;
                                      }};
    noList.in_events = &nullEntry;
    EXPECT_EQ(run(noList), kClapProcessContinue);
    TestHost::AudioCall audio;
    EXPECT_EQ(instance.plugin->process(instance.plugin, nullptr), kClapProcessError);
}

// Changes flushed while not active are in force from the first sample after activation; a
// flush between blocks of an active plug-in sets its changes and nothing else.
TEST(ClapProcess, FlushSetsChangesAndNothingElse) {
    const EventList setting = events({{0, 0, 0.3}, {0, 1, 0.6}, {0, 3, 2.0}, {0, 4, 3.0}, {0, 6, 0.4}});
    EXPECT_EQ(render({{1500, {}}}, setting), render({{1500, setting}}));

    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    instance.flush(setting);
    ASSERT_TRUE(instance.activate(44100.0));
    const std::vector<float> input = noise(1000);
    std::vector<float> left(1000), right(1000);
    instance.process(input.data(), left.data(), right.data(), 400);
    instance.flush(events({{250, 3, 2.0}, {0, 6, 0.4}}));  // values it already has
    instance.flush({});
    instance.process(input.data() + 400, left.data() + 400, right.data() + 400, 600);
    EXPECT_EQ(left, render({{1000, {}}}, setting));
}

}  // namespace
