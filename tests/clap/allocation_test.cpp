// SPDX-License-Identifier: MIT
// Nothing on the audio thread allocates: process with and without events, flush while
// active, reset and a state taken over from the main thread.
//
// This file replaces the global allocation functions of the test executable with counting
// pass-throughs to malloc and free; the module, loaded into the process, uses them too.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "tests/clap/clap_host.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

// Counts what the enclosed code allocates.
struct Counting {
    Counting() {
        allocations = 0;
        counting = true;
    }
    ~Counting() { counting = false; }
    long count() const { return allocations.load(); }
};

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

namespace {

using namespace clap_testing;

// The mono plug-in and the stereo one.
class ClapAllocation : public testing::TestWithParam<const char*> {};

TEST_P(ClapAllocation, AudioThreadAllocatesNothing) {
    const bool stereo = std::string(GetParam()) == "bramsoliket.filter.stereo";
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    {
        // The count reaches the module: creating a plug-in allocates its processors.
        Counting creation;
        PluginInstance counted(module, host, GetParam());
        EXPECT_GT(creation.count(), 0);
    }
    PluginInstance instance(module, host, GetParam());
    ASSERT_TRUE(instance.activate(44100.0, 8192));
    EventList changes;
    for (std::uint32_t i = 0; i < 64; ++i) changes.add(i * 100, i % 7, (i % 11) / 10.0);
    const std::vector<std::uint8_t> state = instance.save();
    std::vector<float> input(8192, 0.1f), rightInput(8192, -0.2f), left(8192), right(8192);
    const auto process = [&](std::uint32_t frames, const EventList& events) {
        if (stereo) {
            instance.processStereo(input.data(), rightInput.data(), left.data(), right.data(), frames, events);
        } else {
            instance.process(input.data(), left.data(), right.data(), frames, events);
        }
    };
    ASSERT_TRUE(instance.load(state));  // taken over by the next audio call

    Counting audio;
    for (const std::uint32_t frames : {8192u, 1u, 0u, 4096u}) {
        process(frames, changes);
        process(frames, {});
    }
    instance.flush(changes);
    instance.reset();
    EXPECT_EQ(audio.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, ClapAllocation,
                         testing::Values("bramsoliket.filter", "bramsoliket.filter.stereo"),
                         [](const auto& info) { return std::string(info.index == 0 ? "Mono" : "Stereo"); });

}  // namespace
