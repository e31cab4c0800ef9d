// SPDX-License-Identifier: MIT
// The module's run allocates nothing, whatever it is handed: this file replaces the global
// allocation functions of the test executable, and so of the module loaded into it, with
// counting pass-throughs to malloc and free that count only while a test asks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <vector>

#include "lv2/lv2_module.h"
#include "lv2/lv2_session.h"
#include "support/scripted_session.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* countedAllocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrThrow(std::size_t size) {
    void* block = countedAllocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

using testing_support::SessionStep;

// The mono plug-in (false) and the stereo one (true).
class Allocation : public testing::TestWithParam<bool> {};

TEST_P(Allocation, RunsAllocateNothingWhileEveryControlChanges) {
    const bool stereo = GetParam();
    const auto session = testing_support::crossFormatSession(48000.0f, 21, 2.0);
    std::vector<float> hostValues;
    for (const SessionStep& step : session.steps) {
        hostValues.push_back(step.kind == SessionStep::Kind::SetParameter
                                 ? lv2_testing::hostValueShownFor(static_cast<ParameterIndex>(step.index), step.value,
                                                                  session.sampleRate)
                                 : 0.0f);
    }
    lv2_testing::Lv2ModuleCopy module(BRAMSOLIKET_LV2_MODULE_PATH, stereo ? 1 : 0);
    allocations = 0;
    counting = true;
    std::optional<lv2_testing::Lv2Instance> plugin;
    plugin.emplace(module.descriptor(), session.sampleRate, stereo ? kStereoPortLayout : kMonoPortLayout);
    counting = false;
    // The module's own allocations are counted here too: the instance takes its memory.
    ASSERT_GT(allocations.load(), 0);

    plugin->controls = lv2_testing::defaultControls(session.sampleRate);
    plugin->connectControlsAndPeak();
    plugin->activate();
    std::vector<float> left(session.input.size()), right(session.input.size());
    const std::vector<float> rightInput(session.input.rbegin(), session.input.rend());
    std::size_t position = 0;
    allocations = 0;
    counting = true;
    for (std::size_t s = 0; s < session.steps.size(); ++s) {
        const SessionStep& step = session.steps[s];
        if (step.kind == SessionStep::Kind::SetParameter) plugin->controls[step.index] = hostValues[s];
        if (step.kind == SessionStep::Kind::Suspend) {
            plugin->deactivate();
            plugin->activate();
        }
        if (step.kind == SessionStep::Kind::Process) {
            plugin->connectAudio(session.input.data() + position, left.data() + position, right.data() + position);
            if (stereo) plugin->connectRightInput(rightInput.data() + position);
            plugin->run(static_cast<std::uint32_t>(step.frames));
            plugin->run(0);
            position += static_cast<std::size_t>(step.frames);
        }
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    plugin->deactivate();
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, Allocation, testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Stereo" : "Mono"); });

}  // namespace
