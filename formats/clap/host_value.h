// SPDX-License-Identifier: MIT
// A parameter value from a CLAP host, a double, turned into the float the core takes: the
// same float a host of the VST build would hand over for that value, a plain conversion
// rounding to nearest (the caller runs under FloatEnvironmentGuard, so the host's rounding
// mode and denormal flags play no part).
//
// The parameters are declared with the range 0 to 1; a value beyond it is held at the
// nearest end, so that what the host reads back stays in the range it was told, and NaN is
// no value at all: the parameter keeps what it had.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

inline std::optional<float> floatFromHostValue(double value) {
    if (std::isnan(value)) return std::nullopt;
    // Both ends are floats, so holding before rounding gives what rounding first would.
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}
