// SPDX-License-Identifier: MIT
#include "drawing/response_picture.h"

#include <algorithm>

#include "core/filter_stage.h"
#include "core/parameter_rules.h"
#include "core/parameter_table.h"
#include "core/value_text.h"

namespace {

// The fixed-width value text without the spaces that pad it.
std::string trimmed(const char* text) {
    std::string value(text);
    value.erase(0, value.find_first_not_of(' '));
    value.erase(value.find_last_not_of(' ') + 1);
    return value;
}

const char* shortTypeName(std::int32_t type) {
    static constexpr const char* kShortNames[] = {"LP", "HP", "BP", "Res", "Thru"};
    return type >= kTypeLowPass && type <= kTypeThru ? kShortNames[type] : "-";
}

}  // namespace

ResponsePicture responsePicture(const FilterSettings& settings, float sampleRate, float meterPeak) {
    ResponsePicture picture;
    picture.settings = settings;
    picture.sampleRate = sampleRate;
    picture.meterPeak = meterPeak;

    const std::int32_t row = std::clamp(settings.targetFrequencyRow, 0, CoefficientTables::kFrequencyCount - 1);
    char text[kValueTextWidth + 1];
    writeFloatText(frequencyOfRowHz(row, sampleRate), text);
    picture.cutoffText = trimmed(text) + " " + kParameterTable[kParameterFrequency].unitLabel;

    const std::int32_t type = settings.stages[0].type;
    picture.typeText = FilterStage::typeName(type);
    picture.shortTypeText = shortTypeName(type);
    const std::int32_t stages = std::clamp(settings.stageCount, 1, kMaximumSlopeStages);
    const std::string slope = std::to_string(static_cast<int>(stages * kDecibelsPerOctavePerStage));
    picture.slopeText = slope + " " + kParameterTable[kParameterCutoff].unitLabel;
    picture.shortSlopeText = slope;
    return picture;
}
