// SPDX-License-Identifier: MIT
// The record a fresh effect hands the host, read as raw bytes at the offsets a host uses:
// 144 bytes with 4-byte addresses, 192 with 8-byte addresses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "formats/vst/effect_entries.h"
#include "support/test_effect.h"

namespace {

constexpr bool kNarrow = sizeof(void*) == 4;

struct FieldOffset {
    std::size_t narrow;
    std::size_t wide;
    std::size_t at() const { return kNarrow ? narrow : wide; }
};

// Where hosts read each field.
constexpr FieldOffset kMagic{0, 0};
constexpr FieldOffset kDispatchEntry{4, 8};
constexpr FieldOffset kProcessEntry{8, 16};
constexpr FieldOffset kSetParameterEntry{12, 24};
constexpr FieldOffset kGetParameterEntry{16, 32};
constexpr FieldOffset kProgramCount{20, 40};
constexpr FieldOffset kParameterCount{24, 44};
constexpr FieldOffset kInputCount{28, 48};
constexpr FieldOffset kOutputCount{32, 52};
constexpr FieldOffset kFlags{36, 56};
constexpr FieldOffset kInitialDelay{48, 80};
constexpr FieldOffset kRealtimeQualities{52, 84};
constexpr FieldOffset kOfflineQualities{56, 88};
constexpr FieldOffset kIoRatio{60, 92};
constexpr FieldOffset kObject{64, 96};
constexpr FieldOffset kUniqueId{72, 112};
constexpr FieldOffset kVersion{76, 116};
constexpr FieldOffset kProcessReplacingEntry{80, 120};
constexpr std::size_t kRecordSize = kNarrow ? 144 : 192;

using Bytes = std::vector<unsigned char>;

Bytes rawBytes(const AEffect* record) {
    const auto* first = reinterpret_cast<const unsigned char*>(record);
    return Bytes(first, first + kRecordSize);
}

void putLittleEndian(Bytes& image, FieldOffset field, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        image[field.at() + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

void putInt32(Bytes& image, FieldOffset field, std::uint32_t value) {
    putLittleEndian(image, field, value, 4);
}

template <typename Pointer>
void putAddress(Bytes& image, FieldOffset field, Pointer pointer) {
    std::uintptr_t address = 0;
    static_assert(sizeof pointer == sizeof address);
    std::memcpy(&address, &pointer, sizeof address);
    putLittleEndian(image, field, address, sizeof address);
}

// The record of a freshly constructed base, written independently of the structure: zero
// everywhere, then each field's little-endian bytes at its offset.
Bytes expectedFreshRecord(const EffectBase* effect, std::int32_t programs, std::int32_t parameters) {
    Bytes image(kRecordSize, 0);
    putInt32(image, kMagic, 0x56737450);  // "VstP"
    putAddress(image, kDispatchEntry, &effectDispatchEntry);
    putAddress(image, kProcessEntry, &effectProcessEntry);
    putAddress(image, kSetParameterEntry, &effectSetParameterEntry);
    putAddress(image, kGetParameterEntry, &effectGetParameterEntry);
    putInt32(image, kProgramCount, static_cast<std::uint32_t>(programs));
    putInt32(image, kParameterCount, static_cast<std::uint32_t>(parameters));
    putInt32(image, kInputCount, 1);
    putInt32(image, kOutputCount, 2);
    putInt32(image, kIoRatio, 0x3F800000);  // 1.0f
    putAddress(image, kObject, effect);
    putInt32(image, kUniqueId, 0x4E6F4566);  // "NoEf"
    putInt32(image, kVersion, 1);
    putAddress(image, kProcessReplacingEntry, &effectProcessReplacingEntry);
    return image;
}

void expectSameBytes(const Bytes& actual, const Bytes& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t offset = 0; offset < expected.size(); ++offset) {
        EXPECT_EQ(static_cast<int>(actual[offset]), static_cast<int>(expected[offset])) << "at byte " << offset;
    }
}

TEST(HostRecord, FreshEffectRecordMatchesTheHostLayoutByteForByte) {
    TestEffect effect(nullptr, 2, 7);
    const AEffect* record = effect.getRecord();
    expectSameBytes(rawBytes(record), expectedFreshRecord(&effect, 2, 7));
    const Bytes bytes = rawBytes(record);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0x50, 0x74, 0x73, 0x56}));
}

TEST(HostRecord, EachEffectHasItsOwnRecordPointingBackToIt) {
    TestEffect first;
    TestEffect second;
    EXPECT_NE(first.getRecord(), second.getRecord());
    EXPECT_EQ(first.getRecord()->object, static_cast<EffectBase*>(&first));
    EXPECT_EQ(second.getRecord()->object, static_cast<EffectBase*>(&second));
    EXPECT_EQ(EffectBase::fromRecord(second.getRecord()), &second);
}

