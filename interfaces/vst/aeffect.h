// SPDX-License-Identifier: MIT
// The record a host reads and calls through, and the function types that meet at the
// module boundary. The layout is fixed by the host interface: every offset below is what a
// host compiled against that interface expects, on 4-byte and on 8-byte address targets.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define BRAMSOLIKET_CALL __cdecl
#else
#define BRAMSOLIKET_CALL
#endif

struct AEffect;

// Effect-to-host requests. `value` and the result are address-width integers, so a 64-bit
// host passes and reads all 64 bits; opcode and index stay 32-bit.
using HostCallback = std::intptr_t(BRAMSOLIKET_CALL*)(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                      std::intptr_t value, void* ptr, float opt);

using DispatchEntry = std::intptr_t(BRAMSOLIKET_CALL*)(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                       std::intptr_t value, void* ptr, float opt);
using ProcessEntry = void(BRAMSOLIKET_CALL*)(AEffect* record, float** inputs, float** outputs,
                                             std::int32_t frameCount);
using SetParameterEntry = void(BRAMSOLIKET_CALL*)(AEffect* record, std::int32_t index, float value);
using GetParameterEntry = float(BRAMSOLIKET_CALL*)(AEffect* record, std::int32_t index);

// A four-character constant: the first character is the most significant byte.
constexpr std::int32_t fourCharacters(const char (&text)[5]) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])));
}

constexpr std::int32_t kEffectMagic = fourCharacters("VstP");

// Bits of AEffect::flags.
enum EffectFlags : std::int32_t {
    kFlagReportsClipping = 2,
    kFlagHasMeter = 4,
    kFlagCanMono = 8,
    kFlagCanReplace = 16,
};

struct AEffect {
    std::int32_t magic;
    DispatchEntry dispatchEntry;
    ProcessEntry processEntry;
    SetParameterEntry setParameterEntry;
    GetParameterEntry getParameterEntry;
    std::int32_t programCount;
    std::int32_t parameterCount;
    std::int32_t inputCount;
    std::int32_t outputCount;
    std::int32_t flags;
    std::intptr_t reserved1;
    std::intptr_t reserved2;
    std::int32_t initialDelay;
    std::int32_t realtimeQualities;
    std::int32_t offlineQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueId;
    std::int32_t version;
    ProcessEntry processReplacingEntry;
    char reservedTail[sizeof(void*) == 4 ? 60 : 64];
};

// The layout hosts read: 144 bytes with 4-byte addresses, 192 with 8-byte addresses.
namespace aeffect_layout {
constexpr bool narrow = sizeof(void*) == 4;
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatchEntry) == (narrow ? 4 : 8));
static_assert(offsetof(AEffect, processEntry) == (narrow ? 8 : 16));
static_assert(offsetof(AEffect, setParameterEntry) == (narrow ? 12 : 24));
static_assert(offsetof(AEffect, getParameterEntry) == (narrow ? 16 : 32));
static_assert(offsetof(AEffect, programCount) == (narrow ? 20 : 40));
static_assert(offsetof(AEffect, parameterCount) == (narrow ? 24 : 44));
static_assert(offsetof(AEffect, inputCount) == (narrow ? 28 : 48));
static_assert(offsetof(AEffect, outputCount) == (narrow ? 32 : 52));
static_assert(offsetof(AEffect, flags) == (narrow ? 36 : 56));
static_assert(offsetof(AEffect, reserved1) == (narrow ? 40 : 64));
static_assert(offsetof(AEffect, reserved2) == (narrow ? 44 : 72));
static_assert(offsetof(AEffect, initialDelay) == (narrow ? 48 : 80));
static_assert(offsetof(AEffect, realtimeQualities) == (narrow ? 52 : 84));
static_assert(offsetof(AEffect, offlineQualities) == (narrow ? 56 : 88));
static_assert(offsetof(AEffect, ioRatio) == (narrow ? 60 : 92));
static_assert(offsetof(AEffect, object) == (narrow ? 64 : 96));
static_assert(offsetof(AEffect, user) == (narrow ? 68 : 104));
static_assert(offsetof(AEffect, uniqueId) == (narrow ? 72 : 112));
static_assert(offsetof(AEffect, version) == (narrow ? 76 : 116));
static_assert(offsetof(AEffect, processReplacingEntry) == (narrow ? 80 : 120));
static_assert(offsetof(AEffect, reservedTail) == (narrow ? 84 : 128));
static_assert(sizeof(AEffect) == (narrow ? 144 : 192));
}  // namespace aeffect_layout
