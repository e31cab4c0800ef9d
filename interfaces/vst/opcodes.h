// SPDX-License-Identifier: MIT
// The numbered requests of the VST 1.0 interface, in both directions, and the sizes of the
// text buffers that travel with them: what an effect answers and what a host sends are
// declared here once, for the plug-in and for the hosts that load it.
#pragma once

#include <cstdint>

// Host opcodes: requests the effect sends to the host.
enum HostOpcode : std::int32_t {
    kHostParameterChanged = 0,
    kHostVersion = 1,
    kHostCurrentId = 2,
    kHostIdle = 3,
    kHostPinConnected = 4,
};

// Dispatcher opcodes: requests the host sends to the effect.
enum EffectOpcode : std::int32_t {
    kEffectOpen = 0,
    kEffectClose = 1,
    kEffectSetProgram = 2,
    kEffectGetProgram = 3,
    kEffectSetProgramName = 4,
    kEffectGetProgramName = 5,
    kEffectGetParameterLabel = 6,
    kEffectGetParameterDisplay = 7,
    kEffectGetParameterName = 8,
    kEffectGetMeter = 9,
    kEffectSetSampleRate = 10,
    kEffectSetBlockSize = 11,
    kEffectProcessingSwitch = 12,
    kEffectIdentify = 22,
};

// Sizes of the host's text buffers, terminator included.
constexpr int kTextBufferSize = 9;
constexpr int kProgramNameBufferSize = 24;
