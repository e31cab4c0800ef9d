// SPDX-License-Identifier: MIT
// The meter as the editor shows it: it rises at once to every peak it is given and falls
// back at a steady rate in decibels, so that the peaks of short blocks, which hosts send a
// few dozen times a second, read as a steady bar rather than a flicker.
#pragma once

#include <algorithm>
#include <cmath>

class MeterBallistics {
public:
    static constexpr double kFallDbPerSecond = 24.0;
    static constexpr double kFloorDb = -90.0;  // below it the meter shows nothing

    // A new peak (linear, 1 is full scale) at `seconds`.
    void peak(float value, double seconds) {
        fall(seconds);
        const double db = decibels(value);
        if (db > shownDb_) shownDb_ = db;
    }
    // Time passes: the meter falls toward the floor.
    void fall(double seconds) {
        if (seconds > lastSeconds_) shownDb_ -= kFallDbPerSecond * (seconds - lastSeconds_);
        lastSeconds_ = std::max(lastSeconds_, seconds);
        if (shownDb_ < kFloorDb) shownDb_ = kFloorDb - 1.0;
    }
    // The linear peak shown now, 0 below the floor.
    float shown() const { return shownDb_ < kFloorDb ? 0.0f : static_cast<float>(std::pow(10.0, shownDb_ / 20.0)); }

private:
    static double decibels(float value) {
        return value > 0.0f && std::isfinite(value) ? 20.0 * std::log10(static_cast<double>(value))
               : value > 0.0f                        ? 20.0 * std::log10(1e6)  // an infinite peak shows as far over
                                                     : kFloorDb - 1.0;
    }

    double shownDb_ = kFloorDb - 1.0;
    double lastSeconds_ = 0.0;
};
