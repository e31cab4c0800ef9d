// SPDX-License-Identifier: MIT
// The five responses a stage can have, numbered as the "Type" parameter selects them.
#pragma once

#include <cstdint>

enum FilterType : std::int32_t {
    kTypeLowPass = 0,
    kTypeHighPass = 1,
    kTypeBandPass = 2,
    kTypeResonant = 3,  // a resonant peak added to the unfiltered signal
    kTypeThru = 4,      // straight through, at the level
};

inline constexpr int kFilterTypeCount = kTypeThru + 1;
