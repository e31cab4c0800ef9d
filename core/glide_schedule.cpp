// SPDX-License-Identifier: MIT
#include "core/glide_schedule.h"

#include "core/step_counter.h"

GlideSchedule::GlideSchedule(const FilterStage* stages, int cascade) {
    frequency_.count = frequencyStepCounter.load(std::memory_order_relaxed);
    resonance_.count = resonanceStepCounter.load(std::memory_order_relaxed);
    for (int k = 0; k < cascade; ++k) {
        const FilterStage::PendingSteps pending = stages[k].pendingSteps();
        if (pending.frequency) add(frequency_, pending.limit);
        if (pending.resonance) add(resonance_, pending.limit);
    }
    const std::int64_t frequencyQuiet = frequency_.quietSamples();
    const std::int64_t resonanceQuiet = resonance_.quietSamples();
    quietSamples_ = frequencyQuiet < resonanceQuiet ? frequencyQuiet : resonanceQuiet;
}

void GlideSchedule::add(Counter& counter, float limit) {
    if (counter.callsPerSample == 0) {
        counter.limit = limit;
    } else if (!(limit == counter.limit)) {
        counter.sameLimit = false;
    }
    ++counter.callsPerSample;
}

std::int64_t GlideSchedule::Counter::quietSamples() const {
    if (callsPerSample == 0) return step_counter::kNever;
    if (!sameLimit) return 0;
    const std::int64_t calls = step_counter::callsUntilMove(count, limit);
    if (calls == step_counter::kUnknown) return 0;
    if (calls == step_counter::kNever) return step_counter::kNever;
    return calls / callsPerSample;
}

void GlideSchedule::countQuietSamples(std::int64_t samples) const {
    for (const Counter* counter : {&frequency_, &resonance_}) {
        if (counter->callsPerSample == 0 || samples == 0) continue;
        counter->shared->store(
            step_counter::countAfter(counter->count, counter->limit, samples * counter->callsPerSample),
            std::memory_order_relaxed);
    }
}
