// SPDX-License-Identifier: MIT
#include "support/reference_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/coefficient_tables.h"

namespace reference {
namespace {

float rnd(double value) { return static_cast<float>(value); }

int clampedTruncate(double value, int low, int high) {
    if (std::isnan(value)) return std::clamp(0, low, high);
    const double t = std::trunc(value);
    if (t < low) return low;
    if (t > high) return high;
    return static_cast<int>(t);
}

}  // namespace

float flushToZero(float x) {
    if (!std::isfinite(x)) return 0.0f;
    if (std::fabs(x) < 1e-10f) return 0.0f;
    return x;
}

float softLimit(float v) {
    float a = v;
    double sign = 1.0;
    if (v < 0.0f || std::isnan(v)) {
        a = -v;
        sign = -1.0;
    }
    float knee = 0.5f;
    for (int pass = 0; pass < 5; ++pass) {
        const float e = rnd(static_cast<double>(a) - knee);
        if (e > 0.0f) a = rnd(static_cast<double>(a) - static_cast<double>(knee) * e);
        knee = rnd(knee + (1.0 - knee) * 0.5);
        if (!(e > 0.00001)) break;
    }
    if (a > 1.0f) a = 1.0f;
    // An infinite input is limited like every magnitude above about 1062: to full scale.
    if (std::isinf(v)) a = 1.0f;
    return rnd(sign * a);
}

StepCounters& stepCounters() {
    static StepCounters counters;
    return counters;
}

Stage::Stage() { setType(0); }

void Stage::clearHistory() { m1 = m2 = r1 = r2 = 0.0f; }

void Stage::setTarget(float f, float r) {
    frequency = f;
    resonance = r;
    const float F = 79.0f;
    const float P = rnd(static_cast<double>(f) * F);
    float M = P <= F ? P : F;
    if (M < 0.0f) M = 0.0f;
    targetFrequencyIndex = static_cast<int>(M);
    const float R = 20.0f;
    const float Q = rnd(static_cast<double>(r) * R);
    const float N = Q <= R ? Q : R;
    targetResonanceIndex = N < 0.0f ? -1 : static_cast<int>(N) - 1;
}

void Stage::loadMain() {
    std::memcpy(main, typeTable + 6 * frequencyIndex, sizeof main);
}

void Stage::updateGains() {
    if (resonanceIndex == -1) {
        resonanceGain = 0.0f;
        mainGain = typeGain;
        return;
    }
    const float q = rnd(static_cast<double>(resonanceIndex) / 20.0);
    std::memcpy(res, CoefficientTables::resonanceRows + 6 * (20 * frequencyIndex + resonanceIndex), sizeof res);
    resonanceGain = rnd(40.0 * q);
    mainGain = rnd((1.0 - static_cast<double>(q) * 0.6f) * typeGain);
}

void Stage::jumpToTarget(float f, float r) {
    setTarget(f, r);
    frequencyIndex = targetFrequencyIndex;
    resonanceIndex = targetResonanceIndex;
    if (type >= 0 && type <= 2) loadMain();
    updateGains();
}

void Stage::setType(int t) {
    if (t == type) return;
    type = t;
    if (t == 0) typeTable = CoefficientTables::lowPassRows, typeGain = 1.0f;
    if (t == 1) typeTable = CoefficientTables::highPassRows, typeGain = 1.0f;
    if (t == 2) typeTable = CoefficientTables::bandPassRows, typeGain = 1.0f;
    if (t == 3 || t == 4) typeGain = 0.0f;
    clearHistory();
    jumpToTarget(frequency, resonance);
}

void Stage::advance() {
    StepCounters& counters = stepCounters();
    bool moved = false;
    if (frequencyIndex != targetFrequencyIndex) {
        if (counters.frequency == 0.0f) {
            frequencyIndex += frequencyIndex < targetFrequencyIndex ? 1 : -1;
            moved = true;
        }
        counters.frequency = rnd(counters.frequency + 1.0);
        if (!(counters.frequency < static_cast<float>(smoothingSteps))) counters.frequency = 0.0f;
    }
    if (resonanceIndex != targetResonanceIndex) {
        if (counters.resonance == 0.0f) {
            resonanceIndex += resonanceIndex < targetResonanceIndex ? 1 : -1;
            moved = true;
        }
        counters.resonance = rnd(counters.resonance + 1.0);
        if (!(counters.resonance < static_cast<float>(smoothingSteps))) counters.resonance = 0.0f;
    }
    if (moved) {
        if (type >= 0 && type <= 2) loadMain();
        updateGains();
    }
}

float Stage::process(float x) {
    if (type == 4) return rnd(static_cast<double>(level) * x);
    float m;
    if (type == 3) {
        m = x;
    } else {
        const double b0 = main[0], b1 = main[1], b2 = main[2], a1 = main[4], a2 = main[5];
        const float y = flushToZero(rnd(b0 * x + m1));
        const float n1 = flushToZero(rnd((b1 * x - a1 * y) + m2));
        const float n2 = flushToZero(rnd(b2 * x - a2 * y));
        m1 = n1;
        m2 = n2;
        m = rnd(static_cast<double>(mainGain) * y);
    }
    float r = 0.0f;
    if (resonanceIndex != -1) {
        const double b0 = res[0], b1 = res[1], b2 = res[2], a1 = res[4], a2 = res[5];
        const float z = flushToZero(rnd(b0 * m + r1));
        const float n1 = flushToZero(rnd((b1 * m - a1 * z) + r2));
        const float n2 = flushToZero(rnd(b2 * m - a2 * z));
        r1 = n1;
        r2 = n2;
        r = rnd(static_cast<double>(resonanceGain) * z);
    }
    advance();
    const double sum = static_cast<double>(r) + m;
    // A zero level silences even a sum that overflowed to infinity.
    const float v = level == 0.0f && std::isinf(sum) ? 0.0f : rnd(sum * level);
    return softLimit(v);
}

Effect::Effect() {
    setProgram(0);
    suspend();
}

void Effect::setParameter(int index, float v) {
    if (index < 0 || index > 6) return;
    programs[current].values[index] = v;
    values[index] = v;
    switch (index) {
        case 0:
            freq = v;
            stages[0].setTarget(v, res);
            for (int i = 1; i < 4; ++i) stages[i].setTarget(freq, 0.0f);
            break;
        case 1:
            res = v;
            stages[0].setTarget(freq, v);
            break;
        case 2: {
            const int samples = clampedTruncate(static_cast<double>(v) * 4000.0f, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max());
            for (Stage& s : stages) s.setSmoothing(samples);
            break;
        }
        case 3: {
            const int type = clampedTruncate(0.5 - static_cast<double>(v) * -4.0f, 0, 4);
            for (Stage& s : stages) s.setType(type);
            break;
        }
        case 4: {
            const double t = std::trunc(-0.5 - static_cast<double>(v) * 3.0f);
            slope = std::isnan(t) ? 1.0f : static_cast<float>(std::clamp(1.0 - t, 1.0, 4.0));
            break;
        }
        case 5:
            mix = v;
            break;
        case 6:
            gain = rnd(static_cast<double>(v) + v);
            stages[0].setLevel(gain);
            break;
    }
}

float Effect::getParameter(int index) const { return index >= 0 && index < 7 ? values[index] : 0.0f; }

void Effect::setProgram(int program) {
    if (program < 0 || program > 1) return;
    current = program;
    const Program copy = programs[program];
    for (int i = 0; i < 7; ++i) setParameter(i, copy.values[i]);
}

void Effect::suspend() {
    for (Stage& s : stages) s.clearHistory();
}

float Effect::getMeter() {
    const float p = peak;
    peak = 0.0f;
    return p;
}

void Effect::run(const float* in, float* out0, float* out1, int n, bool accumulate) {
    const float wetShare = mix;
    const float dryShare = rnd(1.0 - mix);
    if (n <= 0) return;
    for (int i = 0; i < n; ++i) {
        const float dry = in[i];
        float s = dry;
        if (1.0f < slope) {
            int j = 1;
            do {
                s = stages[j].process(s);
                ++j;
            } while (static_cast<float>(j) < slope);
        }
        const float wet = stages[0].process(s);
        if (wet > peak) peak = wet;
        const float out = rnd(static_cast<double>(dryShare) * dry + static_cast<double>(wetShare) * wet);
        if (accumulate) {
            out0[i] = rnd(static_cast<double>(out) + out0[i]);
            out1[i] = rnd(static_cast<double>(out) + out1[i]);
        } else {
            out0[i] = out;
            out1[i] = out;
        }
    }
}

void Effect::processReplacing(const float* in, float* out0, float* out1, int n) { run(in, out0, out1, n, false); }
void Effect::process(const float* in, float* out0, float* out1, int n) { run(in, out0, out1, n, true); }

}  // namespace reference
