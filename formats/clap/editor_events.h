// SPDX-License-Identifier: MIT
// The changes the plug-in's window makes, handed from the host's main thread to the thread
// that sets parameters (the audio thread in process or flush, or the main thread in a flush
// while the plug-in is not active): gesture begins, values and gesture ends, in the order the
// user made them. The plug-in sets each value on its processor and tells the host of each
// event as a CLAP event, so the host records automation and undo.
//
// A ring of a fixed size, one writing thread and one reading thread at a time (the host never
// runs process and flush at once): nothing allocates, locks or waits. Events that do not fit
// wait on the main thread and are posted again before the next (take on the main thread's
// side); none is lost.
//
// The main thread also learns which parameters have changes still on their way (posted but not
// yet set), so that it does not take the processor's older value for a change of the host's.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>

#include "core/parameter_table.h"

struct EditorEvent {
    enum class Kind : std::uint8_t { Begin, Value, End };
    Kind kind;
    ParameterIndex index;
    float value = 0.0f;  // normalized, for Kind::Value
};

class EditorEventQueue {
public:
    static constexpr std::uint32_t kCapacity = 256;

    // Main thread: the event, after any still waiting for room.
    void post(const EditorEvent& event) {
        waiting_.push_back(event);
        if (event.kind == EditorEvent::Kind::Value) ++postedValues_[event.index];
        postWaiting();
    }
    // Main thread: posts what waits for room.
    void postWaiting() {
        while (!waiting_.empty() && tryPush(waiting_.front())) waiting_.pop_front();
    }
    bool waiting() const { return !waiting_.empty(); }
    // Main thread: whether values of the parameter are posted and not yet set.
    bool changing(ParameterIndex index) const {
        return postedValues_[index] != setValues_[index].load(std::memory_order_acquire);
    }

    // The setting thread: hands each event to `take`, in order.
    template <typename Take>
    void take(Take&& take) {
        std::uint32_t read = read_.load(std::memory_order_relaxed);
        const std::uint32_t written = written_.load(std::memory_order_acquire);
        for (; read != written; ++read) {
            const EditorEvent event = ring_[read % kCapacity];
            take(event);
            if (event.kind == EditorEvent::Kind::Value) setValues_[event.index].fetch_add(1, std::memory_order_release);
        }
        read_.store(read, std::memory_order_release);
    }

private:
    bool tryPush(const EditorEvent& event) {
        const std::uint32_t written = written_.load(std::memory_order_relaxed);
        if (written - read_.load(std::memory_order_acquire) == kCapacity) return false;
        ring_[written % kCapacity] = event;
        written_.store(written + 1, std::memory_order_release);
        return true;
    }

    std::array<EditorEvent, kCapacity> ring_{};
    std::atomic<std::uint32_t> written_{0};
    std::atomic<std::uint32_t> read_{0};
    std::array<std::atomic<std::uint32_t>, kParameterCount> setValues_{};
    // Main thread only.
    std::deque<EditorEvent> waiting_;
    std::array<std::uint32_t, kParameterCount> postedValues_{};
};
