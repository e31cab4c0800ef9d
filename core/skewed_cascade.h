// SPDX-License-Identifier: MIT
// The block loop of a cascade whose settings stay fixed for a run of frames: the slope
// stages in index order, then the main stage, each frame mixed with its dry input and
// written out. A frame is one sample (MonoBlock, written to both outputs) or a pair of the
// two channels of a stereo signal (StereoBlock), which runs through the same loop in the
// lanes of pairs, each channel with its own history.
//
// Within one frame every stage waits for the one before it, and each stage's recurrence is
// a long chain of dependent roundings, so running the frames one by one leaves the
// processor waiting on one chain at a time. But stage k at frame n and stage k + 1 at frame
// n - 1 do not depend on each other. The loop therefore runs the cascade skewed: in step i,
// pipeline position p works on frame i - p and hands its output to position p + 1 in a
// local variable, so the chains of all stages are in flight together. The main stage takes
// two positions, its main section one frame ahead of its resonance section.
//
// The positions of one step are independent of each other, so where two of them run a biquad
// section (every main section, and the main stage's resonance section), the middle of the run
// steps those two sections as one pair (BiquadSectionPair), halving the instructions of the
// recurrences; the filling and draining steps run the sections singly. A stereo frame already
// fills a pair's lanes with its two channels, so there each position steps on its own.
//
// Every position sees its inputs in frame order and runs the kernel's own functions
// (StageKernel::process and its pieces, BiquadSectionOf::step), so the output is bit for bit
// that of running the frames one by one.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "core/block_output.h"
#include "core/stage_kernel.h"

// What the block loop may take for granted about the stages, from the most general to the
// layouts of the types with a pass table (whose slope stages are always plain sections) and
// of the Resonant type.
enum class CascadeLayout {
    Any,
    Plain,                    // every stage a plain section
    PlainSlopes,              // plain slope stages; a main stage with a main section, no resonance
    PlainSlopesResonantMain,  // plain slope stages; a main stage with a main section and resonance
    ResonantType,             // every stage of the Resonant type (no main section), none resonant
    ResonantTypeResonantMain, // every stage of the Resonant type, only the main stage resonant
};

// The layout of these kernels (kernels[0] the main stage).
template <typename Value>
CascadeLayout layoutOf(const StageKernelOf<Value>* kernels, int cascade) {
    constexpr std::int32_t kResonantType = kTypeResonant;
    bool resonantType = true;
    for (int k = 0; k < cascade; ++k) {
        resonantType = resonantType && kernels[k].type == kResonantType && (k == 0 || !kernels[k].resonant);
    }
    if (resonantType) return kernels[0].resonant ? CascadeLayout::ResonantTypeResonantMain : CascadeLayout::ResonantType;
    for (int k = 1; k < cascade; ++k) {
        if (!kernels[k].plain) return CascadeLayout::Any;
    }
    if (kernels[0].plain) return CascadeLayout::Plain;
    if (!kernels[0].hasMainSection()) return CascadeLayout::Any;
    return kernels[0].resonant ? CascadeLayout::PlainSlopesResonantMain : CascadeLayout::PlainSlopes;
}

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

// Whether two positions' values go together into the lanes of a pair: single samples do; a
// stereo frame's pair already fills them.
template <typename Value>
inline constexpr bool kPairable = std::is_same_v<Value, float>;

}  // namespace skewed_cascade_detail

