// SPDX-License-Identifier: MIT
// One two-pole section of the filter cascade: a main biquad whose response is chosen by
// type, a narrow band-pass resonance biquad fed with the main output, a stepwise glide of
// both table indices toward their targets, an output level and a soft limiter.
//
// Coefficients are never designed here: a stage copies rows out of CoefficientTables,
// addressed by a frequency index (0..79) and a resonance index (-1 for none, 0..19).
//
// Arithmetic is double precision with a rounding to float at each point where a value is
// stored (the casts to float below); the output depends bit for bit on where they fall.
//
// Threads: the host's parameter thread sets targets, type, level and smoothing while its
// audio thread runs processSample, so every field either side writes is a relaxed atomic.
// Nothing here locks, allocates or calls the math library.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "core/coefficient_tables.h"
#include "core/stage_kernel.h"

// Glide pacing shared by every stage of every effect instance in the module: a stage with a
// pending move counts one call, and moves only on a call that finds its counter at 0.0.
extern std::atomic<float> frequencyStepCounter;
extern std::atomic<float> resonanceStepCounter;

class FilterStage {
public:
    static constexpr std::int32_t kNoResonance = -1;

    using Coefficients = std::array<float, CoefficientTables::kRowSize>;

    FilterStage();
    FilterStage(const FilterStage&) = delete;
    FilterStage& operator=(const FilterStage&) = delete;

    // Selects the response (0..4). A new type clears the history and jumps to the stored
    // frequency and resonance at once; the type already selected changes nothing.
    void setType(std::int32_t type);
    // Stores the normalized frequency and resonance (nominally 0..1) and turns them into
    // target indices; the stage glides there. Out-of-range values are clamped, NaN picks
    // the top row and step.
    void setTarget(float frequency, float resonance);
    // As setTarget, then moves both indices to their targets and reloads coefficients.
    void jumpToTarget(float frequency, float resonance);
    void setLevel(float level) {
        level_.store(level, kRelaxed);
        settingsChanged();
    }
    // Counted calls between two index moves.
    void setSmoothing(std::int32_t steps) { smoothingSteps_.store(steps, kRelaxed); }
    void setDisplaySampleRate(float rate) { displaySampleRate_.store(rate, kRelaxed); }

    float processSample(float input);
    // Two channels filtered with these settings, one in each lane of `input`, each with its
    // own history (the first channel's is the one processSample(float) uses); the step is
    // counted once, as for one channel.
    FloatPair processSample(FloatPair input);
    // The stage's settings and history as plain values, for running several samples while
    // nothing glides, and the history written back afterwards.
    StageKernel loadKernel() const;
    // The two parts of loadKernel, written into `kernel` field by field (a block loop that
    // copies the kernel on reads every field back at the width it was written, which the
    // processor forwards from its stores without waiting for them): the settings (type, rows, gains, level) and the history.
    void loadSettings(StageKernel& kernel) const;
    void loadHistory(StageKernel& kernel) const;
    // The same for two channels: the settings in both lanes, and both channels' histories,
    // the first channel's in the first lanes.
    void loadSettings(StereoStageKernel& kernel) const;
    void loadHistory(StereoStageKernel& kernel) const;
    // Moves on with every change of the settings a kernel holds, published after the change,
    // so that a loop can keep a kernel's settings from call to call and reload them only when
    // this has moved on. 0 only before the constructor's first settings.
    std::uint32_t settingsVersion() const { return settingsVersion_.load(std::memory_order_acquire); }
    void storeHistory(const StageKernel& kernel);
    void storeHistory(const StereoStageKernel& kernel);
    // Clears both channels' histories.
    void clearHistory();
    // True while an index is still on its way to its target and running the stage moves it;
    // a stage of type "Thru" never moves its indices.
    bool isGliding() const {
        if (type_.load(kRelaxed) == kTypeThru) return false;
        return frequencyIndex_.load(kRelaxed) != targetFrequencyIndex_.load(kRelaxed) ||
               resonanceIndex_.load(kRelaxed) != targetResonanceIndex_.load(kRelaxed);
    }

