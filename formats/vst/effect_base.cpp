// SPDX-License-Identifier: MIT
#include "formats/vst/effect_base.h"

#include <cstring>

#include "formats/vst/effect_entries.h"
#include "core/saturating_conversion.h"
#include "core/value_text.h"
#include "formats/vst/no_signal_text.h"

namespace {

constexpr float kInitialSampleRate = 44100.0f;
constexpr std::int32_t kInitialBlockSize = 1024;
constexpr std::int32_t kInitialInputCount = 1;
constexpr std::int32_t kInitialOutputCount = 2;
constexpr std::int32_t kRecordVersion = 1;

// The highest dispatcher opcode the base handles; everything above it, and every negative
// opcode (compared unsigned), is not handled.
constexpr std::uint32_t kHighestHandledOpcode = kEffectIdentify;

// The host's meter reads the effect's peak as a 16-bit-style level.
constexpr double kMeterScale = 32767.0;

void writeEmptyText(char* text) {
    if (text != nullptr) {
        text[0] = '\0';
    }
}

}  // namespace

EffectBase::EffectBase(HostCallback hostCallback, std::int32_t programCount, std::int32_t parameterCount)
    : sampleRate(kInitialSampleRate),
      hostCallback(hostCallback),
      programCount(programCount),
      parameterCount(parameterCount),
      currentProgram(0),
      blockSize(kInitialBlockSize) {
    // Bytes that no field names, padding included, reach the host as zero.
    std::memset(static_cast<void*>(&record), 0, sizeof record);
    record.magic = kEffectMagic;
    record.dispatchEntry = effectDispatchEntry;
    record.processEntry = effectProcessEntry;
    record.setParameterEntry = effectSetParameterEntry;
    record.getParameterEntry = effectGetParameterEntry;
    record.programCount = programCount;
    record.parameterCount = parameterCount;
    record.inputCount = kInitialInputCount;
    record.outputCount = kInitialOutputCount;
    record.flags = 0;
    record.ioRatio = 1.0f;
    record.object = this;
    record.user = nullptr;
    record.uniqueId = kDefaultUniqueId;
    record.version = kRecordVersion;
    record.processReplacingEntry = effectProcessReplacingEntry;
}

EffectBase::~EffectBase() = default;

void EffectBase::setParameter(std::int32_t, float) {}

float EffectBase::getParameter(std::int32_t) {
    return 0.0f;
}

std::intptr_t EffectBase::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    if (hostCallback == nullptr) {
        return 0;
    }
    return callHost(kHostParameterChanged, index, 0, nullptr, value);
}

void EffectBase::getParameterDisplay(std::int32_t, char* text) {
    writeEmptyText(text);
}

void EffectBase::processReplacing(float**, float**, std::int32_t) {}

std::intptr_t EffectBase::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                   float opt) {
    if (static_cast<std::uint32_t>(opcode) > kHighestHandledOpcode) {
        return 0;
    }
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
    case kEffectOpen:
        open();
        return 0;
    case kEffectClose:
        close();
        return 0;
    case kEffectSetProgram:
        if (value >= 0 && value < programCount) {
            setProgram(static_cast<std::int32_t>(value));
        }
        return 0;
    case kEffectGetProgram:
        return getProgram();
    case kEffectSetProgramName:
        setProgramName(text);
        return 0;
    case kEffectGetProgramName:
        getProgramName(text);
        return 0;
    case kEffectGetParameterLabel:
        getParameterLabel(index, text);
        return 0;
    case kEffectGetParameterDisplay:
        getParameterDisplay(index, text);
        return 0;
    case kEffectGetParameterName:
        getParameterName(index, text);
        return 0;
    case kEffectGetMeter:
        // Truncated toward zero; a level beyond the 32-bit range (or infinite) reads as the
        // range's end rather than as wrapped bits, and NaN reads as silence.
        return truncateToInt32(static_cast<double>(getMeter()) * kMeterScale);
    case kEffectSetSampleRate:
        setSampleRate(opt);
        return 0;
    case kEffectSetBlockSize:
        setBlockSize(clampToInt32(value));
        return 0;
    case kEffectProcessingSwitch:
        if (value == 0) {
            suspend();
        } else {
            resume();
        }
        return 0;
    case kEffectIdentify:
        return kIdentifyAnswer;
    default:
        // Editor window requests (13, 14, 15, 19) and the unhandled 16, 17, 18, 20, 21.
        return 0;
    }
}

void EffectBase::open() {}

void EffectBase::close() {}

std::int32_t EffectBase::getProgram() {
    return currentProgram.load(std::memory_order_relaxed);
}

void EffectBase::setProgram(std::int32_t program) {
    currentProgram.store(program, std::memory_order_relaxed);
}

void EffectBase::setProgramName(char* name) {
    writeEmptyText(name);
}

