// SPDX-License-Identifier: MIT
// The bypass a host switches: while bypassed every output carries its input, and the filter
// keeps running underneath, so that switching back continues exactly where an uninterrupted
// render would be. A switch cross-fades linearly between the filtered and the dry signal over
// a fixed 10 ms, starting at the frame where it is made; untouched (processing, no fade under
// way), the outputs are left exactly as the filter wrote them.
//
// Any number of channels, up to two inputs: output channel c takes its dry signal from input
// c, or from the last input where there are fewer inputs than outputs (one input feeding two
// outputs). The inputs may be the same buffers as outputs: the dry signal is copied before
// the filter writes, in chunks of a buffer the switch holds, so nothing allocates.
//
// Threads: the audio thread calls setBypassed and process (or the main thread, while no
// audio runs); bypassed() may be read on any thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

class BypassSwitch {
public:
    static constexpr double kFadeSeconds = 0.010;
    static constexpr int kMaximumInputs = 2;
    static constexpr std::uint32_t kChunkFrames = 256;

    // The fade's length in frames at `sampleRate` (10 ms, at least one frame), and no fade
    // under way: the switch stands where it was set. For a new activation.
    void prepare(double sampleRate);
    // Ends a fade under way at once, as a new activation does.
    void settle() { position_ = bypassed_.load(std::memory_order_relaxed) ? fadeFrames_ : 0; }

    // From the next frame processed on, the outputs move toward the dry signal (true) or the
    // filtered one (false); a switch made during a fade turns it back from where it stands.
    void setBypassed(bool bypassed) { bypassed_.store(bypassed, std::memory_order_relaxed); }
    bool bypassed() const { return bypassed_.load(std::memory_order_relaxed); }
    // Whether the outputs are left as the filter wrote them: processing, no fade under way.
    bool untouched() const { return position_ == 0 && !bypassed(); }
    std::uint32_t fadeFrames() const { return fadeFrames_; }

    // Renders `frames` frames: `render(first, count)` filters frames [first, first + count)
    // of the inputs into the outputs, then each output is blended with its dry signal as the
    // switch stands.
    template <typename Render>
    void process(const float* const* inputs, int inputCount, float* const* outputs, int outputCount,
                 std::uint32_t frames, Render&& render) {
        const bool toDry = bypassed();
        if (position_ == 0 && !toDry) {
            render(std::uint32_t{0}, frames);
            return;
        }
        const int inputsKept = std::clamp(inputCount, 1, kMaximumInputs);
        for (std::uint32_t first = 0; first < frames; first += kChunkFrames) {
            const std::uint32_t count = std::min(kChunkFrames, frames - first);
            for (int i = 0; i < inputsKept; ++i) std::memcpy(dry_[i], inputs[i] + first, count * sizeof(float));
            render(first, count);
            std::uint32_t position = position_;
            for (int c = 0; c < outputCount; ++c) {
                position = blend(toDry, dry_[std::min(c, inputsKept - 1)], outputs[c] + first, count);
            }
            position_ = position;
        }
    }

private:
    // Blends one channel's `count` frames from the switch's position, moving toward the dry
    // signal or away from it; returns the position after them (every channel starts from the
    // same one).
    std::uint32_t blend(bool toDry, const float* dry, float* output, std::uint32_t count) const;

    std::atomic<bool> bypassed_{false};
    // Frames of fade toward the dry signal: 0 is the filtered signal alone, fadeFrames_ the
    // dry signal alone. Audio thread only.
    std::uint32_t position_ = 0;
    std::uint32_t fadeFrames_ = 1;
    float dry_[kMaximumInputs][kChunkFrames] = {};
};
