// SPDX-License-Identifier: MIT
// The LV2 plug-in's ports by index. The seven controls come first, each at its parameter's
// index, so the ports run in parameter order; then the audio input, the two identical audio
// outputs, the peak meter and the bypass switch (lv2:enabled), which came last so that the
// ports before it kept their indices. Names, symbols and defaults of the controls come from
// kParameterTable; these are the ports the table does not describe.
#pragma once

#include <cstdint>

#include "core/parameter_table.h"

enum Lv2Port : std::uint32_t {
    kPortFirstControl = 0,  // ports 0 to 6: parameters 0 to 6
    kPortInput = static_cast<std::uint32_t>(kParameterCount),
    kPortLeft,
    kPortRight,
    kPortPeak,
    kPortEnabled,
    kPortCount,
};

struct Lv2PortNames {
    const char* symbol;  // stable across versions: hosts store settings and connections by it
    const char* name;
};

inline constexpr Lv2PortNames kInputPortNames{"in", "Input"};
inline constexpr Lv2PortNames kLeftPortNames{"out_left", "Left output"};
inline constexpr Lv2PortNames kRightPortNames{"out_right", "Right output"};
inline constexpr Lv2PortNames kPeakPortNames{"peak", "Peak"};
inline constexpr Lv2PortNames kEnabledPortNames{"enabled", "Enabled"};

// "Freq" is a plain port in hertz with fixed bounds, which every host reads alike: from the
// table's lowest row at the lowest rate the bounds are made for to its highest row at the
// highest, so that every row is reachable at every rate from 8 to 384 kHz. Its default is the
// frequency a fresh VST instance shows at 44.1 kHz (row 39); at another rate it selects the
// row nearest in pitch to it. A value beyond the running rate's table selects its end row.
inline constexpr float kFrequencyBoundsLowestRate = 8000.0f;
inline constexpr float kFrequencyBoundsHighestRate = 384000.0f;
inline constexpr float kFrequencyDefaultRate = 44100.0f;
constexpr std::uint32_t controlPortOf(ParameterIndex index) { return kPortFirstControl + static_cast<std::uint32_t>(index); }
