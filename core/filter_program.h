// SPDX-License-Identifier: MIT
// One stored program: the seven parameter values and a name. Programs live in memory only.
#pragma once

#include <cstdint>

#include "core/parameter_table.h"

struct FilterProgram {
    static constexpr int kNameSize = 24;  // 23 characters and the terminator

    // The record keeps "Type" before "Smooth", the opposite of their parameter indices;
    // the processor maps between the two in one place.
    float frequency = kParameterTable[kParameterFrequency].defaultValue;
    float resonance = kParameterTable[kParameterResonance].defaultValue;
    float type = kParameterTable[kParameterType].defaultValue;
    float smoothing = kParameterTable[kParameterSmoothing].defaultValue;
    float cutoff = kParameterTable[kParameterCutoff].defaultValue;
    float dryWet = kParameterTable[kParameterDryWet].defaultValue;
    float level = kParameterTable[kParameterLevel].defaultValue;
    char name[kNameSize] = "Init";
};
