// SPDX-License-Identifier: MIT
// The CLAP plug-in's parameters as its hosts see them, and their values turned into what the
// plug-in sets: the seven of the parameter table, ids 0 to 6, and the bypass, id 7, after
// them so the seven keep their ids.
// - "Freq", "Res", "Smooth", "Dry/Wet", "Level": continuous, 0 to 1, the normalized values
//   themselves (the VST build's), so a session converts by value;
// - "Type", "Cutoff": stepped enumerations, 0 to 4 (the types) and 0 to 3 (one to four
//   stages), each setting handed to the core as the normalized value that selects it;
// - "Bypass": stepped, 0 processing, 1 bypassed.
// A value between two steps takes the nearer one, the lower at the exact middle; a value
// beyond the range is held at its nearest end, so what the host reads back stays in the
// range it was told; NaN is no value at all, and the parameter keeps what it had. Values
// arrive as doubles and become the float a VST host would hand over for the same value:
// a plain round-to-nearest conversion (the callers run under FloatEnvironmentGuard, so the
// host's rounding mode and denormal flags play no part).
//
// Free functions of no plug-in, for every CLAP plug-in built on the filter.
#pragma once

#include <cstdint>
#include <optional>

#include "core/parameter_table.h"
#include "interfaces/clap/clap_abi.h"

inline constexpr clap_id kBypassParameterId = static_cast<clap_id>(kParameterCount);
inline constexpr std::uint32_t kClapParameterCount = kParameterCount + 1;

// The info a host reads for the parameter at `index` (its id); false for another index.
bool clapParameterInfo(std::uint32_t index, clap_param_info* info);

// What the plug-in sets for a host's value of parameter `id`: the normalized value the core
// takes for ids 0 to 6, 0 or 1 for the bypass. Nothing for NaN or an unknown id.
std::optional<float> pluginValueOf(clap_id id, double hostValue);
// The value the host reads for what the plug-in holds (the inverse, exact for every value
// pluginValueOf gives).
double hostValueOf(clap_id id, float pluginValue);
