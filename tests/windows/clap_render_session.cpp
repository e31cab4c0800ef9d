// SPDX-License-Identifier: MIT
#include "tests/windows/clap_render_session.h"

#include <array>
#include <cstdint>

#include "tests/clap/clap_host.h"
#include "tests/windows/render_session.h"

namespace {

using clap_testing::EventList;

constexpr std::array<std::uint32_t, 9> kBlockSizes = {64, 1, 17, 256, 100, 3, 512, 33, 128};
constexpr int kBlockCount = 160;

struct ScheduledEvent {
    int block;
    clap_id id;
    double value;
};

// Every parameter over its range ("Type" and "Cutoff" over their settings and between them),
// with glides and without, and the bypass switched on and off; each event lands at an offset
// that depends on its block and its place in the schedule.
constexpr ScheduledEvent kEvents[] = {
    {4, 0, 0.25},   {8, 1, 0.6},   {12, 2, 0.0},  {16, 3, 1.0},   {20, 4, 2.0},   {24, 0, 0.9},  {24, 1, 1.0},
    {30, 3, 2.0},   {36, 5, 0.3},  {40, 6, 1.0},  {46, 3, 3.0},   {46, 2, 0.01},  {52, 4, 3.0},  {66, 3, 4.0},
    {78, 0, 0.0},   {78, 1, 0.3},  {78, 3, 0.0},  {78, 6, 0.25},  {90, 2, 0.1},   {90, 0, 0.6},  {96, 0, 1.5},
    {96, 3, 9.0},   {96, 4, -1.0}, {96, 6, 3.0},  {104, 3, 0.5},  {104, 4, 1.5},  {104, 6, 0.5},
    {104, 2, 0.0},  {112, 1, 0.05}, {118, 3, 2.5}, {118, 1, 0.95}, {126, 0, 0.1}, {134, 5, 0.0}, {140, 5, 1.0},
    {140, 3, 1.6},  {150, 0, 0.75}, {28, 7, 1.0}, {31, 7, 0.0},   {100, 7, 1.0},  {101, 7, 0.0},
};

// Flushed: before activation, and between two blocks of the running plug-in.
constexpr int kFlushWhileActiveBlock = 70;
constexpr int kResetBlock = 58;
constexpr int kSaveBlock = 62;
constexpr int kLoadBlock = 120;
constexpr int kReactivateBlock = 84;

EventList eventsOf(int block, std::uint32_t frames) {
    EventList events;
    int place = 0;
    for (const ScheduledEvent& event : kEvents) {
        if (event.block != block) continue;
        events.add((static_cast<std::uint32_t>(block) * 37u + 11u * place++) % frames, event.id, event.value);
    }
    return events;
}

}  // namespace

std::vector<float> renderClapSession(const std::string& modulePath) {
    std::vector<float> result;
    clap_testing::ClapModule module(modulePath);
    clap_testing::TestHost host;
    clap_testing::PluginInstance plugin(module, host);
    if (plugin.plugin == nullptr) return result;

    std::size_t total = 0;
    for (int block = 0; block < kBlockCount; ++block) total += kBlockSizes[block % kBlockSizes.size()];
    const std::vector<float> input = renderInputSignal(total);

    EventList before;
    before.add(0, 2, 0.02);
    before.add(0, 1, 0.4);
    plugin.flush(before);
    plugin.activate(44100.0, 512);

    std::vector<std::uint8_t> state;
    std::vector<float> left(512), right(512);
    std::size_t position = 0;
    for (int block = 0; block < kBlockCount; ++block) {
        const std::uint32_t frames = kBlockSizes[block % kBlockSizes.size()];
        if (block == kResetBlock) plugin.reset();
        if (block == kSaveBlock) state = plugin.save();
        if (block == kLoadBlock) plugin.load(state);
        if (block == kReactivateBlock) {
            plugin.deactivate();
            plugin.activate(48000.0, 512);
        }
        if (block == kFlushWhileActiveBlock) {
            EventList flushed;
            flushed.add(0, 3, 1.0);
            flushed.add(0, 0, 0.45);
            plugin.flush(flushed);
        }
        plugin.process(input.data() + position, left.data(), right.data(), frames, eventsOf(block, frames));
        result.insert(result.end(), left.begin(), left.begin() + frames);
        result.insert(result.end(), right.begin(), right.begin() + frames);
        position += frames;
    }
    return result;
}