TEST(HostRecord, ConstructionZeroesBytesLeftFromAnEarlierObject) {
    // Build the effect over memory full of 0xA5: padding and unnamed bytes must read 0.
    alignas(TestEffect) unsigned char storage[sizeof(TestEffect)];
    std::memset(storage, 0xA5, sizeof storage);
    auto* effect = new (storage) TestEffect(nullptr, 2, 7);
    expectSameBytes(rawBytes(effect->getRecord()), expectedFreshRecord(effect, 2, 7));
    effect->~TestEffect();
}

// A record setter changes its own four bytes and nothing else.
struct SetterCase {
    std::string name;
    std::function<void(EffectBase&)> apply;
    FieldOffset field;
    std::uint32_t expected;
};

class HostRecordSetter : public testing::TestWithParam<SetterCase> {};

TEST_P(HostRecordSetter, ChangesOnlyItsField) {
    TestEffect effect(nullptr, 2, 7);
    Bytes expected = expectedFreshRecord(&effect, 2, 7);
    GetParam().apply(effect);
    putInt32(expected, GetParam().field, GetParam().expected);
    expectSameBytes(rawBytes(effect.getRecord()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, HostRecordSetter,
    testing::Values(
        SetterCase{"UniqueId", [](EffectBase& e) { e.setUniqueId(fourCharacters("BrSk")); }, kUniqueId, 0x4272536B},
        SetterCase{"InputCount", [](EffectBase& e) { e.setInputCount(5); }, kInputCount, 5},
        SetterCase{"OutputCount", [](EffectBase& e) { e.setOutputCount(-3); }, kOutputCount, 0xFFFFFFFD},
        SetterCase{"InitialDelay", [](EffectBase& e) { e.setInitialDelay(64); }, kInitialDelay, 64},
        SetterCase{"RealtimeQualities", [](EffectBase& e) { e.setRealtimeQualities(7); }, kRealtimeQualities, 7},
        SetterCase{"OfflineQualities", [](EffectBase& e) { e.setOfflineQualities(9); }, kOfflineQualities, 9},
        SetterCase{"Meter", [](EffectBase& e) { e.declareMeter(1); }, kFlags, 4},
        SetterCase{"Clip", [](EffectBase& e) { e.declareClip(1); }, kFlags, 2},
        SetterCase{"Mono", [](EffectBase& e) { e.declareMono(1); }, kFlags, 8},
        SetterCase{"Replacing", [](EffectBase& e) { e.declareReplacing(1); }, kFlags, 16},
        // Booleans are 16 bits wide: a true value with a zero low byte still counts.
        SetterCase{"MeterHighByteTrue", [](EffectBase& e) { e.declareMeter(0x100); }, kFlags, 4},
        SetterCase{"FilterEffectFlags",
                   [](EffectBase& e) {
                       e.declareMeter(1);
                       e.declareReplacing(1);
                       e.declareMono(1);
                   },
                   kFlags, 28}),
    [](const testing::TestParamInfo<SetterCase>& info) { return info.param.name; });

// Each flag setter sets or clears its bit and leaves every other bit as it was.
struct FlagCase {
    std::string name;
    void (EffectBase::*declare)(EffectBool);
    std::int32_t bit;
};

class HostFlagSetter : public testing::TestWithParam<FlagCase> {};

TEST_P(HostFlagSetter, TogglesOnlyItsBit) {
    const FlagCase& flag = GetParam();
    for (std::int32_t pattern : {0, 0x7FFFFFFF, 2 | 16, -1}) {
        const std::int32_t others = pattern & ~flag.bit;
        TestEffect effect;
        effect.getRecord()->flags = others;
        (effect.*flag.declare)(1);
        EXPECT_EQ(effect.getRecord()->flags, others | flag.bit);
        (effect.*flag.declare)(1);
        EXPECT_EQ(effect.getRecord()->flags, others | flag.bit);
        (effect.*flag.declare)(0);
        EXPECT_EQ(effect.getRecord()->flags, others);
        (effect.*flag.declare)(0);
        EXPECT_EQ(effect.getRecord()->flags, others);
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, HostFlagSetter,
                         testing::Values(FlagCase{"Clip", &EffectBase::declareClip, 2},
                                         FlagCase{"Meter", &EffectBase::declareMeter, 4},
                                         FlagCase{"Mono", &EffectBase::declareMono, 8},
                                         FlagCase{"Replacing", &EffectBase::declareReplacing, 16}),
                         [](const testing::TestParamInfo<FlagCase>& info) { return info.param.name; });

}  // namespace
