// SPDX-License-Identifier: MIT
#include "core/filter_settings.h"

#include "core/filter_stage.h"

namespace {

void copyRow(const FilterStage::Coefficients& row, float (&into)[CoefficientTables::kRowSize]) {
    for (int k = 0; k < CoefficientTables::kRowSize; ++k) into[k] = row[static_cast<std::size_t>(k)];
}

}  // namespace

StageSettings currentStageSettings(const FilterStage& stage) {
    StageSettings settings;
    settings.type = stage.type();
    settings.frequencyRow = stage.frequencyIndex();
    settings.resonanceStep = stage.resonanceIndex();
    copyRow(stage.mainCoefficients(), settings.mainRow);
    copyRow(stage.resonanceCoefficients(), settings.resonanceRow);
    settings.mainGain = stage.mainGain();
    settings.resonanceGain = stage.resonanceGain();
    settings.level = stage.level();
    return settings;
}

StageSettings settledStageSettings(const FilterStage& stage) {
    // The stage's own code finds the rows and gains of its targets: a jump lands where a glide
    // ends. Neither the constructor nor a jump touches the module's glide step counters.
    FilterStage settled;
    settled.setType(stage.type());
    settled.jumpToTarget(stage.frequency(), stage.resonance());
    settled.setLevel(stage.level());
    return currentStageSettings(settled);
}

float frequencyOfRowHz(std::int32_t row, float sampleRate) {
    return static_cast<float>(static_cast<double>(CoefficientTables::normalizedFrequencies[row]) * sampleRate);
}