    // What the next processSample call counts against the shared counters: a frequency step
    // and a resonance step while the index glides, each against `limit` (the smoothing steps).
    struct PendingSteps {
        bool frequency;
        bool resonance;
        float limit;
    };
    PendingSteps pendingSteps() const {
        if (type_.load(kRelaxed) == kTypeThru) return {false, false, 0.0f};
        return {frequencyIndex_.load(kRelaxed) != targetFrequencyIndex_.load(kRelaxed),
                resonanceIndex_.load(kRelaxed) != targetResonanceIndex_.load(kRelaxed),
                static_cast<float>(smoothingSteps_.load(kRelaxed))};
    }

    // Writes the type's name with its terminator, at most 9 bytes (the longest name and it).
    void getTypeName(char* text) const;
    // "LowPass", "HighPass", "BandPass", "Resonant" or "Thru" for types 0 to 4, "-" for any other.
    static const char* typeName(std::int32_t type);
    // The target row's frequency in hertz at the display sample rate.
    float targetFrequencyHz() const;

    std::int32_t type() const { return type_.load(kRelaxed); }
    std::int32_t frequencyIndex() const { return frequencyIndex_.load(kRelaxed); }
    std::int32_t targetFrequencyIndex() const { return targetFrequencyIndex_.load(kRelaxed); }
    std::int32_t resonanceIndex() const { return resonanceIndex_.load(kRelaxed); }
    std::int32_t targetResonanceIndex() const { return targetResonanceIndex_.load(kRelaxed); }
    std::int32_t smoothingSteps() const { return smoothingSteps_.load(kRelaxed); }
    float frequency() const { return frequency_.load(kRelaxed); }
    float resonance() const { return resonance_.load(kRelaxed); }
    float level() const { return level_.load(kRelaxed); }
    float mainGain() const { return mainGain_.load(kRelaxed); }
    float resonanceGain() const { return resonanceGain_.load(kRelaxed); }
    float typeGain() const { return typeGain_.load(kRelaxed); }
    float mainState1() const { return mainState1_.load(kRelaxed); }
    float mainState2() const { return mainState2_.load(kRelaxed); }
    float resonanceState1() const { return resonanceState1_.load(kRelaxed); }
    float resonanceState2() const { return resonanceState2_.load(kRelaxed); }
    Coefficients mainCoefficients() const { return copyOf(mainRow_.load(kRelaxed)); }
    Coefficients resonanceCoefficients() const { return copyOf(resonanceRow_.load(kRelaxed)); }

private:
    static constexpr std::memory_order kRelaxed = std::memory_order_relaxed;
    static constexpr float kResonanceGainScale = 40.0f;
    static constexpr float kResonanceWeightSlope = 0.6f;  // mainGain = 1 - 0.6 q

    static Coefficients copyOf(const float* row);
    static bool hasPassTable(std::int32_t type) { return type >= kTypeLowPass && type <= kTypeBandPass; }

    void loadTypeCoefficients(std::int32_t frequencyIndex);
    void loadResonanceCoefficients(std::int32_t frequencyIndex, std::int32_t resonanceIndex);
    void updateGains();
    void settingsChanged() { settingsVersion_.fetch_add(1, std::memory_order_release); }
    // Counts this call against the shared counters and moves an index when it is its turn.
    void advanceSmoothing();

    // The coefficient sets in use: rows of the constant tables. A set changes by storing the
    // address of another row, in one step, so a thread that reads a set while another
    // changes it always gets one whole row, never a mix of two.
    std::atomic<const float*> mainRow_{CoefficientTables::lowPassRows};
    std::atomic<const float*> resonanceRow_{CoefficientTables::resonanceRows};
    std::atomic<std::int32_t> frequencyIndex_{0};
    std::atomic<std::int32_t> targetFrequencyIndex_{0};
    std::atomic<std::int32_t> resonanceIndex_{kNoResonance};
    std::atomic<std::int32_t> targetResonanceIndex_{kNoResonance};
    std::atomic<float> mainState1_{0.0f};
    std::atomic<float> mainState2_{0.0f};
    std::atomic<float> resonanceState1_{0.0f};
    std::atomic<float> resonanceState2_{0.0f};
    // The second channel's history, in the same order.
    std::atomic<float> secondChannelState_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::atomic<float> mainGain_{1.0f};
    std::atomic<float> resonanceGain_{0.0f};
    std::atomic<float> typeGain_{1.0f};
    std::atomic<float> level_{1.0f};
    std::atomic<float> frequency_{0.25f};
    std::atomic<float> resonance_{0.0f};
    std::atomic<std::int32_t> type_{-1};  // -1 until the constructor's first selection
    std::atomic<std::int32_t> smoothingSteps_{400};
    std::atomic<const float*> typeTable_{CoefficientTables::lowPassRows};
    std::atomic<float> displaySampleRate_{44100.0f};
    std::atomic<std::uint32_t> settingsVersion_{0};
};

