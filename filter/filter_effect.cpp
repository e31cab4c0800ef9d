#include "filter/filter_effect.h"

#include <cstring>
#include <new>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// Copies a fixed name or label, terminator included; they are all shorter than the
// host's 9-byte text buffers.
void copyText(const char* source, char* text) {
    if (text == nullptr) return;
    std::memcpy(text, source, std::strlen(source) + 1);
}

}  // namespace

FilterEffect::FilterEffect(HostCallback hostCallback)
    : EffectBase(hostCallback, kFilterProgramCount, kParameterCount) {
    // The stages are built by now, in index order, each with its own defaults.
    programs.reset(new FilterProgram[kFilterProgramCount]);
    meterPeak.store(0.0f, relaxed);
    // setProgram's first parameter call reads the resonance.
    frequency.store(0.0f, relaxed);
    resonance.store(0.0f, relaxed);
    setProgram(0);
    setInputCount(1);
    setOutputCount(2);
    declareMeter(1);
    declareReplacing(1);
    declareMono(1);
    setUniqueId(kFilterUniqueId);
    suspend();
}

FilterEffect::~FilterEffect() = default;

FilterProgram& FilterEffect::currentProgramRecord() {
    return programs[currentProgram.load(relaxed) == 1 ? 1 : 0];
}

void FilterEffect::setParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kParameterCount) return;
    FilterProgram& program = currentProgramRecord();
    parameterValues[index].store(value, relaxed);
    switch (index) {
        case kParameterFrequency: {
            program.frequency = value;
            frequency.store(value, relaxed);
            stages[0].setTarget(value, resonance.load(relaxed));
            for (int stage = 1; stage < kStageCount; ++stage) stages[stage].setTarget(value, 0.0f);
            break;
        }
        case kParameterResonance:
            program.resonance = value;
            resonance.store(value, relaxed);
            stages[0].setTarget(frequency.load(relaxed), value);
            break;
        case kParameterSmoothing: {
            program.smoothing = value;
            const float samples = smoothingSamplesFor(value);
            smoothingSamples.store(samples, relaxed);
            for (FilterStage& stage : stages) stage.setSmoothing(truncateToInt32(samples));
            break;
        }
        case kParameterType: {
            program.type = value;
            const float type = filterTypeFor(value);
            filterType.store(type, relaxed);
            for (FilterStage& stage : stages) stage.setType(truncateToInt32(type));
            break;
        }
        case kParameterCutoff:
            program.cutoff = value;
            slopeStages.store(slopeStagesFor(value), relaxed);
            break;
        case kParameterDryWet:
            program.dryWet = value;
            dryWetMix.store(value, relaxed);
            break;
        case kParameterLevel: {
            program.level = value;
            const float level = outputLevelFor(value);
            outputLevel.store(level, relaxed);
            stages[0].setLevel(level);
            break;
        }
        default:
            break;
    }
}

float FilterEffect::getParameter(std::int32_t index) {
    if (index < 0 || index >= kParameterCount) return 0.0f;
    return parameterValues[index].load(relaxed);
}

void FilterEffect::getParameterDisplay(std::int32_t index, char* text) {
    if (text == nullptr) return;
    switch (index) {
        case kParameterFrequency:
            // The frequency the main stage is moving toward, at the host's current rate.
            stages[0].setDisplaySampleRate(getSampleRate());
            floatToText(stages[0].targetFrequencyHz(), text);
            break;
        case kParameterResonance:
            floatToText(resonance.load(relaxed), text);
            break;
        case kParameterSmoothing:
            floatToText(parameterValues[kParameterSmoothing].load(relaxed), text);
            break;
        case kParameterType:
            stages[0].getTypeName(text);
            break;
        case kParameterCutoff:
            // 12 dB per octave for each stage in the cascade.
            integerToText(truncateToInt32(static_cast<double>(slopeStages.load(relaxed)) * 12.0), text);
            break;
        case kParameterDryWet:
            floatToText(dryWetMix.load(relaxed), text);
            break;
        case kParameterLevel:
            decibelsToText(outputLevel.load(relaxed), text);
            break;
        default:
            break;
    }
}

void FilterEffect::setProgram(std::int32_t program) {
    if (program < 0 || program >= kFilterProgramCount) return;
    currentProgram.store(program, relaxed);
    // Copy first: each call below writes its value back into the same record.
    const FilterProgram values = programs[program];
    setParameter(kParameterFrequency, values.frequency);
    setParameter(kParameterResonance, values.resonance);
    setParameter(kParameterSmoothing, values.smoothing);
    setParameter(kParameterType, values.type);
    setParameter(kParameterCutoff, values.cutoff);
    setParameter(kParameterDryWet, values.dryWet);
    setParameter(kParameterLevel, values.level);
}

void FilterEffect::setProgramName(char* name) {
    if (name == nullptr) return;
    char* target = currentProgramRecord().name;
    // At most 23 characters; a longer name is cut, and the result is always terminated.
    std::size_t length = 0;
    while (length < FilterProgram::kNameSize - 1 && name[length] != '\0') ++length;
    std::memcpy(target, name, length);
    target[length] = '\0';
}

void FilterEffect::getProgramName(char* name) {
    if (name == nullptr) return;
    const char* source = currentProgramRecord().name;
    std::size_t length = 0;
    while (length < FilterProgram::kNameSize - 1 && source[length] != '\0') ++length;
    std::memcpy(name, source, length);
    name[length] = '\0';
}

void FilterEffect::getParameterLabel(std::int32_t index, char* label) {
    if (index < 0 || index >= kParameterCount) return;
    copyText(kParameterDescriptions[index].label, label);
}

void FilterEffect::getParameterName(std::int32_t index, char* text) {
    if (index < 0 || index >= kParameterCount) return;
    copyText(kParameterDescriptions[index].name, text);
}

float FilterEffect::getMeter() {
    // Read and reset in one step, so a peak raised by the audio thread in between is not lost.
    return meterPeak.exchange(0.0f, relaxed);
}

void FilterEffect::suspend() {
    for (FilterStage& stage : stages) stage.clearHistory();
}

EffectBase* createFilterEffect(HostCallback hostCallback) {
    try {
        return new (std::nothrow) FilterEffect(hostCallback);
    } catch (const std::bad_alloc&) {
        // The programs could not be allocated: no effect.
        return nullptr;
    }
}
