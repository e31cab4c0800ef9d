// SPDX-License-Identifier: MIT
// The base of every effect: owns the record the host sees, turns the host's numbered
// requests into virtual operations, sets the host-visible properties and formats values
// as display texts. A concrete effect replaces only the operations it needs.
#pragma once

#include <atomic>
#include <cstdint>

#include "interfaces/vst/aeffect.h"
#include "interfaces/vst/opcodes.h"

constexpr std::int32_t kIdentifyAnswer = fourCharacters("NvEf");
constexpr std::int32_t kDefaultUniqueId = fourCharacters("NoEf");

// Booleans of the effect interface are 16 bits wide: 0 is false, anything else true.
using EffectBool = std::int16_t;

class EffectBase {
public:
    EffectBase(HostCallback hostCallback, std::int32_t programCount, std::int32_t parameterCount);
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // Virtual operations in their slot order.
    virtual ~EffectBase();
    virtual void setParameter(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index);
    virtual std::intptr_t setParameterAutomated(std::int32_t index, float value);
    virtual void getParameterDisplay(std::int32_t index, char* text);
    virtual void process(float** inputs, float** outputs, std::int32_t frameCount) = 0;
    virtual void processReplacing(float** inputs, float** outputs, std::int32_t frameCount);
    virtual std::intptr_t dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                   float opt);
    virtual void open();
    virtual void close();
    virtual std::int32_t getProgram();
    virtual void setProgram(std::int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(std::int32_t index, char* label);
    virtual void getParameterName(std::int32_t index, char* text);
    virtual float getMeter();
    virtual void setSampleRate(float rate);
    virtual void setBlockSize(std::int32_t size);
    virtual void suspend();
    virtual void resume();
    virtual void setUniqueId(std::int32_t id);
    virtual void setInputCount(std::int32_t count);
    virtual void setOutputCount(std::int32_t count);
    virtual void declareMeter(EffectBool state);
    virtual void declareClip(EffectBool state);
    virtual void declareMono(EffectBool state);
    virtual void declareReplacing(EffectBool state);
    virtual void setRealtimeQualities(std::int32_t count);
    virtual void setOfflineQualities(std::int32_t count);
    virtual void setInitialDelay(std::int32_t delay);
    virtual float getSampleRate();
    virtual std::int32_t getBlockSize();
    virtual std::intptr_t hostVersion();
    virtual std::intptr_t hostCurrentId();
    virtual std::intptr_t hostIdle();
    virtual EffectBool isInputConnected(std::int32_t input);
    virtual EffectBool isOutputConnected(std::int32_t output);
    virtual void decibelsToText(float value, char* text);
    virtual void hertzToText(float value, char* text);
    virtual void millisecondsToText(float value, char* text);
    virtual void floatToText(float value, char* text);
    virtual void integerToText(std::int32_t value, char* text);

    AEffect* getRecord() { return &record; }
    static EffectBase* fromRecord(AEffect* record) { return static_cast<EffectBase*>(record->object); }

protected:
    std::intptr_t callHost(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr, float opt);
    void setFlag(std::int32_t bit, EffectBool state);

    // Written on the host's parameter or dispatcher thread and read on its audio thread.
    std::atomic<float> sampleRate;
    HostCallback hostCallback;
    std::int32_t programCount;
    std::int32_t parameterCount;
    std::atomic<std::int32_t> currentProgram;
    std::atomic<std::int32_t> blockSize;
    AEffect record;
};
