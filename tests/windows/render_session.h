// SPDX-License-Identifier: MIT
// A fixed rendering session: a deterministic input signal, a fixed schedule of parameter,
// program and on/off changes between blocks of varying size, and two effect instances (one
// through the replacing process entry, one through the accumulating one). The output is
// the raw 32-bit floats the module produced, so renders of the same module source built for
// different platforms can be compared bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/vst/aeffect.h"

// The input signal: integer-derived samples only, so every platform builds the same floats.
std::vector<float> renderInputSignal(std::size_t frameCount);

// Runs the session against the module's entry. Per block the result holds: the replacing
// instance's left and right outputs, the accumulating instance's left and right outputs,
// and both instances' meter readings (dispatcher opcode 9, as floats). Empty if the module
// gave no effect.
std::vector<float> renderSession(AEffect* (BRAMSOLIKET_CALL* entry)(HostCallback));
