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

#include "filter/coefficient_tables.h"

// Filter state values that are not finite, or tiny (below 1e-10 in magnitude), become +0.0,
// so the recursion never carries denormals, NaN or infinity: a single bad input sample
// disturbs the state for that sample only.
inline float flushToZero(float value) {
    constexpr float kSmallestKept = 1e-10f;
    constexpr float kLargestFinite = 3.40282347e+38f;
    const float magnitude = value < 0.0f ? -value : value;
    if (magnitude >= kSmallestKept && magnitude <= kLargestFinite) {
        return value;
    }
    return 0.0f;  // NaN fails both comparisons
}

// Passes magnitudes up to 0.5 unchanged and bends larger ones toward 1.0: up to five passes,
// each pulling the magnitude toward a knee (0.5, 0.75, 0.875, ...) by the knee's fraction of
// the excess, then a clamp at 1.0. The sign is kept.
inline float softLimit(float value) {
    constexpr int kMaxPasses = 5;
    constexpr double kSettled = 0.00001;
    float magnitude = value;
    double sign = 1.0;
    if (value < 0.0f || value != value) {
        magnitude = -value;
        sign = -1.0;
    }
    float knee = 0.5f;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        const float excess = static_cast<float>(static_cast<double>(magnitude) - knee);
        if (excess > 0.0f) {
            magnitude = static_cast<float>(static_cast<double>(magnitude) - static_cast<double>(knee) * excess);
        }
        knee = static_cast<float>(knee + (1.0 - knee) * 0.5);
        if (!(excess > kSettled)) {
            break;
        }
    }
    if (magnitude > 1.0f) {
        magnitude = 1.0f;
    }
    return static_cast<float>(sign * magnitude);
}

// Glide pacing shared by every stage of every effect instance in the module: a stage with a
// pending move counts one call, and moves only on a call that finds its counter at 0.0.
extern std::atomic<float> frequencyStepCounter;
extern std::atomic<float> resonanceStepCounter;

class FilterStage {
public:
    static constexpr std::int32_t kTypeLowPass = 0;
    static constexpr std::int32_t kTypeHighPass = 1;
    static constexpr std::int32_t kTypeBandPass = 2;
    static constexpr std::int32_t kTypeResonant = 3;
    static constexpr std::int32_t kTypeThru = 4;
    static constexpr std::int32_t kNoResonance = -1;
    static constexpr int kTypeNameSize = 9;  // longest name plus terminator

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
    void setLevel(float level) { level_.store(level, kRelaxed); }
    // Counted calls between two index moves.
    void setSmoothing(std::int32_t steps) { smoothingSteps_.store(steps, kRelaxed); }
    void setDisplaySampleRate(float rate) { displaySampleRate_.store(rate, kRelaxed); }

    float processSample(float input);
    void clearHistory();

    // Writes the type's name with its terminator, at most kTypeNameSize bytes.
    void getTypeName(char* text) const;
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
    Coefficients mainCoefficients() const { return copyOf(mainCoefficients_); }
    Coefficients resonanceCoefficients() const { return copyOf(resonanceCoefficients_); }

private:
    static constexpr std::memory_order kRelaxed = std::memory_order_relaxed;
    static constexpr float kResonanceGainScale = 40.0f;
    static constexpr float kResonanceWeightSlope = 0.6f;  // mainGain = 1 - 0.6 q

    using AtomicCoefficients = std::array<std::atomic<float>, CoefficientTables::kRowSize>;

    static Coefficients copyOf(const AtomicCoefficients& source);
    static bool hasPassTable(std::int32_t type) { return type >= kTypeLowPass && type <= kTypeBandPass; }

    // One step of a transposed direct form II biquad: returns y, updates both state words.
    static float runBiquad(const AtomicCoefficients& c, std::atomic<float>& state1, std::atomic<float>& state2,
                           float input);

    void loadTypeCoefficients(std::int32_t frequencyIndex);
    void loadResonanceCoefficients(std::int32_t frequencyIndex, std::int32_t resonanceIndex);
    void updateGains();
    bool isGliding() const {
        return frequencyIndex_.load(kRelaxed) != targetFrequencyIndex_.load(kRelaxed) ||
               resonanceIndex_.load(kRelaxed) != targetResonanceIndex_.load(kRelaxed);
    }
    // Counts this call against the shared counters and moves an index when it is its turn.
    void advanceSmoothing();

    AtomicCoefficients mainCoefficients_;
    AtomicCoefficients resonanceCoefficients_;
    std::atomic<std::int32_t> frequencyIndex_{0};
    std::atomic<std::int32_t> targetFrequencyIndex_{0};
    std::atomic<std::int32_t> resonanceIndex_{kNoResonance};
    std::atomic<std::int32_t> targetResonanceIndex_{kNoResonance};
    std::atomic<float> mainState1_{0.0f};
    std::atomic<float> mainState2_{0.0f};
    std::atomic<float> resonanceState1_{0.0f};
    std::atomic<float> resonanceState2_{0.0f};
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
};

inline float FilterStage::runBiquad(const AtomicCoefficients& c, std::atomic<float>& state1,
                                    std::atomic<float>& state2, float input) {
    const double x = input;
    const double b0 = c[0].load(kRelaxed), b1 = c[1].load(kRelaxed), b2 = c[2].load(kRelaxed);
    const double a1 = c[4].load(kRelaxed), a2 = c[5].load(kRelaxed);
    const double s1 = state1.load(kRelaxed), s2 = state2.load(kRelaxed);
    const float y = flushToZero(static_cast<float>(b0 * x + s1));
    state1.store(flushToZero(static_cast<float>((b1 * x - a1 * y) + s2)), kRelaxed);
    state2.store(flushToZero(static_cast<float>(b2 * x - a2 * y)), kRelaxed);
    return y;
}

inline float FilterStage::processSample(float input) {
    const std::int32_t currentType = type_.load(kRelaxed);
    const double currentLevel = level_.load(kRelaxed);
    if (currentType == kTypeThru) {
        return static_cast<float>(currentLevel * input);
    }
    float mainOutput = input;
    if (currentType != kTypeResonant) {
        const float y = runBiquad(mainCoefficients_, mainState1_, mainState2_, input);
        mainOutput = static_cast<float>(static_cast<double>(mainGain_.load(kRelaxed)) * y);
    }
    float resonanceOutput = 0.0f;
    if (resonanceIndex_.load(kRelaxed) != kNoResonance) {
        const float z = runBiquad(resonanceCoefficients_, resonanceState1_, resonanceState2_, mainOutput);
        resonanceOutput = static_cast<float>(static_cast<double>(resonanceGain_.load(kRelaxed)) * z);
    }
    // Moves take effect from the next sample; this one used the settings found on entry.
    if (isGliding()) {
        advanceSmoothing();
    }
    const float mixed = static_cast<float>((static_cast<double>(resonanceOutput) + mainOutput) * currentLevel);
    return softLimit(mixed);
}