// Runs `frameCount` frames of `block` through `Cascade` kernels: kernels[1] to
// kernels[Cascade - 1], then kernels[0], and writes the mixed frames to the block's outputs.
// The kernels' histories are updated; `peak` is raised to the highest wet sample (signed,
// NaN never counts; for a stereo block in each lane). The inputs may be the same arrays as
// the outputs.
//
// `Layout` is what the caller knows of the stages (see CascadeLayout); the loop is compiled
// for it, so that the kernels' tests of their own shape fold away.
template <int Cascade, OutputMode Mode, CascadeLayout Layout, typename Block>
[[gnu::flatten]] void renderSkewed(StageKernelOf<typename Block::Value>* kernels, Block block,
                                   std::int32_t frameCount, Mix mix, typename Block::Value& peak) {
    using namespace skewed_cascade_detail;
    using Value = typename Block::Value;
    static_assert(Cascade >= 1);
    // Positions 0 .. Cascade - 2 run the slope stages whole, position Cascade - 1 starts the
    // main stage and position Cascade finishes it.
    constexpr int kMain = Cascade - 1;
    constexpr int kLast = Cascade;
    constexpr int kFill = kLast;  // steps before the last position gets its first frame

    // The layouts whose every position up to the main stage's steps a main section.
    constexpr bool kPassLayout = Layout == CascadeLayout::Plain || Layout == CascadeLayout::PlainSlopes ||
                                 Layout == CascadeLayout::PlainSlopesResonantMain;
    constexpr bool kResonantType =
        Layout == CascadeLayout::ResonantType || Layout == CascadeLayout::ResonantTypeResonantMain;
    constexpr bool kResonant = Layout == CascadeLayout::PlainSlopesResonantMain;
    // Positions 0 .. kSteppers - 1 step a section: the main sections, then the main stage's
    // resonance section at the last position.
    constexpr int kSteppers = Cascade + (kResonant ? 1 : 0);
    constexpr bool kPaired = kPassLayout && kSteppers >= 2 && kPairable<Value>;
    // The middle of the run steps the sections from locals of their own, in pairs where they
    // pair; a stereo frame's sections, which already fill their lanes, each on its own.
    constexpr bool kSeparate = kPaired || (kPassLayout && !kPairable<Value>);

    // The stages in pipeline order, as local values the compiler can keep in registers.
    // Copied with constant indices, so that the compiler sees every element on its own.
    StageKernelOf<Value> stage[Cascade];
    ascending<0, kMain>([&](auto j) __attribute__((always_inline)) {
        copyKernel(stage[decltype(j)::value], kernels[decltype(j)::value == kMain ? 0 : decltype(j)::value + 1]);
    });
    // Restating what the layout says the flags hold lets the compiler drop their tests.
    if constexpr (kPassLayout) {
        ascending<0, kMain - 1>([&](auto j) __attribute__((always_inline)) { stage[decltype(j)::value].plain = true; });
        stage[kMain].plain = Layout == CascadeLayout::Plain;
        stage[kMain].resonant = kResonant;
    } else if constexpr (kResonantType) {
        ascending<0, kMain>([&](auto j) __attribute__((always_inline)) {
            stage[decltype(j)::value].type = kTypeResonant;
            stage[decltype(j)::value].plain = false;
            stage[decltype(j)::value].resonant =
                decltype(j)::value == kMain && Layout == CascadeLayout::ResonantTypeResonantMain;
        });
    }
    // handed[p]: what position p produced in the latest step, the input of position p + 1.
    Value handed[kLast] = {};
    Value wetPeak = peak;

    const auto emit = [&](std::int32_t frame, Value wet) __attribute__((always_inline)) {
        // Read before writing: the input may be the same array as an output.
        const Value dry = block.dry(frame);
        wetPeak = higherOf(wet, wetPeak);  // signed: negative samples never raise it
        block.template write<Mode>(frame, mix.apply(dry, wet));
    };
    // What position p reads in a step whose position 0 reads frame i.
    const auto inputOf = [&](auto position, std::int32_t i) __attribute__((always_inline)) {
        constexpr int p = decltype(position)::value;
        if constexpr (p == 0) {
            return block.dry(i);
        } else {
            return handed[p - 1];
        }
    };
    // One position's work on one frame, each section stepped on its own.
    const auto run = [&](auto position, std::int32_t frame) __attribute__((always_inline)) {
        constexpr int p = decltype(position)::value;
        if constexpr (p == kLast) {
            emit(frame, stage[kMain].finishSample(handed[p - 1]));
        } else if constexpr (p == kMain) {
            handed[p] = stage[kMain].startSample(inputOf(position, frame + p));
        } else {
            handed[p] = stage[p].process(inputOf(position, frame + p));
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
        if constexpr (kSeparate) {
            // The sections go in pairs of positions (0, 1), (2, 3), ...; with an odd count the
            // highest runs alone. Unpaired, each runs alone.
            constexpr int kPairs = kPaired ? kSteppers / 2 : 0;
            constexpr int kSingles = kSteppers - 2 * kPairs;  // positions 2 kPairs and up
            // The section position p steps, handed to `use`.
            const auto withSection = [&](auto position, auto&& use) __attribute__((always_inline)) {
                constexpr int p = decltype(position)::value;
                if constexpr (p < kLast) {
                    use(stage[p].main);
                } else {
                    use(stage[kMain].resonance);
                }
            };
            // Position p's work after its section gave `y` for the frame.
            const auto deliver = [&](auto position, Value y, std::int32_t frame) __attribute__((always_inline)) {
                constexpr int p = decltype(position)::value;
                if constexpr (p == kLast) {
                    emit(frame, stage[kMain].combine(handed[p - 1], y));
                } else if constexpr (p == kMain) {
                    handed[p] = stage[kMain].weighMain(y);
                } else {
                    handed[p] = stage[p].finishSample(stage[p].weighMain(y));
                }
            };
            // The sections stepped in the middle, as locals of their own: pairs, and the ones
            // that run alone.
            using Section = BiquadSectionOf<Value>;
            BiquadSectionPair pairs[kPairs > 0 ? kPairs : 1];
            Section singles[kSingles > 0 ? kSingles : 1];
            ascending<0, kSingles - 1>([&](auto j) __attribute__((always_inline)) {
                withSection(Position<2 * kPairs + decltype(j)::value>{},
                            [&](const Section& a) __attribute__((always_inline)) { copySection(singles[decltype(j)::value], a); });
            });
            if constexpr (kPaired) {
                ascending<0, kPairs - 1>([&](auto j) __attribute__((always_inline)) {
                    constexpr int first = 2 * decltype(j)::value;
                    withSection(Position<first>{}, [&](const Section& a) __attribute__((always_inline)) {
                        withSection(Position<first + 1>{}, [&](const Section& b) __attribute__((always_inline)) {
                            pairs[decltype(j)::value] = pairOf(a, b);
                        });
                    });
                });
            }
            // A stereo frame's slope stages hand their outputs on widened: a plain section's
            // output is its section's, limited, and the section has widened it already for
            // its own step, so where the limiter keeps it the next section need not widen it
            // again. Conversions between the widths are what these loops run short of first.
            constexpr int kWideHandovers = kPairable<Value> ? 0 : kMain;
            using Wide = decltype(widen(Value{}));
            Wide handedWide[kWideHandovers > 0 ? kWideHandovers : 1];
            ascending<0, kWideHandovers - 1>([&](auto p) __attribute__((always_inline)) {
                handedWide[decltype(p)::value] = widen(handed[decltype(p)::value]);
            });
            // What position p reads, widened, in a step whose position 0 reads frame i.
            const auto wideInputOf = [&](auto position, std::int32_t i) __attribute__((always_inline)) {
                constexpr int p = decltype(position)::value;
                if constexpr (p == 0) {
                    return widen(block.dry(i));
                } else {
                    return handedWide[p - 1];
                }
            };
            for (std::int32_t i = kFill; i < frameCount; ++i) {
                if constexpr (!kResonant) run(Position<kLast>{}, i - kLast);
                descending<0, kSingles - 1>([&](auto j) __attribute__((always_inline)) {
                    constexpr int p = 2 * kPairs + decltype(j)::value;
                    Section& section = singles[decltype(j)::value];
                    if constexpr (kWideHandovers == 0 || p > kWideHandovers) {
                        deliver(Position<p>{}, section.step(inputOf(Position<p>{}, i)), i - p);
                    } else {
                        Wide wideOutput;
                        const Value y = section.stepWide(wideInputOf(Position<p>{}, i), wideOutput);
                        if constexpr (p == kMain) {
                            deliver(Position<p>{}, y, i - p);
                        } else if (limiterKeeps(y)) [[likely]] {
                            handedWide[p] = wideOutput;  // a plain slope stage: its output is y
                        } else {
                            handedWide[p] = widen(stage[p].finishSample(y));
                        }
                    }
                });
                if constexpr (kPaired) {
                    descending<0, kPairs - 1>([&](auto j) __attribute__((always_inline)) {
                        constexpr int first = 2 * decltype(j)::value;
                        const auto x = pairOf(inputOf(Position<first>{}, i), inputOf(Position<first + 1>{}, i));
                        const auto y = pairs[decltype(j)::value].step(x);
                        deliver(Position<first + 1>{}, secondOf(y), i - (first + 1));
                        deliver(Position<first>{}, firstOf(y), i - first);
                    });
                }
            }
            // Widening is exact, so narrowing gives back the outputs the draining reads.
            ascending<0, kWideHandovers - 1>([&](auto p) __attribute__((always_inline)) {
                handed[decltype(p)::value] = narrow(handedWide[decltype(p)::value]);
            });
            if constexpr (kPaired) {
                ascending<0, kPairs - 1>([&](auto j) __attribute__((always_inline)) {
                    constexpr int first = 2 * decltype(j)::value;
                    withSection(Position<first>{}, [&](Section& a) __attribute__((always_inline)) {
                        withSection(Position<first + 1>{}, [&](Section& b) __attribute__((always_inline)) {
                            storeStates(pairs[decltype(j)::value], a, b);
                        });
                    });
                });
            }
            ascending<0, kSingles - 1>([&](auto j) __attribute__((always_inline)) {
                withSection(Position<2 * kPairs + decltype(j)::value>{},
                            [&](Section& a) __attribute__((always_inline)) { copySection(a, singles[decltype(j)::value]); });
            });
        } else {
            for (std::int32_t i = kFill; i < frameCount; ++i) step(Position<0>{}, Position<kLast>{}, i);
        }
        // Draining: in the e-th step after the last frame entered, positions e to the last.
        ascending<1, kLast>([&](auto e) __attribute__((always_inline)) {
            step(e, Position<kLast>{}, frameCount - 1 + decltype(e)::value);
        });
    }

    peak = wetPeak;
    // Only the histories change.
    ascending<0, kMain>([&](auto j) __attribute__((always_inline)) {
        StageKernelOf<Value>& kernel = kernels[decltype(j)::value == kMain ? 0 : decltype(j)::value + 1];
        kernel.main.state1 = stage[decltype(j)::value].main.state1;
        kernel.main.state2 = stage[decltype(j)::value].main.state2;
        kernel.resonance.state1 = stage[decltype(j)::value].resonance.state1;
        kernel.resonance.state2 = stage[decltype(j)::value].resonance.state2;
    });
}
