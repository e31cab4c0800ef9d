// SPDX-License-Identifier: MIT
// A plain, independent transcription of the filter's rules, written for clarity rather
// than speed: one stage, one effect, scalar loops, no atomics. The tests compare the real
// effect and module against it sample for sample.
#pragma once

#include <cstdint>
#include <string>

namespace reference {

// The two module-wide step counters of the reference world, shared by every reference
// stage of every reference effect.
struct StepCounters {
    float frequency = 0.0f;
    float resonance = 0.0f;
};
StepCounters& stepCounters();

// The state flush and the soft limiter, as the rules state them.
float flushToZero(float x);
float softLimit(float v);

class Stage {
public:
    Stage();
    void setType(int t);
    void setTarget(float frequency, float resonance);
    void setLevel(float gain) { level = gain; }
    void setSmoothing(int steps) { smoothingSteps = steps; }
    float process(float x);
    void clearHistory();
    int currentFrequencyIndex() const { return frequencyIndex; }
    int targetFrequency() const { return targetFrequencyIndex; }
    int currentResonanceIndex() const { return resonanceIndex; }

private:
    void jumpToTarget(float frequency, float resonance);
    void updateGains();
    void loadMain();
    void advance();

    float main[6] = {};
    float res[6] = {};
    int frequencyIndex = 19, targetFrequencyIndex = 19;
    int resonanceIndex = -1, targetResonanceIndex = -1;
    float m1 = 0, m2 = 0, r1 = 0, r2 = 0;
    float mainGain = 1, resonanceGain = 0, typeGain = 1, level = 1;
    float frequency = 0.25f, resonance = 0;
    int type = -1;
    int smoothingSteps = 400;
    const float* typeTable = nullptr;
};

class Effect {
public:
    Effect();
    void setParameter(int index, float value);
    float getParameter(int index) const;
    void setProgram(int program);
    void suspend();
    float getMeter();
    void processReplacing(const float* in, float* out0, float* out1, int n);
    void process(const float* in, float* out0, float* out1, int n);
    const Stage& stage(int i) const { return stages[i]; }

private:
    void run(const float* in, float* out0, float* out1, int n, bool accumulate);

    struct Program {
        float values[7] = {0.5f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.5f};  // by parameter index
    };
    Program programs[2];
    int current = 0;
    Stage stages[4];
    float values[7] = {};
    float freq = 0, res = 0, slope = 1, mix = 1, gain = 1, peak = 0;
};

}  // namespace reference

// Convenience for tools and tests that want the reference's whole render in one call.
class ReferenceEffect {
public:
    void setSampleRate(float) {}
    void setParameter(int index, float value) { effect.setParameter(index, value); }
    void setProgram(int program) { effect.setProgram(program); }
    void suspend() { effect.suspend(); }
    float getMeter() { return effect.getMeter(); }
    void processReplacing(const float* in, float* out0, float* out1, int n) { effect.processReplacing(in, out0, out1, n); }
    void process(const float* in, float* out0, float* out1, int n) { effect.process(in, out0, out1, n); }

private:
    reference::Effect effect;
};
