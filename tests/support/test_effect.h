// SPDX-License-Identifier: MIT
// Effects for testing the host boundary without the filter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst/effect_base.h"
#include "support/float_mode.h"

// The base's behaviour everywhere except the two process operations, which record what they
// saw and write the sum of the first two input channels to the first output, so that a test
// can see the floating-point mode the arithmetic ran in.
class TestEffect : public EffectBase {
public:
    static constexpr std::int32_t kPrograms = 3;
    static constexpr std::int32_t kParameters = 4;

    explicit TestEffect(HostCallback hostCallback = nullptr, std::int32_t programs = kPrograms,
                        std::int32_t parameters = kParameters)
        : EffectBase(hostCallback, programs, parameters) {}

    ~TestEffect() override {
        if (destroyed != nullptr) {
            *destroyed = true;
        }
    }

    struct ProcessCall {
        bool replacing;
        float** inputs;
        float** outputs;
        std::int32_t frameCount;
        unsigned int floatMode;
        unsigned short x87Control;
    };

    void process(float** inputs, float** outputs, std::int32_t frameCount) override {
        run(false, inputs, outputs, frameCount);
    }
    void processReplacing(float** inputs, float** outputs, std::int32_t frameCount) override {
        run(true, inputs, outputs, frameCount);
    }

    std::vector<ProcessCall> processCalls;
    bool* destroyed = nullptr;

    // The base's protected state, for checks.
    HostCallback callbackGiven() const { return hostCallback; }

private:
    void run(bool replacing, float** inputs, float** outputs, std::int32_t frameCount) {
        ProcessCall call{replacing, inputs, outputs, frameCount, 0, 0};
#if defined(BRAMSOLIKET_TEST_MXCSR)
        call.floatMode = float_mode::read();
#endif
#if defined(BRAMSOLIKET_TEST_X87)
        call.x87Control = float_mode::readX87();
#endif
        processCalls.push_back(call);
        for (std::int32_t i = 0; i < frameCount; ++i) {
            outputs[0][i] = inputs[0][i] + inputs[1][i];
        }
    }
};

// Records every operation the dispatcher and the entries may call, with its arguments, in a
// log that outlives the effect (closing destroys it). Text buffers are logged as "buf" when
// they are the buffer the test passed, "other" otherwise.
class RecordingEffect : public EffectBase {
public:
    static constexpr std::int32_t kPrograms = 3;
    static constexpr std::int32_t kParameters = 4;

    RecordingEffect(std::vector<std::string>& log, char* buffer, HostCallback hostCallback = nullptr)
        : EffectBase(hostCallback, kPrograms, kParameters), log(log), buffer(buffer) {}
    ~RecordingEffect() override { log.push_back("destroyed"); }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt) override {
        if (opcode == kEffectClose) {
            log.push_back("dispatch(1," + std::to_string(index) + "," + std::to_string(value) + "," + name(ptr) +
                          "," + std::to_string(opt) + ")");
        }
        return EffectBase::dispatch(opcode, index, value, ptr, opt);
    }
    void setParameter(std::int32_t index, float value) override {
        log.push_back("setParameter(" + std::to_string(index) + "," + std::to_string(value) + ")");
    }
    float getParameter(std::int32_t index) override {
        log.push_back("getParameter(" + std::to_string(index) + ")");
        return parameterAnswer;
    }
    void getParameterDisplay(std::int32_t index, char* text) override {
        log.push_back("getParameterDisplay(" + std::to_string(index) + "," + name(text) + ")");
    }
    void process(float**, float**, std::int32_t frameCount) override {
        log.push_back("process(" + std::to_string(frameCount) + ")");
    }
    void processReplacing(float**, float**, std::int32_t frameCount) override {
        log.push_back("processReplacing(" + std::to_string(frameCount) + ")");
    }
    void open() override { log.push_back("open"); }
    void close() override { log.push_back("close"); }
    std::int32_t getProgram() override {
        log.push_back("getProgram");
        return programAnswer;
    }
    void setProgram(std::int32_t program) override { log.push_back("setProgram(" + std::to_string(program) + ")"); }
    void setProgramName(char* name) override { log.push_back("setProgramName(" + this->name(name) + ")"); }
    void getProgramName(char* name) override { log.push_back("getProgramName(" + this->name(name) + ")"); }
    void getParameterLabel(std::int32_t index, char* label) override {
        log.push_back("getParameterLabel(" + std::to_string(index) + "," + name(label) + ")");
    }
    void getParameterName(std::int32_t index, char* text) override {
        log.push_back("getParameterName(" + std::to_string(index) + "," + name(text) + ")");
    }
    float getMeter() override {
        log.push_back("getMeter");
        return meter;
    }
    void setSampleRate(float rate) override { log.push_back("setSampleRate(" + std::to_string(rate) + ")"); }
    void setBlockSize(std::int32_t size) override { log.push_back("setBlockSize(" + std::to_string(size) + ")"); }
    void suspend() override { log.push_back("suspend"); }
    void resume() override { log.push_back("resume"); }

    float meter = 0.0f;
    float parameterAnswer = 0.0f;
    std::int32_t programAnswer = 0;

private:
    std::string name(const void* text) const { return text == buffer ? "buf" : "other"; }

    std::vector<std::string>& log;
    char* buffer;
};
