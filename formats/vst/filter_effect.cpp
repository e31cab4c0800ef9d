// SPDX-License-Identifier: MIT
#include "formats/vst/filter_effect.h"

#include <cstring>
#include <new>

#include "formats/vst/no_signal_text.h"

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
    // The processor has built its stages and programs and loaded program 0 by now.
    meterPeak.store(0.0f, relaxed);
    setInputCount(1);
    setOutputCount(2);
    declareMeter(1);
    declareReplacing(1);
    declareMono(1);
    setUniqueId(kFilterUniqueId);
    suspend();
}

FilterEffect::~FilterEffect() = default;

void FilterEffect::setParameter(std::int32_t index, float value) {
    processor_.setParameter(index, value);
}

float FilterEffect::getParameter(std::int32_t index) {
    return processor_.getParameter(index);
}

void FilterEffect::getParameterDisplay(std::int32_t index, char* text) {
    if (text == nullptr) return;
    if (const auto display = processor_.display(index, getSampleRate())) {
        writeDisplayField(*display, kNoSignalText, text);
    }
}

void FilterEffect::process(float** inputs, float** outputs, std::int32_t frameCount) {
    // No frames: neither the buffers nor their addresses are touched.
    if (frameCount <= 0) return;
    raiseMeter(processor_.process(inputs[0], outputs[0], outputs[1], frameCount, OutputMode::Accumulate));
}

void FilterEffect::processReplacing(float** inputs, float** outputs, std::int32_t frameCount) {
    if (frameCount <= 0) return;
    raiseMeter(processor_.process(inputs[0], outputs[0], outputs[1], frameCount, OutputMode::Replace));
}

void FilterEffect::raiseMeter(float peak) {
    // Once per call, only if this call went higher. A reset by the host during the call
    // clears everything but this call's own peak.
    float stored = meterPeak.load(relaxed);
    while (peak > stored && !meterPeak.compare_exchange_weak(stored, peak, relaxed)) {
    }
}

void FilterEffect::setProgram(std::int32_t program) {
    if (program < 0 || program >= kFilterProgramCount) return;
    currentProgram.store(program, relaxed);
    processor_.setProgram(program);
}

void FilterEffect::setProgramName(char* name) {
    processor_.setProgramName(name);
}

void FilterEffect::getProgramName(char* name) {
    processor_.getProgramName(name);
}

void FilterEffect::getParameterLabel(std::int32_t index, char* label) {
    if (!isParameterIndex(index)) return;
    copyText(kParameterTable[index].unitLabel, label);
}

void FilterEffect::getParameterName(std::int32_t index, char* text) {
    if (!isParameterIndex(index)) return;
    copyText(kParameterTable[index].name, text);
}

float FilterEffect::getMeter() {
    // Read and reset in one step, so a peak raised by the audio thread in between is not lost.
    return meterPeak.exchange(0.0f, relaxed);
}

void FilterEffect::suspend() {
    processor_.suspend();
}

EffectBase* createFilterEffect(HostCallback hostCallback) {
    try {
        return new (std::nothrow) FilterEffect(hostCallback);
    } catch (const std::bad_alloc&) {
        // The programs could not be allocated: no effect.
        return nullptr;
    }
}
