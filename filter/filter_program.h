// One stored program: the seven parameter values and a name. Programs live in memory only.
#pragma once

#include <cstdint>

struct FilterProgram {
    static constexpr int kNameSize = 24;  // 23 characters and the terminator

    // The record keeps "Type" before "Smooth", the opposite of their parameter indices;
    // the effect maps between the two in one place.
    float frequency = 0.5f;
    float resonance = 0.0f;
    float type = 0.0f;
    float smoothing = 0.1f;
    float cutoff = 0.0f;
    float dryWet = 1.0f;
    float level = 0.5f;
    char name[kNameSize] = "Init";
};
