// SPDX-License-Identifier: MIT
// When the next glide move of a cascade can happen, worked out from the shared step counters,
// so that the samples before it run through the plain kernels.
//
// On every sample each gliding stage of the cascade counts one call against the frequency
// counter, the resonance counter or both, and a stage moves only on a call that finds a
// counter at zero. Within one process call nothing else touches the counters, so while no
// stage moves, the set of gliding stages stays the same and each counter simply takes as
// many calls per sample as there are stages gliding on it. When all of them count against
// the same limit (they share the smoothing setting), the calls until the next move, and so
// the samples until the first sample that moves anything, follow from the counter's value.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/filter_stage.h"

class GlideSchedule {
public:
    // Reads the stages of a cascade of `cascade` stages (0 is the main stage) and the
    // counters now.
    GlideSchedule(const FilterStage* stages, int cascade);

    // Samples that can pass before the first one on which a stage may move: each of them
    // only counts steps, so the stages' settings hold for all of them. step_counter::kNever
    // while nothing glides or no counter will reach zero again; 0 when the next sample may
    // move an index, or when the stages count against different limits and the steps must be
    // counted one call at a time.
    std::int64_t quietSamples() const { return quietSamples_; }

    // Leaves the counters as `samples` quiet samples (at most quietSamples()) counted one
    // call at a time would have left them.
    void countQuietSamples(std::int64_t samples) const;

private:
    struct Counter {
        std::atomic<float>* shared;
        float count;  // the value read on construction
        float limit;
        int callsPerSample;
        bool sameLimit;
        // The samples whose calls all pass without finding the counter at zero.
        std::int64_t quietSamples() const;
    };
    static void add(Counter& counter, float limit);

    Counter frequency_{&frequencyStepCounter, 0.0f, 0.0f, 0, true};
    Counter resonance_{&resonanceStepCounter, 0.0f, 0.0f, 0, true};
    std::int64_t quietSamples_ = 0;
};
