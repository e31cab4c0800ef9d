// SPDX-License-Identifier: MIT
// The built module as a host sees it: its exported `main`, the record it returns, and long
// renders through the real entries compared with the plain reference transcription.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "support/module_loader.h"
#include "support/record_driver.h"
#include "support/reference_model.h"

namespace {

using testing_support::ModuleCopy;
using testing_support::RecordDriver;

struct CallLog {
    int calls = 0;
    AEffect* record = reinterpret_cast<AEffect*>(1);
    std::int32_t opcode = -1, index = -1;
    std::intptr_t value = -1;
    void* ptr = reinterpret_cast<void*>(1);
    float opt = -1;
    std::intptr_t answer = 0;
};
CallLog callLog;

std::intptr_t BRAMSOLIKET_CALL loggingHost(AEffect* record, std::int32_t opcode, std::int32_t index,
                                           std::intptr_t value, void* ptr, float opt) {
    callLog.calls++;
    callLog.record = record;
    callLog.opcode = opcode;
    callLog.index = index;
    callLog.value = value;
    callLog.ptr = ptr;
    callLog.opt = opt;
    return callLog.answer;
}

template <typename T>
T at(const AEffect* record, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

TEST(ModuleEntry, VersionQueryDecidesCreation) {
    ModuleCopy module;
    callLog = {};
    callLog.answer = 0;
    EXPECT_EQ(module.create(&loggingHost), nullptr);
    EXPECT_EQ(callLog.calls, 1);
    EXPECT_EQ(callLog.record, nullptr);
    EXPECT_EQ(callLog.opcode, 1);
    EXPECT_EQ(callLog.index, 0);
    EXPECT_EQ(callLog.value, 0);
    EXPECT_EQ(callLog.ptr, nullptr);
    EXPECT_EQ(callLog.opt, 0.0f);
    EXPECT_EQ(module.create(nullptr), nullptr);

    for (std::intptr_t answer : {1, 2400, -1}) {
        callLog = {};
        callLog.answer = answer;
        AEffect* record = module.create(&loggingHost);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(callLog.calls, 1);
        ModuleCopy::close(record);
    }
}

// Every byte of the record of a new effect, read at the offsets hosts use for this word size.
TEST(ModuleEntry, RecordBytesOfANewEffect) {
    ModuleCopy module;
    callLog = {};
    callLog.answer = 1;
    AEffect* record = module.create(&loggingHost);
    ASSERT_NE(record, nullptr);
    const bool narrow = sizeof(void*) == 4;
    const std::size_t w = sizeof(void*);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 4), (std::vector<unsigned char>{0x50, 0x74, 0x73, 0x56}));
    const std::size_t ints = narrow ? 20 : 40;
    EXPECT_EQ(at<std::int32_t>(record, ints + 0), 2);   // programs
    EXPECT_EQ(at<std::int32_t>(record, ints + 4), 7);   // parameters
    EXPECT_EQ(at<std::int32_t>(record, ints + 8), 1);   // inputs
    EXPECT_EQ(at<std::int32_t>(record, ints + 12), 2);  // outputs
    EXPECT_EQ(at<std::int32_t>(record, ints + 16), 28); // meter, mono, replacing
    const std::size_t reserved = narrow ? 40 : 64;
    EXPECT_EQ(at<std::intptr_t>(record, reserved), 0);
    EXPECT_EQ(at<std::intptr_t>(record, reserved + w), 0);
    const std::size_t delay = narrow ? 48 : 80;
    EXPECT_EQ(at<std::int32_t>(record, delay), 0);
    EXPECT_EQ(at<std::int32_t>(record, delay + 4), 0);
    EXPECT_EQ(at<std::int32_t>(record, delay + 8), 0);
    EXPECT_EQ(at<float>(record, delay + 12), 1.0f);
    const std::size_t object = narrow ? 64 : 96;
    EXPECT_NE(at<void*>(record, object), nullptr);
    EXPECT_EQ(at<void*>(record, object + w), nullptr);
    const std::size_t id = narrow ? 72 : 112;
    EXPECT_EQ(at<std::int32_t>(record, id), 0x4272536B);
    EXPECT_EQ(at<std::int32_t>(record, id + 4), 1);
    EXPECT_NE(at<void*>(record, id + 8), nullptr);
    const std::size_t tail = narrow ? 84 : 128;
    const std::size_t size = narrow ? 144 : 192;
    for (std::size_t i = tail; i < size; ++i) EXPECT_EQ(bytes[i], 0) << i;
    if (!narrow) {
        for (std::size_t i : {4, 5, 6, 7, 60, 61, 62, 63}) EXPECT_EQ(bytes[i], 0) << "padding " << i;
    }
    EXPECT_EQ(callLog.calls, 1);  // constructing the effect does not call the host

    AEffect* second = module.create(&loggingHost);
    EXPECT_NE(second, record);
    EXPECT_NE(second->object, record->object);
    EXPECT_EQ(record->dispatchEntry(record, 0, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record->dispatchEntry(record, 1, 5, 5, nullptr, 5.0f), 1);
    ModuleCopy::close(second);
}

// Deterministic pseudo-random choices for the long render.
struct Sequence {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1103515245u + 12345u; }
    // Full 24-bit significands at every scale, so products and differences round.
    float unit() { return static_cast<float>(static_cast<double>(next()) / 4294967296.0); }
};

