// SPDX-License-Identifier: MIT
// The filter stage's settings side: type selection, targets, jumps, coefficient loads and
// gains. The per-sample path is inline in filter_stage.h.
#include "core/filter_stage.h"

#include <cstring>

#include "core/filter_settings.h"
#include "core/parameter_units.h"
#include "core/step_counter.h"

static_assert(std::atomic<float>::is_always_lock_free && std::atomic<std::int32_t>::is_always_lock_free &&
                  std::atomic<const float*>::is_always_lock_free && std::atomic<std::uint32_t>::is_always_lock_free,
              "the stage's shared fields must be plain loads and stores on the audio path");

std::atomic<float> frequencyStepCounter{0.0f};
std::atomic<float> resonanceStepCounter{0.0f};

namespace {

constexpr float kDefaultFrequency = 0.25f;
constexpr float kResonanceStepCount = static_cast<float>(CoefficientTables::kResonanceSteps);

}  // namespace

FilterStage::FilterStage() {
    frequency_.store(kDefaultFrequency, kRelaxed);
    setType(kTypeLowPass);
}

void FilterStage::setType(std::int32_t type) {
    if (type == type_.load(kRelaxed)) {
        return;  // keeps the history and any glide under way
    }
    type_.store(type, kRelaxed);
    switch (type) {
    case kTypeLowPass:
        typeTable_.store(CoefficientTables::lowPassRows, kRelaxed);
        typeGain_.store(1.0f, kRelaxed);
        break;
    case kTypeHighPass:
        typeTable_.store(CoefficientTables::highPassRows, kRelaxed);
        typeGain_.store(1.0f, kRelaxed);
        break;
    case kTypeBandPass:
        typeTable_.store(CoefficientTables::bandPassRows, kRelaxed);
        typeGain_.store(1.0f, kRelaxed);
        break;
    case kTypeResonant:
    case kTypeThru:
        typeGain_.store(0.0f, kRelaxed);  // the pass table stays as it was
        break;
    default:
        break;  // an unknown type keeps table and gain and runs the last coefficients loaded
    }
    clearHistory();
    jumpToTarget(frequency_.load(kRelaxed), resonance_.load(kRelaxed));
}

void FilterStage::setTarget(float frequency, float resonance) {
    frequency_.store(frequency, kRelaxed);
    resonance_.store(resonance, kRelaxed);

    // The row and the resonance step the values select, by the rules every format's units
    // are derived from: frequency x 79 within 0..79 (NaN picks 79), truncated; resonance x 20
    // at most 20 (NaN picks 20), truncated, minus one, where below zero is no resonance.
    targetFrequencyIndex_.store(parameter_units::frequencyRow(frequency), kRelaxed);
    targetResonanceIndex_.store(parameter_units::resonanceStep(resonance), kRelaxed);
}

void FilterStage::jumpToTarget(float frequency, float resonance) {
    setTarget(frequency, resonance);
    const std::int32_t row = targetFrequencyIndex_.load(kRelaxed);
    frequencyIndex_.store(row, kRelaxed);
    resonanceIndex_.store(targetResonanceIndex_.load(kRelaxed), kRelaxed);
    if (hasPassTable(type_.load(kRelaxed))) {
        loadTypeCoefficients(row);
    }
    updateGains();
}

void FilterStage::advanceSmoothing() {
    const std::int32_t frequencyNow = frequencyIndex_.load(kRelaxed);
    const std::int32_t frequencyTarget = targetFrequencyIndex_.load(kRelaxed);
    const std::int32_t resonanceNow = resonanceIndex_.load(kRelaxed);
    const std::int32_t resonanceTarget = targetResonanceIndex_.load(kRelaxed);
    if (frequencyNow == frequencyTarget && resonanceNow == resonanceTarget) {
        return;  // nothing glides: the counters are not touched
    }
    const float smoothingLimit = static_cast<float>(smoothingSteps_.load(kRelaxed));
    bool moved = false;
    if (frequencyNow != frequencyTarget && step_counter::countStep(frequencyStepCounter, smoothingLimit)) {
        frequencyIndex_.store(frequencyNow + (frequencyNow < frequencyTarget ? 1 : -1), kRelaxed);
        moved = true;
    }
    if (resonanceNow != resonanceTarget && step_counter::countStep(resonanceStepCounter, smoothingLimit)) {
        resonanceIndex_.store(resonanceNow + (resonanceNow < resonanceTarget ? 1 : -1), kRelaxed);
        moved = true;
    }
    if (moved) {
        if (hasPassTable(type_.load(kRelaxed))) {
            loadTypeCoefficients(frequencyIndex_.load(kRelaxed));
        }
        updateGains();
    }
}

void FilterStage::loadTypeCoefficients(std::int32_t frequencyIndex) {
    mainRow_.store(CoefficientTables::passRow(typeTable_.load(kRelaxed), frequencyIndex), kRelaxed);
}

void FilterStage::loadResonanceCoefficients(std::int32_t frequencyIndex, std::int32_t resonanceIndex) {
    resonanceRow_.store(CoefficientTables::resonanceRow(frequencyIndex, resonanceIndex), kRelaxed);
}

void FilterStage::updateGains() {
    const std::int32_t step = resonanceIndex_.load(kRelaxed);
    const double typeGain = typeGain_.load(kRelaxed);
    if (step == kNoResonance) {
        resonanceGain_.store(0.0f, kRelaxed);
        mainGain_.store(static_cast<float>(typeGain), kRelaxed);
        settingsChanged();
        return;
    }
    // q runs from 0.0 at step 0 to 0.95 at step 19.
    const float q = static_cast<float>(static_cast<double>(step) / kResonanceStepCount);
    loadResonanceCoefficients(frequencyIndex_.load(kRelaxed), step);
    resonanceGain_.store(static_cast<float>(static_cast<double>(kResonanceGainScale) * q), kRelaxed);
    mainGain_.store(static_cast<float>((1.0 - static_cast<double>(q) * kResonanceWeightSlope) * typeGain),
                    kRelaxed);
    settingsChanged();
}

void FilterStage::clearHistory() {
    mainState1_.store(0.0f, kRelaxed);
    mainState2_.store(0.0f, kRelaxed);
    resonanceState1_.store(0.0f, kRelaxed);
    resonanceState2_.store(0.0f, kRelaxed);
}

const char* FilterStage::typeName(std::int32_t type) {
    static constexpr const char* kNames[] = {"LowPass", "HighPass", "BandPass", "Resonant", "Thru"};
    return type >= kTypeLowPass && type <= kTypeThru ? kNames[type] : "-";
}

void FilterStage::getTypeName(char* text) const {
    const char* name = typeName(type_.load(kRelaxed));
    std::memcpy(text, name, std::strlen(name) + 1);
}

float FilterStage::targetFrequencyHz() const {
    return frequencyOfRowHz(targetFrequencyIndex_.load(kRelaxed), displaySampleRate_.load(kRelaxed));
}

FilterStage::Coefficients FilterStage::copyOf(const float* row) {
    Coefficients values{};
    for (int k = 0; k < CoefficientTables::kRowSize; ++k) {
        values[k] = row[k];
    }
    return values;
}
