// The block loop of a cascade whose settings stay fixed for a run of frames: the slope
// stages in index order, then the main stage, each frame mixed with its dry input and
// written to both outputs.
//
// Within one frame every stage waits for the one before it, and each stage's recurrence is
// a long chain of dependent roundings, so running the frames one by one leaves the
// processor waiting on one chain at a time. But stage k at frame n and stage k + 1 at frame
// n - 1 do not depend on each other. The loop therefore runs the cascade skewed: in step i,
// pipeline position p works on frame i - p and hands its output to position p + 1 in a
// local variable, so the chains of all stages are in flight together. The main stage takes
// two positions, its main section one frame ahead of its resonance section.
//
// Every position sees its inputs in frame order and runs the kernel's own functions
// (StageKernel::process, startSample and finishSample), so the output is bit for bit that of
// running the frames one by one.
#pragma once

#include <cstdint>
#include <utility>

#include "core/block_output.h"
#include "core/stage_kernel.h"

namespace skewed_cascade_detail {

template <int N>
using Position = std::integral_constant<int, N>;

// Calls body(Position<From>{}), body(Position<From + 1>{}), ... up to To, in that order.
template <int From, int To, typename Body>
[[gnu::always_inline]] inline void ascending(Body&& body) {
    [&]<int... q>(std::integer_sequence<int, q...>) __attribute__((always_inline)) {
        (body(Position<From + q>{}), ...);
    }(std::make_integer_sequence<int, To - From + 1>{});
}

// The same from To down to From.
template <int From, int To, typename Body>
[[gnu::always_inline]] inline void descending(Body&& body) {
    [&]<int... q>(std::integer_sequence<int, q...>) __attribute__((always_inline)) {
        (body(Position<To - q>{}), ...);
    }(std::make_integer_sequence<int, To - From + 1>{});
}

}  // namespace skewed_cascade_detail

// Runs `frameCount` frames of `input` through `Cascade` kernels: kernels[1] to
// kernels[Cascade - 1], then kernels[0], and writes the mixed frames to `left` and `right`.
// The kernels' histories are updated; `peak` is raised to the highest wet sample (signed,
// NaN never counts). The input may be the same array as either output.
template <int Cascade, OutputMode Mode>
[[gnu::flatten]] void renderSkewed(StageKernel* kernels, const float* input, float* left, float* right, std::int32_t frameCount,
                  Mix mix, float& peak) {
    using namespace skewed_cascade_detail;
    static_assert(Cascade >= 1);
    // Positions 0 .. Cascade - 2 run the slope stages whole, position Cascade - 1 starts the
    // main stage and position Cascade finishes it.
    constexpr int kMain = Cascade - 1;
    constexpr int kLast = Cascade;
    constexpr int kFill = kLast;  // steps before the last position gets its first frame

    // The stages in pipeline order, as local values the compiler can keep in registers.
    StageKernel stage[Cascade];
    for (int j = 0; j < Cascade; ++j) stage[j] = kernels[j == kMain ? 0 : j + 1];
    // handed[p]: what position p produced in the latest step, the input of position p + 1.
    float handed[kLast] = {};
    float wetPeak = peak;

    const auto run = [&](auto position, std::int32_t frame) __attribute__((always_inline)) {
        constexpr int p = decltype(position)::value;
        if constexpr (p == kLast) {
            const float wet = stage[kMain].finishSample(handed[p - 1]);
            // Read before writing: the input may be the same array as an output.
            const float dry = input[frame];
            wetPeak = wet > wetPeak ? wet : wetPeak;  // signed: negative samples never raise it
            writeFrame<Mode>(left, right, frame, mix.apply(dry, wet));
        } else {
            float x;
            if constexpr (p == 0) {
                x = input[frame];
            } else {
                x = handed[p - 1];
            }
            if constexpr (p == kMain) {
                handed[p] = stage[kMain].startSample(x);
            } else {
                handed[p] = stage[p].process(x);
            }
        }
    };
    // Step i of the skewed loop for positions From to To: position p on frame i - p. The
    // highest goes first, so each position reads what the one before it handed on in the
    // step before.
    const auto step = [&](auto from, auto to, std::int32_t i) __attribute__((always_inline)) {
        descending<decltype(from)::value, decltype(to)::value>([&](auto position) __attribute__((always_inline)) {
            run(position, i - decltype(position)::value);
        });
    };

    if (frameCount < kFill) {
        // Too few frames to fill the pipeline: one frame at a time through every position.
        for (std::int32_t frame = 0; frame < frameCount; ++frame) {
            ascending<0, kLast>([&](auto position) __attribute__((always_inline)) { run(position, frame); });
        }
    } else {
        // Filling: in step s only positions 0 to s have a frame.
        ascending<0, kFill - 1>([&](auto s) __attribute__((always_inline)) { step(Position<0>{}, s, decltype(s)::value); });
        for (std::int32_t i = kFill; i < frameCount; ++i) step(Position<0>{}, Position<kLast>{}, i);
        // Draining: in the e-th step after the last frame entered, positions e to the last.
        ascending<1, kLast>([&](auto e) __attribute__((always_inline)) {
            step(e, Position<kLast>{}, frameCount - 1 + decltype(e)::value);
        });
    }

    peak = wetPeak;
    for (int j = 0; j < Cascade; ++j) kernels[j == kMain ? 0 : j + 1] = stage[j];
}