void EffectBase::getProgramName(char* name) {
    writeEmptyText(name);
}

void EffectBase::getParameterLabel(std::int32_t, char* label) {
    writeEmptyText(label);
}

void EffectBase::getParameterName(std::int32_t, char* text) {
    writeEmptyText(text);
}

float EffectBase::getMeter() {
    return 0.0f;
}

void EffectBase::setSampleRate(float rate) {
    sampleRate.store(rate, std::memory_order_relaxed);
}

void EffectBase::setBlockSize(std::int32_t size) {
    blockSize.store(size, std::memory_order_relaxed);
}

void EffectBase::suspend() {}

void EffectBase::resume() {}

void EffectBase::setUniqueId(std::int32_t id) {
    record.uniqueId = id;
}

void EffectBase::setInputCount(std::int32_t count) {
    record.inputCount = count;
}

void EffectBase::setOutputCount(std::int32_t count) {
    record.outputCount = count;
}

void EffectBase::declareMeter(EffectBool state) {
    setFlag(kFlagHasMeter, state);
}

void EffectBase::declareClip(EffectBool state) {
    setFlag(kFlagReportsClipping, state);
}

void EffectBase::declareMono(EffectBool state) {
    setFlag(kFlagCanMono, state);
}

void EffectBase::declareReplacing(EffectBool state) {
    setFlag(kFlagCanReplace, state);
}

void EffectBase::setRealtimeQualities(std::int32_t count) {
    record.realtimeQualities = count;
}

void EffectBase::setOfflineQualities(std::int32_t count) {
    record.offlineQualities = count;
}

void EffectBase::setInitialDelay(std::int32_t delay) {
    record.initialDelay = delay;
}

float EffectBase::getSampleRate() {
    return sampleRate.load(std::memory_order_relaxed);
}

std::int32_t EffectBase::getBlockSize() {
    return blockSize.load(std::memory_order_relaxed);
}

std::intptr_t EffectBase::hostVersion() {
    // A host that cannot tell its version is taken to be the first one.
    constexpr std::intptr_t kFirstHostVersion = 1;
    if (hostCallback == nullptr) {
        return kFirstHostVersion;
    }
    const std::intptr_t answer = callHost(kHostVersion, 0, 0, nullptr, 0.0f);
    return answer == 0 ? kFirstHostVersion : answer;
}

std::intptr_t EffectBase::hostCurrentId() {
    if (hostCallback == nullptr) {
        return 0;
    }
    return callHost(kHostCurrentId, 0, 0, nullptr, 0.0f);
}

std::intptr_t EffectBase::hostIdle() {
    if (hostCallback == nullptr) {
        return 0;
    }
    return callHost(kHostIdle, 0, 0, nullptr, 0.0f);
}

// Host opcode 4 tells inputs (value 0) from outputs (value 1); an answer of 0 means connected,
// and without a host every pin counts as connected.
EffectBool EffectBase::isInputConnected(std::int32_t input) {
    if (hostCallback == nullptr) {
        return 1;
    }
    return callHost(kHostPinConnected, input, 0, nullptr, 0.0f) == 0 ? 1 : 0;
}

EffectBool EffectBase::isOutputConnected(std::int32_t output) {
    if (hostCallback == nullptr) {
        return 1;
    }
    return callHost(kHostPinConnected, output, 1, nullptr, 0.0f) == 0 ? 1 : 0;
}

// The unit formatters convert their value and leave the digits to floatToText, through the
// virtual table, so that an effect replacing floatToText changes all four.
void EffectBase::decibelsToText(float value, char* text) {
    if (text == nullptr) {
        return;
    }
    if (gainHasDecibels(value)) {
        floatToText(gainToDecibels(value), text);
    } else {
        writeNoSignalText(text);
    }
}

void EffectBase::hertzToText(float value, char* text) {
    if (text == nullptr) {
        return;
    }
    const float rate = getSampleRate();
    floatToText(periodToHertz(value, rate), text);
}

void EffectBase::millisecondsToText(float value, char* text) {
    if (text == nullptr) {
        return;
    }
    floatToText(samplesToMilliseconds(value, getSampleRate()), text);
}

void EffectBase::floatToText(float value, char* text) {
    writeFloatText(value, text);
}

void EffectBase::integerToText(std::int32_t value, char* text) {
    writeIntegerText(value, text);
}

std::intptr_t EffectBase::callHost(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                   float opt) {
    if (hostCallback == nullptr) {
        return 0;
    }
    return hostCallback(&record, opcode, index, value, ptr, opt);
}

void EffectBase::setFlag(std::int32_t bit, EffectBool state) {
    const std::int32_t flags = record.flags;
    record.flags = state != 0 ? (flags | bit) : (flags & ~bit);
}
