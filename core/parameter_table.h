// SPDX-License-Identifier: MIT
// The filter's seven parameters, one row each. This table is the one source of every
// format's parameter list: names and unit labels, the symbols of formats that need
// identifiers, the default a fresh program holds, and how the value is shown. The rules that
// turn a value into a working setting are in parameter_rules.h.
#pragma once

#include <cstdint>

enum ParameterIndex : std::int32_t {
    kParameterFrequency = 0,
    kParameterResonance = 1,
    kParameterSmoothing = 2,
    kParameterType = 3,
    kParameterCutoff = 4,
    kParameterDryWet = 5,
    kParameterLevel = 6,
    kParameterCount = 7,
};

// What a parameter's display text shows.
enum class DisplayRule {
    TargetFrequency,  // the frequency of the main stage's target row, in hertz at the sample rate
    WorkingValue,     // the working value the parameter set, as a number
    StoredValue,      // the value as set (for "Smooth", not the samples it gives)
    TypeName,         // the name of the main stage's type
    SlopePerOctave,   // 12 dB per octave for each stage in the cascade, as an integer
    GainInDecibels,   // the output level in decibels; no gain has no decibel value
};

struct ParameterInfo {
    ParameterIndex index;
    const char* name;       // at most 8 characters, as hosts of 8-character fields show it
    const char* unitLabel;  // at most 8 characters
    const char* symbol;     // lower-case identifier, stable across versions
    float defaultValue;     // normalized, 0 to 1
    DisplayRule display;
};

inline constexpr ParameterInfo kParameterTable[kParameterCount] = {
    {kParameterFrequency, "Freq", "Hz", "freq", 0.5f, DisplayRule::TargetFrequency},
    {kParameterResonance, "Res", "amount", "res", 0.0f, DisplayRule::WorkingValue},
    {kParameterSmoothing, "Smooth", "amount", "smooth", 0.1f, DisplayRule::StoredValue},
    {kParameterType, "Type", "type", "type", 0.0f, DisplayRule::TypeName},
    {kParameterCutoff, "Cutoff", "dB/Oct", "slope", 0.0f, DisplayRule::SlopePerOctave},
    {kParameterDryWet, "Dry/Wet", "mix", "mix", 1.0f, DisplayRule::WorkingValue},
    {kParameterLevel, "Level", "dB", "level", 0.5f, DisplayRule::GainInDecibels},
};

constexpr bool isParameterIndex(std::int32_t index) { return index >= 0 && index < kParameterCount; }

// The table is indexed by its own index column.
constexpr bool tableIsInIndexOrder() {
    for (int i = 0; i < kParameterCount; ++i) {
        if (kParameterTable[i].index != i) return false;
    }
    return true;
}
static_assert(tableIsInIndexOrder());
