// SPDX-License-Identifier: MIT
// What the stages of a processor use at one moment, as plain values that any thread may copy
// and keep: for each stage its type, its current table rows (by index and as the six-float
// rows themselves, the very rows the audio path runs), its weights and level; how many
// stages run; the dry/wet mix; and the row the main stage is heading for, which is what the
// "Freq" text shows. A display draws from such a copy and never from the stages themselves.
//
// The settings of a processor that runs change only as it runs (rows move during a glide), so
// the processor publishes them after each process call (FilterProcessor::publishedSettings);
// the settings a setting will have once every glide has ended come from the stages' targets
// (settledStageSettings, FilterProcessor::settledSettings, settingsForValues).
#pragma once

#include <array>
#include <cstdint>

#include "core/coefficient_tables.h"
#include "core/parameter_table.h"

class FilterStage;

inline constexpr int kStageCount = 4;

struct StageSettings {
    std::int32_t type = 0;            // 0 LowPass to 4 Thru
    std::int32_t frequencyRow = 0;    // the row of the pass-type and resonance tables, 0 to 79
    std::int32_t resonanceStep = -1;  // -1: the resonance section does not run; else 0 to 19
    float mainRow[CoefficientTables::kRowSize] = {};       // b0, b1, b2, a0, a1, a2
    float resonanceRow[CoefficientTables::kRowSize] = {};  // the same, read only while resonanceStep >= 0
    float mainGain = 1.0f;
    float resonanceGain = 0.0f;
    float level = 1.0f;

    bool operator==(const StageSettings&) const = default;
};

struct FilterSettings {
    // Stage 0 is the main stage and runs last, after slope stages 1 to stageCount - 1; the
    // stages that do not run hold the defaults.
    StageSettings stages[kStageCount];
    std::int32_t stageCount = 1;  // 1 to 4
    float dryWet = 1.0f;                // 0 the input only, 1 the filtered signal only
    std::int32_t targetFrequencyRow = 0;  // the main stage's target row

    bool operator==(const FilterSettings&) const = default;
};

// The settings a stage uses now, read from its fields.
StageSettings currentStageSettings(const FilterStage& stage);
// The settings the stage will use once its glide toward its targets has ended: those of a
// stage of the same type and level that jumped to the same frequency and resonance.
StageSettings settledStageSettings(const FilterStage& stage);

// The frequency of table row `row` (0 to 79) in hertz at `sampleRate`, rounded to float: the
// number the "Freq" text shows for that row.
float frequencyOfRowHz(std::int32_t row, float sampleRate);

// The settings that a processor given these seven normalized values, in parameter order,
// reaches once every glide has ended: the response of a setting that is not running (a
// target, a preset, a control being dragged). Allocates; not for the audio thread.
FilterSettings settingsForValues(const std::array<float, kParameterCount>& values);