inline float FilterStage::processSample(float input) {
    if (type_.load(kRelaxed) == kTypeThru) {
        return static_cast<float>(static_cast<double>(level_.load(kRelaxed)) * input);
    }
    StageKernel kernel = loadKernel();
    const float output = kernel.process(input);
    storeHistory(kernel);
    // Moves take effect from the next sample; this one used the settings found on entry.
    if (isGliding()) {
        advanceSmoothing();
    }
    return output;
}

inline FloatPair FilterStage::processSample(FloatPair input) {
    StereoStageKernel kernel;
    loadSettings(kernel);
    loadHistory(kernel);
    const FloatPair output = kernel.process(input);
    storeHistory(kernel);
    // Moves take effect from the next frame; this one used the settings found on entry.
    if (isGliding()) {
        advanceSmoothing();
    }
    return output;
}

inline StageKernel FilterStage::loadKernel() const {
    StageKernel kernel;
    loadSettings(kernel);
    loadHistory(kernel);
    return kernel;
}

inline void FilterStage::loadSettings(StageKernel& kernel) const {
    const auto coefficients = [](BiquadSection& into, const float* c) {
        into.b0 = c[0];
        into.b1 = c[1];
        into.b2 = c[2];
        into.a1 = c[4];
        into.a2 = c[5];
    };
    kernel.type = type_.load(kRelaxed);
    kernel.resonant = resonanceIndex_.load(kRelaxed) != kNoResonance;
    coefficients(kernel.main, mainRow_.load(kRelaxed));
    coefficients(kernel.resonance, resonanceRow_.load(kRelaxed));
    kernel.mainGain = mainGain_.load(kRelaxed);
    kernel.resonanceGain = resonanceGain_.load(kRelaxed);
    kernel.level = level_.load(kRelaxed);
    kernel.plain = kernel.plainSection();
}

inline void FilterStage::loadHistory(StageKernel& kernel) const {
    kernel.main.state1 = mainState1_.load(kRelaxed);
    kernel.main.state2 = mainState2_.load(kRelaxed);
    kernel.resonance.state1 = resonanceState1_.load(kRelaxed);
    kernel.resonance.state2 = resonanceState2_.load(kRelaxed);
}

inline void FilterStage::storeHistory(const StageKernel& kernel) {
    mainState1_.store(kernel.main.state1, kRelaxed);
    mainState2_.store(kernel.main.state2, kRelaxed);
    resonanceState1_.store(kernel.resonance.state1, kRelaxed);
    resonanceState2_.store(kernel.resonance.state2, kRelaxed);
}

inline void FilterStage::loadSettings(StereoStageKernel& kernel) const {
    StageKernel settings;
    loadSettings(settings);
    copyToBothChannels(settings, kernel);
}

inline void FilterStage::loadHistory(StereoStageKernel& kernel) const {
    const auto both = [this](const std::atomic<float>& first, int second) {
        return pairOf(first.load(kRelaxed), secondChannelState_[second].load(kRelaxed));
    };
    kernel.main.state1 = both(mainState1_, 0);
    kernel.main.state2 = both(mainState2_, 1);
    kernel.resonance.state1 = both(resonanceState1_, 2);
    kernel.resonance.state2 = both(resonanceState2_, 3);
}

inline void FilterStage::storeHistory(const StereoStageKernel& kernel) {
    const auto store = [this](FloatPair both, std::atomic<float>& first, int second) {
        first.store(firstOf(both), kRelaxed);
        secondChannelState_[second].store(secondOf(both), kRelaxed);
    };
    store(kernel.main.state1, mainState1_, 0);
    store(kernel.main.state2, mainState2_, 1);
    store(kernel.resonance.state1, resonanceState1_, 2);
    store(kernel.resonance.state2, resonanceState2_, 3);
}