// Minutes of audio through three instances of the module at once, with parameter changes
// between blocks of changing sizes, equal bit for bit to the reference effects driven the
// same way. The instances share the module-wide glide counters, as the reference ones do.
TEST(ModuleRender, LongRenderMatchesTheReference) {
    ModuleCopy module;
    reference::stepCounters() = {};
    constexpr int kInstances = 3;
    constexpr std::size_t kFrames = 44100 * 60 * 2;  // two minutes per instance
    AEffect* records[kInstances];
    std::unique_ptr<reference::Effect> models[kInstances];
    for (int i = 0; i < kInstances; ++i) {
        records[i] = module.create(&testing_support::answeringHost);
        ASSERT_NE(records[i], nullptr);
        models[i] = std::make_unique<reference::Effect>();
    }
    Sequence choice{7};
    Sequence noise{99};
    std::vector<float> input(8192), left(8192), right(8192), expected0(8192), expected1(8192);
    std::size_t done = 0;
    std::size_t mismatches = 0;
    while (done < kFrames) {
        const std::size_t blockSizes[] = {1, 7, 32, 64, 511, 512, 1024, 4096, 8192};
        const std::size_t n = blockSizes[choice.next() % 9];
        for (int i = 0; i < kInstances; ++i) {
            if (choice.next() % 4 == 0) {
                const int parameter = static_cast<int>(choice.next() % 7);
                float value = choice.unit();
                if (parameter == 2) value *= 0.05f;  // glides short enough to complete
                if (choice.next() % 50 == 0) value = -value * 3.0f;  // now and then out of range
                records[i]->setParameterEntry(records[i], parameter, value);
                models[i]->setParameter(parameter, value);
            }
            if (choice.next() % 200 == 0) {
                RecordDriver(records[i]).dispatch(12, 0, 0);
                RecordDriver(records[i]).dispatch(12, 0, 1);
                models[i]->suspend();
            }
            if (choice.next() % 300 == 0) {
                const int program = static_cast<int>(choice.next() % 2);
                RecordDriver(records[i]).dispatch(2, 0, program);
                models[i]->setProgram(program);
            }
            for (std::size_t f = 0; f < n; ++f) {
                const std::uint32_t r = noise.next();
                input[f] = (r % 1000 == 0) ? 1.0f : static_cast<float>(static_cast<std::int32_t>(r)) * 4.0e-10f;
            }
            float* in[1] = {input.data()};
            float* out[2] = {left.data(), right.data()};
            records[i]->processReplacingEntry(records[i], in, out, static_cast<std::int32_t>(n));
            models[i]->processReplacing(input.data(), expected0.data(), expected1.data(), static_cast<int>(n));
            for (std::size_t f = 0; f < n; ++f) {
                if (std::memcmp(&left[f], &expected0[f], sizeof(float)) != 0 || std::memcmp(&right[f], &left[f], sizeof(float)) != 0) {
                    if (mismatches++ < 5) {
                        ADD_FAILURE() << "instance " << i << " frame " << done + f << ": " << left[f] << " vs "
                                      << expected0[f];
                    }
                }
            }
            const float meter = static_cast<float>(RecordDriver(records[i]).dispatch(9));
            EXPECT_EQ(meter, std::trunc(static_cast<double>(models[i]->getMeter()) * 32767.0));
        }
        done += n;
    }
    EXPECT_EQ(mismatches, 0u);
    for (AEffect* record : records) ModuleCopy::close(record);
}

// The output does not depend on the host's floating-point mode, and the mode is restored.
TEST(ModuleRender, HostFloatingPointModeChangesNothing) {
    constexpr unsigned kFlushToZero = 0x8000, kDenormalsAreZero = 0x0040;
    constexpr unsigned kRoundingMask = 0x6000;
    const unsigned modes[] = {kFlushToZero, kDenormalsAreZero, kFlushToZero | kDenormalsAreZero,
                              0x2000 /* down */, 0x4000 /* up */, 0x6000 /* toward zero */,
                              0x6000 | kFlushToZero | kDenormalsAreZero};
    auto renderWith = [](unsigned extraBits, unsigned* after) {
        ModuleCopy module;
        AEffect* record = module.create(&testing_support::answeringHost);
        RecordDriver host{record};
        host.set(1, 0.9f);
        host.set(4, 1.0f);
        host.set(2, 0.0f);
        std::vector<float> input(20000), left, right;
        for (std::size_t i = 0; i < input.size(); ++i) {
            // Tiny values, subnormal among them, and decaying impulses.
            input[i] = (i % 5000 == 0) ? 0.8f : std::ldexp(static_cast<float>(i % 13) - 6.0f, -130);
        }
        const unsigned saved = _mm_getcsr();
        _mm_setcsr((saved & ~(kRoundingMask | kFlushToZero | kDenormalsAreZero)) | extraBits);
        const unsigned set = _mm_getcsr();
        host.render(input, left, right, 300);
        std::vector<float> accumulated(input.size(), 1e-39f), accumulatedRight(input.size(), 1e-39f);
        float* in[1] = {input.data()};
        float* out[2] = {accumulated.data(), accumulatedRight.data()};
        record->processEntry(record, in, out, 0);
        record->processEntry(record, in, out, static_cast<std::int32_t>(input.size()));
        *after = _mm_getcsr();
        _mm_setcsr(saved);
        EXPECT_EQ(*after, set);
        ModuleCopy::close(record);
        left.insert(left.end(), accumulated.begin(), accumulated.end());
        return left;
    };
    unsigned after = 0;
    const std::vector<float> plain = renderWith(0, &after);
    for (unsigned mode : modes) {
        const std::vector<float> rendered = renderWith(mode, &after);
        ASSERT_EQ(rendered.size(), plain.size());
        EXPECT_EQ(std::memcmp(rendered.data(), plain.data(), plain.size() * sizeof(float)), 0)
            << "MXCSR bits " << std::hex << mode;
        EXPECT_EQ(after & (kRoundingMask | kFlushToZero | kDenormalsAreZero), mode);
    }
}

}  // namespace
