// SPDX-License-Identifier: MIT
// Resource limits: the audio path allocates nothing, every effect gives back all it took,
// and an effect that cannot get its memory is simply not created.
//
// This file replaces the global allocation functions of the whole test executable with
// pass-throughs to malloc and free. They count only while a test has switched counting on,
// and can be told to fail a chosen allocation, so every other test runs as before.
#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "formats/vst/filter_effect.h"
#include "formats/vst/plugin_main.h"
#include "support/record_driver.h"

namespace {

struct AllocationCounter {
    std::atomic<bool> counting{false};
    std::atomic<long> allocations{0};
    std::atomic<long> releases{0};
    std::atomic<long long> liveBytes{0};
    // While counting: the number of allocations still granted before one fails (-1: none fails).
    std::atomic<long> grantsBeforeFailure{-1};
};

AllocationCounter counter;

void* countedAllocate(std::size_t size) {
    if (counter.counting.load(std::memory_order_relaxed)) {
        if (counter.grantsBeforeFailure.load(std::memory_order_relaxed) == 0) return nullptr;
        if (counter.grantsBeforeFailure.load(std::memory_order_relaxed) > 0) counter.grantsBeforeFailure.fetch_sub(1);
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr && counter.counting.load(std::memory_order_relaxed)) {
        counter.allocations.fetch_add(1);
        counter.liveBytes.fetch_add(static_cast<long long>(::malloc_usable_size(block)));
    }
    return block;
}

void countedRelease(void* block) {
    if (block == nullptr) return;
    if (counter.counting.load(std::memory_order_relaxed)) {
        counter.releases.fetch_add(1);
        counter.liveBytes.fetch_sub(static_cast<long long>(::malloc_usable_size(block)));
    }
    std::free(block);
}

void* allocateOrThrow(std::size_t size) {
    void* block = countedAllocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

// Counts what the enclosed code allocates and releases; optionally fails one allocation.
class CountingScope {
public:
    explicit CountingScope(long grantsBeforeFailure = -1) {
        counter.allocations = 0;
        counter.releases = 0;
        counter.liveBytes = 0;
        counter.grantsBeforeFailure = grantsBeforeFailure;
        counter.counting = true;
    }
    ~CountingScope() { stop(); }
    void stop() {
        counter.counting = false;
        counter.grantsBeforeFailure = -1;
    }
    long allocations() const { return counter.allocations; }
    long releases() const { return counter.releases; }
    long long liveBytes() const { return counter.liveBytes; }
};

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void operator delete(void* block) noexcept { countedRelease(block); }
void operator delete[](void* block) noexcept { countedRelease(block); }
void operator delete(void* block, std::size_t) noexcept { countedRelease(block); }
void operator delete[](void* block, std::size_t) noexcept { countedRelease(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { countedRelease(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { countedRelease(block); }

namespace {

using testing_support::answeringHost;
using testing_support::RecordDriver;

AEffect* newEffect() { return createEffectForHost(&answeringHost, &createFilterEffect); }

struct ProcessingCase {
    std::int32_t frames;
    bool accumulate;
};

class ProcessingAllocates : public testing::TestWithParam<ProcessingCase> {};

// Every kind of audio block a host may send: long glides of frequency and resonance across
// the full cascade of each type, in both process modes, from one frame to a large block.
TEST_P(ProcessingAllocates, Nothing) {
    const ProcessingCase param = GetParam();
    AEffect* record = newEffect();
    ASSERT_NE(record, nullptr);
    RecordDriver effect(record);
    std::vector<float> input(static_cast<std::size_t>(param.frames));
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
    std::vector<float> left(input.size(), 0.0f), right(input.size(), 0.0f);
    float* in[1] = {input.data()};
    float* out[2] = {left.data(), right.data()};
    const ProcessEntry entry = param.accumulate ? record->processEntry : record->processReplacingEntry;

    for (float type : {0.0f, 0.3f, 0.5f, 0.7f, 1.0f}) {
        effect.set(kParameterType, type);
        effect.set(kParameterCutoff, 1.0f);
        effect.set(kParameterSmoothing, 0.0f);
        effect.set(kParameterFrequency, type < 0.5f ? 0.0f : 1.0f);
        effect.set(kParameterResonance, 1.0f - type);
        CountingScope scope;
        for (int block = 0; block < 8; ++block) entry(record, in, out, param.frames);
        entry(record, in, out, 0);
        scope.stop();
        EXPECT_EQ(scope.allocations(), 0) << "type " << type << ", " << param.frames << " frames";
        EXPECT_EQ(scope.releases(), 0);
    }
    effect.dispatch(kEffectClose);
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, ProcessingAllocates,
                         testing::Values(ProcessingCase{1, false}, ProcessingCase{1, true}, ProcessingCase{64, false},
                                         ProcessingCase{511, true}, ProcessingCase{8192, false},
                                         ProcessingCase{8192, true}),
                         [](const testing::TestParamInfo<ProcessingCase>& info) {
                             return std::to_string(info.param.frames) + (info.param.accumulate ? "Accumulating"
                                                                                               : "Replacing");
                         });

// Hosts also send parameter changes, program switches, meter reads and the processing
// switch from their audio thread: none of them may allocate either.
TEST(HostRequestsOnTheAudioThread, AllocateNothing) {
    AEffect* record = newEffect();
    ASSERT_NE(record, nullptr);
    RecordDriver effect(record);
    char text[64];
    CountingScope scope;
    for (int round = 0; round < 50; ++round) {
        const float value = static_cast<float>(round) / 49.0f;
        for (std::int32_t index = 0; index < kParameterCount; ++index) {
            effect.set(index, value);
            (void)effect.get(index);
            effect.dispatch(kEffectGetParameterDisplay, index, 0, text);
        }
        effect.dispatch(kEffectSetProgram, 0, round % 2);
        effect.dispatch(kEffectGetMeter);
        effect.dispatch(kEffectProcessingSwitch, 0, round % 2);
    }
    scope.stop();
    EXPECT_EQ(scope.allocations(), 0);
    effect.dispatch(kEffectClose);
}

// Ten thousand effects created and closed through the entry and the record, one at a time
// and in crowds of a hundred alive at once: every allocation is given back, byte for byte.
TEST(InstanceLifecycle, TenThousandEffectsLeakNothing) {
    std::vector<AEffect*> crowd;
    crowd.reserve(100);
    const struct mallinfo2 before = ::mallinfo2();
    CountingScope scope;
    for (int i = 0; i < 5000; ++i) {
        AEffect* record = newEffect();
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f), 1);
    }
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 100; ++i) {
            crowd.push_back(newEffect());
            ASSERT_NE(crowd.back(), nullptr);
        }
        // Close from the middle outwards, so that the order of closing differs from creation.
        for (std::size_t step = 0; step < crowd.size(); ++step) {
            const std::size_t at = (step * 37) % crowd.size();
            AEffect*& record = crowd[at];
            if (record == nullptr) continue;
            record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
            record = nullptr;
        }
        for (AEffect*& record : crowd) {
            if (record != nullptr) record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
        }
        crowd.clear();
    }
    scope.stop();
    // Read before any assertion below can allocate for its own messages.
    const struct mallinfo2 after = ::mallinfo2();
    EXPECT_GT(scope.allocations(), 0) << "the effects were not counted";
    EXPECT_EQ(scope.allocations(), scope.releases());
    EXPECT_EQ(scope.liveBytes(), 0);
    // glibc keeps up to seven freed chunks of each size in a per-thread cache, and counts
    // them as in use: allow those for the effect and its programs, and nothing more.
    const std::size_t cached = 7 * (sizeof(FilterEffect) + 2 * sizeof(FilterProgram) + 64);
    EXPECT_LE(after.uordblks, before.uordblks + cached) << "heap in use grew by " << after.uordblks - before.uordblks;
}

// Memory runs out at each allocation that creating an effect makes, in turn: the host gets
// null, nothing is left allocated, and the next effect is created normally.
TEST(InstanceLifecycle, AnEffectWithoutMemoryIsNotCreated) {
    long allocationsPerEffect = 0;
    {
        CountingScope scope;
        AEffect* record = newEffect();
        ASSERT_NE(record, nullptr);
        allocationsPerEffect = scope.allocations();
        record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
    }
    ASSERT_GT(allocationsPerEffect, 0);
    for (long failing = 0; failing < allocationsPerEffect; ++failing) {
        CountingScope scope(failing);
        AEffect* record = newEffect();
        scope.stop();
        EXPECT_EQ(record, nullptr) << "allocation " << failing << " failed";
        EXPECT_EQ(scope.allocations(), scope.releases()) << "allocation " << failing << " failed";
        EXPECT_EQ(scope.liveBytes(), 0) << "allocation " << failing << " failed";
        if (record != nullptr) record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
    }
    AEffect* record = newEffect();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(RecordDriver(record).programName(), "Init");
    record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
