// SPDX-License-Identifier: MIT
// Hands a value of a plain type from one writing thread to any number of reading threads
// without a lock, and without the writer ever waiting: a sequence counter around the value's
// words. The writer (the audio thread) makes the counter odd, writes the words and makes it
// even again; a reader copies the words between two reads of the same even count, and tries
// again when the count moved meanwhile. Every word is an atomic, so a reader that overlaps a
// write may read words of two values, which it then throws away: it never keeps a torn value,
// and no access is a data race. The words are stored with release and loaded with acquire
// order rather than fenced (on x86 both are plain moves): a reader that sees a new word then
// sees the odd count before it, and reads the count again only after every word, which
// ThreadSanitizer can follow (it cannot follow fences).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename Value>
class SnapshotChannel {
    static_assert(std::is_trivially_copyable_v<Value> && sizeof(Value) % sizeof(std::uint32_t) == 0,
                  "a snapshot is copied word by word");

public:
    // Attempts a read makes before it gives up on a writer that keeps overlapping it.
    static constexpr int kReadAttempts = 64;

    explicit SnapshotChannel(const Value& initial = Value{}) { publish(initial); }
    SnapshotChannel(const SnapshotChannel&) = delete;
    SnapshotChannel& operator=(const SnapshotChannel&) = delete;

    // Only one thread may publish at a time. Allocates nothing, takes no lock, never waits.
    void publish(const Value& value) {
        std::uint32_t words[kWords];
        std::memcpy(words, &value, sizeof(Value));
        const std::uint32_t sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        // No word's new value becomes visible before the odd count does.
        for (std::size_t k = 0; k < kWords; ++k) words_[k].store(words[k], std::memory_order_release);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    // Copies the value last published into `value` and returns true; returns false, leaving
    // `value` as it was, when a write overlapped every attempt.
    bool read(Value& value) const {
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            const std::uint32_t before = sequence_.load(std::memory_order_acquire);
            if (before % 2 != 0) continue;  // a write is under way
            std::uint32_t words[kWords];
            // The count is read again only after every word.
            for (std::size_t k = 0; k < kWords; ++k) words[k] = words_[k].load(std::memory_order_acquire);
            if (sequence_.load(std::memory_order_relaxed) != before) continue;
            std::memcpy(&value, words, sizeof(Value));
            return true;
        }
        return false;
    }

    // How many values have been published, the first one included; moves on with each.
    std::uint32_t publications() const { return sequence_.load(std::memory_order_acquire) / 2; }

private:
    static constexpr std::size_t kWords = sizeof(Value) / sizeof(std::uint32_t);

    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<std::uint32_t> words_[kWords] = {};
};
