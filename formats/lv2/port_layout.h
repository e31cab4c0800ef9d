// SPDX-License-Identifier: MIT
// The LV2 plug-ins' ports by index. The seven controls come first, each at its parameter's
// index, so the ports run in parameter order; then the audio inputs (one for the mono
// plug-in, left and right for the stereo one), the two audio outputs, the peak meter and the
// bypass switch (lv2:enabled), which came last so that the mono plug-in's ports before it
// kept their indices. Names, symbols and defaults of the controls come from kParameterTable;
// these are the ports the table does not describe. The enumeration is the mono plug-in's.
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

// Where a plug-in with one or two audio inputs has its ports; the mono one's are the ones above.
struct Lv2PortLayout {
    std::uint32_t inputCount;  // 1 or 2

    constexpr std::uint32_t input(std::uint32_t channel) const { return kPortInput + channel; }
    constexpr std::uint32_t left() const { return kPortInput + inputCount; }
    constexpr std::uint32_t right() const { return left() + 1; }
    constexpr std::uint32_t peak() const { return left() + 2; }
    constexpr std::uint32_t enabled() const { return left() + 3; }
    constexpr std::uint32_t count() const { return left() + 4; }
};

inline constexpr Lv2PortLayout kMonoPortLayout{1};
inline constexpr Lv2PortLayout kStereoPortLayout{2};
static_assert(kMonoPortLayout.left() == kPortLeft && kMonoPortLayout.peak() == kPortPeak &&
              kMonoPortLayout.enabled() == kPortEnabled && kMonoPortLayout.count() == kPortCount);

struct Lv2PortNames {
    const char* symbol;  // stable across versions: hosts store settings and connections by it
    const char* name;
};

inline constexpr Lv2PortNames kInputPortNames{"in", "Input"};
inline constexpr Lv2PortNames kLeftInputPortNames{"in_left", "Left input"};
inline constexpr Lv2PortNames kRightInputPortNames{"in_right", "Right input"};
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
