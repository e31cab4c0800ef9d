// SPDX-License-Identifier: MIT
// The filter's parameters and programs: each normalized value becomes a working value and
// the stage settings it drives, in one place for every format.
#include "core/filter_processor.h"

#include <cstring>

#include "core/parameter_units.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// Copies a terminated name of at most kNameSize - 1 characters, cutting a longer one.
void copyProgramName(const char* source, char* target) {
    std::size_t length = 0;
    while (length < FilterProgram::kNameSize - 1 && source[length] != '\0') ++length;
    std::memcpy(target, source, length);
    target[length] = '\0';
}

}  // namespace

FilterProcessor::FilterProcessor() {
    // The stages are built by now, in index order, each with its own defaults.
    programs_.reset(new FilterProgram[kFilterProgramCount]);
    // setProgram's first parameter call reads the resonance.
    frequency_.store(0.0f, relaxed);
    resonance_.store(0.0f, relaxed);
    setProgram(0);
    suspend();
    publishChangedSettings();
}

FilterProgram& FilterProcessor::currentProgramRecord() {
    return programs_[currentProgram_.load(relaxed) == 1 ? 1 : 0];
}

const FilterProgram& FilterProcessor::currentProgramRecord() const {
    return programs_[currentProgram_.load(relaxed) == 1 ? 1 : 0];
}

void FilterProcessor::setParameter(std::int32_t index, float value) {
    if (!isParameterIndex(index)) return;
    FilterProgram& program = currentProgramRecord();
    parameterValues_[index].store(value, relaxed);
    switch (index) {
        case kParameterFrequency:
            program.frequency = value;
            frequency_.store(value, relaxed);
            stages_[0].setTarget(value, resonance_.load(relaxed));
            for (int stage = 1; stage < kStageCount; ++stage) stages_[stage].setTarget(value, 0.0f);
            break;
        case kParameterResonance:
            program.resonance = value;
            resonance_.store(value, relaxed);
            stages_[0].setTarget(frequency_.load(relaxed), value);
            break;
        case kParameterSmoothing: {
            program.smoothing = value;
            const float samples = smoothingSamplesFor(value);
            smoothingSamples_.store(samples, relaxed);
            for (FilterStage& stage : stages_) stage.setSmoothing(truncateToInt32(samples));
            break;
        }
        case kParameterType: {
            program.type = value;
            const float type = filterTypeFor(value);
            filterType_.store(type, relaxed);
            for (FilterStage& stage : stages_) stage.setType(truncateToInt32(type));
            break;
        }
        case kParameterCutoff:
            program.cutoff = value;
            slopeStages_.store(slopeStagesFor(value), relaxed);
            break;
        case kParameterDryWet:
            program.dryWet = value;
            dryWetMix_.store(value, relaxed);
            break;
        case kParameterLevel: {
            program.level = value;
            const float level = outputLevelFor(value);
            outputLevel_.store(level, relaxed);
            stages_[0].setLevel(level);
            break;
        }
        default:
            break;
    }
}

float FilterProcessor::getParameter(std::int32_t index) const {
    if (!isParameterIndex(index)) return 0.0f;
    return parameterValues_[index].load(relaxed);
}

std::optional<ParameterDisplay> FilterProcessor::display(std::int32_t index, float sampleRate) const {
    // Every working value the display shows, the main stage's target row included, follows
    // from the parameter's last value by the rules the units apply.
    return parameter_units::display(index, getParameter(index), sampleRate);
}

void FilterProcessor::setProgram(std::int32_t program) {
    if (program < 0 || program >= kFilterProgramCount) return;
    currentProgram_.store(program, relaxed);
    // Copy first: each call below writes its value back into the same record.
    const FilterProgram values = programs_[program];
    setParameter(kParameterFrequency, values.frequency);
    setParameter(kParameterResonance, values.resonance);
    setParameter(kParameterSmoothing, values.smoothing);
    setParameter(kParameterType, values.type);
    setParameter(kParameterCutoff, values.cutoff);
    setParameter(kParameterDryWet, values.dryWet);
    setParameter(kParameterLevel, values.level);
}

void FilterProcessor::setProgramName(const char* name) {
    if (name == nullptr) return;
    copyProgramName(name, currentProgramRecord().name);
}

void FilterProcessor::getProgramName(char* name) const {
    if (name == nullptr) return;
    copyProgramName(currentProgramRecord().name, name);
}

void FilterProcessor::suspend() {
    for (FilterStage& stage : stages_) stage.clearHistory();
}
