// SPDX-License-Identifier: MIT
// A set of parameter values handed from the host's main thread to its audio thread, for a
// state loaded while the plug-in is active: the audio thread sets them at the start of its
// next call, in id order, so a loaded state lands between two blocks, never inside
// one, and the main thread never calls the processor's setters while the audio thread
// does.
//
// The hand-over never blocks the audio thread: it takes the values only when they are
// complete and skips them otherwise (they are then taken on its next call). The main
// thread waits only while the audio thread is taking values, which is eight loads and
// setter calls. A newer post replaces one not yet taken.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "formats/clap/state_format.h"

class PendingParameterValues {
public:
    // Main thread.
    void post(const ParameterValues& values) {
        for (;;) {
            std::uint32_t state = state_.load(std::memory_order_acquire);
            if (state == kTaking) continue;  // the audio thread is setting the last values
            if (state_.compare_exchange_weak(state, kWriting, std::memory_order_acquire)) break;
        }
        for (std::size_t i = 0; i < values_.size(); ++i) values_[i].store(values[i], std::memory_order_relaxed);
        state_.store(kReady, std::memory_order_release);
    }

    // Main thread: whether values posted have not all been set yet, and those values.
    bool pending() const { return state_.load(std::memory_order_acquire) != kEmpty; }
    float value(std::size_t index) const { return values_[index].load(std::memory_order_relaxed); }

    // Audio thread, or the main thread once the audio thread has stopped: hands complete
    // values to `set(id, value)` in id order; false if there were none.
    template <typename Set>
    bool take(Set&& set) {
        std::uint32_t expected = kReady;
        if (!state_.compare_exchange_strong(expected, kTaking, std::memory_order_acquire)) return false;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            set(static_cast<clap_id>(i), values_[i].load(std::memory_order_relaxed));
        }
        state_.store(kEmpty, std::memory_order_release);
        return true;
    }

private:
    static constexpr std::uint32_t kEmpty = 0;    // nothing to hand over
    static constexpr std::uint32_t kWriting = 1;  // the main thread is writing values
    static constexpr std::uint32_t kReady = 2;    // complete values wait for the audio thread
    static constexpr std::uint32_t kTaking = 3;   // the audio thread is setting them

    std::atomic<std::uint32_t> state_{kEmpty};
    std::array<std::atomic<float>, kClapParameterCount> values_ = {};
};
