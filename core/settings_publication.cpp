// SPDX-License-Identifier: MIT
// The processor's settings as plain values for displays: published by the audio thread after
// each process call in which they changed, read by any thread without a lock.
#include "core/filter_processor.h"
#include "core/float_bits.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

}  // namespace

namespace {

// The stages that run, as the audio loop counts them.
std::int32_t runningStages(float slopeStages) {
    const auto count = static_cast<std::int32_t>(slopeStages);
    return count < 1 ? 1 : count > kStageCount ? kStageCount : count;
}

}  // namespace

FilterSettings FilterProcessor::currentSettings() const {
    // Stages that do not run keep the defaults: nothing of theirs reaches the output.
    FilterSettings settings;
    settings.stageCount = runningStages(slopeStages_.load(relaxed));
    for (int k = 0; k < settings.stageCount; ++k) settings.stages[k] = currentStageSettings(stages_[k]);
    settings.dryWet = dryWetMix_.load(relaxed);
    settings.targetFrequencyRow = stages_[0].targetFrequencyIndex();
    return settings;
}

void FilterProcessor::publishChangedSettings() {
    // Each version is read before the settings it stands for: a change that lands in between
    // is published now and, its version having moved on, once more on the next call.
    PublishedFrom from = {};
    from.stageCount = runningStages(slopeStages_.load(relaxed));
    for (int k = 0; k < from.stageCount; ++k) from.stageVersions[k] = stages_[k].settingsVersion();
    from.dryWetBits = floatBits(dryWetMix_.load(relaxed));
    from.targetFrequencyRow = stages_[0].targetFrequencyIndex();
    if (from == publishedFrom_) return;
    publishedFrom_ = from;
    publishedSettings_.publish(currentSettings());
}

FilterSettings FilterProcessor::publishedSettings() const {
    FilterSettings settings;
    // A reader overlapped by a publication on every attempt takes the stages as they are.
    if (!publishedSettings_.read(settings)) settings = currentSettings();
    return settings;
}

FilterSettings FilterProcessor::settledSettings() const {
    FilterSettings settings = currentSettings();
    for (int k = 0; k < settings.stageCount; ++k) settings.stages[k] = settledStageSettings(stages_[k]);
    return settings;
}
