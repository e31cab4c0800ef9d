// SPDX-License-Identifier: MIT
// Conversions from double precision that are defined for every input, infinities and NaN
// included: a host may hand the effect any bit pattern as a float, and a conversion the
// language leaves undefined must never decide what happens next.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Rounds to single precision as the hardware does (to nearest, ties to even), with values
// beyond the largest float going to the infinity of their sign explicitly.
inline float roundToFloat(double value) {
    // Half an ulp above the largest float: from here on, round-to-nearest gives infinity.
    constexpr double kOverflowThreshold = 0x1.ffffffp127;
    if (value >= kOverflowThreshold) {
        return std::numeric_limits<float>::infinity();
    }
    if (value <= -kOverflowThreshold) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

// Truncates toward zero; values beyond the 32-bit range give its nearest end, NaN gives 0.
inline std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483649.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// Narrows an address-width integer from the host to 32 bits, keeping the nearest end of the
// range for values a 64-bit host may pass that do not fit.
inline std::int32_t clampToInt32(std::intptr_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}
