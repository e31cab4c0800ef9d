// SPDX-License-Identifier: MIT
// The counting rule of the shared glide step counters, and the same rule applied many
// calls at once.
//
// A stage with a pending move counts one call against a counter and moves on a call that
// finds the counter at 0.0; the count is a float, incremented in double and rounded, and it
// wraps to 0.0 once it is no longer below the calling stage's smoothing steps. Between two
// calls that find it at zero the counter only climbs by one per call, so while every call
// uses the same limit, the number of calls until the next move and the value the counter
// has after a number of calls without one follow from its value now. The block loops use
// that to run the samples between two moves without counting them one by one.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

namespace step_counter {

// Calls that will never find the counter at zero.
inline constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
// Returned by callsUntilMove when the counter holds a value the counting rule cannot give
// (a fraction, a negative number, one past the point where the count stops climbing): the
// caller counts such calls one by one.
inline constexpr std::int64_t kUnknown = -1;

// From 2^24 on, adding one rounds back to the same float: the count stops climbing there.
inline constexpr float kHighestCount = 16777216.0f;

// One counted call: true when it found the counter at zero, and so moves its index.
inline bool countStep(std::atomic<float>& counter, float limit) {
    float count = counter.load(std::memory_order_relaxed);
    const bool moves = count == 0.0f;
    count = static_cast<float>(count + 1.0);
    if (!(count < limit)) {
        count = 0.0f;
    }
    counter.store(count, std::memory_order_relaxed);
    return moves;
}

// The number of calls with this limit that pass before one finds the counter at zero (0 when
// the next call does), kNever, or kUnknown.
inline std::int64_t callsUntilMove(float count, float limit) {
    if (count == 0.0f) return 0;
    if (!(static_cast<float>(count + 1.0) < limit)) return 1;  // the next call wraps
    const bool counted = count > 0.0f && count <= kHighestCount &&
                         static_cast<float>(static_cast<std::int64_t>(count)) == count;
    if (!counted) return kUnknown;
    // The counter climbs one per call and the call that reaches the limit wraps it; a limit
    // above the highest count is never reached.
    if (!(limit <= kHighestCount)) return kNever;
    std::int64_t reached = static_cast<std::int64_t>(limit);  // the first whole count not below the limit
    if (static_cast<float>(reached) < limit) ++reached;
    return reached - static_cast<std::int64_t>(count);
}

// The counter after `calls` calls with this limit, when none of them found it at zero
// (calls <= callsUntilMove(count, limit), which must not be kUnknown).
inline float countAfter(float count, float limit, std::int64_t calls) {
    if (calls == 0) return count;
    if (calls == callsUntilMove(count, limit)) return 0.0f;  // the last of them wrapped
    const std::int64_t climbed = static_cast<std::int64_t>(count) + calls;
    return climbed < static_cast<std::int64_t>(kHighestCount) ? static_cast<float>(climbed) : kHighestCount;
}

}  // namespace step_counter
