// The module's effect: seven parameters, two programs, four filter stages in cascade, a
// dry/wet mix and a peak meter.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "filter/effect_parameters.h"
#include "filter/filter_program.h"
#include "filter/filter_stage.h"
#include "host/effect_base.h"

inline constexpr std::int32_t kFilterUniqueId = fourCharacters("BrSk");
inline constexpr std::int32_t kFilterProgramCount = 2;
inline constexpr int kStageCount = 4;

class FilterEffect : public EffectBase {
public:
    explicit FilterEffect(HostCallback hostCallback);
    ~FilterEffect() override;

    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void process(float** inputs, float** outputs, std::int32_t frameCount) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t frameCount) override;
    void setProgram(std::int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterName(std::int32_t index, char* text) override;
    float getMeter() override;
    void suspend() override;

    // Read-only views for tests and diagnostics.
    const FilterStage& stage(int index) const { return stages[index]; }
    float slopeStageCount() const { return slopeStages.load(std::memory_order_relaxed); }
    float smoothingSampleCount() const { return smoothingSamples.load(std::memory_order_relaxed); }
    float filterTypeNumber() const { return filterType.load(std::memory_order_relaxed); }
    float peekMeter() const { return meterPeak.load(std::memory_order_relaxed); }

private:
    template <bool Accumulate>
    void render(float** inputs, float** outputs, std::int32_t frameCount);
    FilterProgram& currentProgramRecord();

    std::unique_ptr<FilterProgram[]> programs;
    FilterStage stages[kStageCount];
    // Written on the host's parameter thread, read on its audio thread.
    std::atomic<float> parameterValues[kParameterCount];
    std::atomic<float> frequency;
    std::atomic<float> resonance;
    std::atomic<float> smoothingSamples;
    std::atomic<float> filterType;
    std::atomic<float> slopeStages;
    std::atomic<float> dryWetMix;
    std::atomic<float> outputLevel;
    std::atomic<float> meterPeak;
};

// The factory the exported entry hands to the entry logic: a new effect, or null when
// memory runs out.
EffectBase* createFilterEffect(HostCallback hostCallback);
