// SPDX-License-Identifier: MIT
// The module's effect as hosts of the VST 1.0 interface see it: the filter processor behind
// the effect base's record, with the host's 8-character texts and the peak meter.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/filter_processor.h"
#include "formats/vst/effect_base.h"

inline constexpr std::int32_t kFilterUniqueId = fourCharacters("BrSk");

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
    const FilterProcessor& processor() const { return processor_; }
    const FilterStage& stage(int index) const { return processor_.stage(index); }
    float slopeStageCount() const { return processor_.slopeStageCount(); }
    float smoothingSampleCount() const { return processor_.smoothingSampleCount(); }
    float filterTypeNumber() const { return processor_.filterTypeNumber(); }
    float peekMeter() const { return meterPeak.load(std::memory_order_relaxed); }

private:
    // Raises the meter to the call's peak if that is higher.
    void raiseMeter(float peak);

    FilterProcessor processor_;
    // The largest filtered sample since the host last read the meter; raised on the audio
    // thread, read and reset on the host's.
    std::atomic<float> meterPeak;
};

// The factory the exported entry hands to the entry logic: a new effect, or null when
// memory runs out.
EffectBase* createFilterEffect(HostCallback hostCallback);
