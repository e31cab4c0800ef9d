// SPDX-License-Identifier: MIT
// The LV2 plug-in's ports by index. The seven controls come first, each at its parameter's
// index, so the ports run in parameter order; then the audio input, the two identical audio
// outputs and the peak meter. Names, symbols and defaults of the controls come from
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

constexpr std::uint32_t controlPortOf(ParameterIndex index) { return kPortFirstControl + static_cast<std::uint32_t>(index); }
