// SPDX-License-Identifier: MIT
#include "editor/parameter_steps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "core/coefficient_tables.h"
#include "core/filter_processor.h"
#include "core/filter_settings.h"
#include "core/filter_stage.h"
#include "core/filter_type.h"
#include "core/parameter_rules.h"
#include "core/value_text.h"

namespace editor_steps {
namespace {

constexpr int kTopRow = CoefficientTables::kFrequencyCount - 1;
constexpr int kResonanceSettings = CoefficientTables::kResonanceSteps + 1;  // off, then the steps
constexpr char kMinusInfinityText[] = "-\xE2\x88\x9E";                     // U+221E in UTF-8

std::string trimmed(const char* field) {
    std::string text(field);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

}  // namespace

int settingCount(ParameterIndex index) {
    switch (index) {
        case kParameterFrequency: return CoefficientTables::kFrequencyCount;
        case kParameterResonance: return kResonanceSettings;
        case kParameterType: return kFilterTypeCount;
        case kParameterCutoff: return kMaximumSlopeStages;
        default: return 0;
    }
}

int settingOf(ParameterIndex index, float value) {
    switch (index) {
        case kParameterFrequency: {
            // The stages' rule: trunc(rnd(v x 79)) within 0 to 79, NaN the top row.
            const float row = static_cast<float>(static_cast<double>(value) * kTopRow);
            return !(row < kTopRow) ? kTopRow : row < 0.0f ? 0 : static_cast<int>(row);
        }
        case kParameterResonance: {
            // trunc(rnd(v x 20)) at most 20: 0 is off, s the step s - 1; NaN the top step.
            const float step = static_cast<float>(static_cast<double>(value) * CoefficientTables::kResonanceSteps);
            const float limited = step <= CoefficientTables::kResonanceSteps ? step : CoefficientTables::kResonanceSteps;
            return limited < 0.0f ? 0 : static_cast<int>(limited);
        }
        case kParameterType: return static_cast<int>(filterTypeFor(value));
        case kParameterCutoff: return static_cast<int>(slopeStagesFor(value)) - 1;
        default: return -1;
    }
}

float valueOfSetting(ParameterIndex index, int setting) {
    const int count = settingCount(index);
    if (count == 0) return std::numeric_limits<float>::quiet_NaN();
    const int held = std::clamp(setting, 0, count - 1);
    switch (index) {
        case kParameterFrequency:
        case kParameterResonance: {
            // The lowest setting at 0, the top one at 1 (the only value that reaches it), the
            // others in the middle of their values.
            const int top = count - 1;
            if (held == 0) return 0.0f;
            if (held == top) return 1.0f;
            const int divisor = index == kParameterFrequency ? kTopRow : CoefficientTables::kResonanceSteps;
            return static_cast<float>((held + 0.5) / divisor);
        }
        case kParameterType:
        case kParameterCutoff: return static_cast<float>(held) / static_cast<float>(count - 1);
        default: return std::numeric_limits<float>::quiet_NaN();
    }
}

float rowFrequencyHz(int row, float sampleRate) {
    return frequencyOfRowHz(std::clamp(row, 0, kTopRow), sampleRate);
}

int rowForFrequency(double hertz, float sampleRate) {
    if (!(hertz > 0.0)) return 0;
    const double pitch = std::log(hertz);
    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int row = 0; row <= kTopRow; ++row) {
        const double distance = std::fabs(std::log(static_cast<double>(rowFrequencyHz(row, sampleRate))) - pitch);
        if (distance < bestDistance) {
            best = row;
            bestDistance = distance;
        }
    }
    return best;
}

std::string text(ParameterIndex index, float value, float sampleRate) {
    if (!isParameterIndex(index)) return {};
    // A processor of its own shows the value as the plug-ins show it.
    const auto processor = std::make_unique<FilterProcessor>();
    processor->setParameter(index, value);
    const std::optional<ParameterDisplay> display = processor->display(index, sampleRate);
    if (!display) return {};
    if (display->kind == ParameterDisplay::Kind::Name) return display->name;
    if (display->kind == ParameterDisplay::Kind::NoSignal) {
        return std::string(kMinusInfinityText) + " " + kParameterTable[index].unitLabel;
    }
    char field[kValueTextWidth + 1];
    writeDisplayField(*display, "", field);
    return trimmed(field) + " " + kParameterTable[index].unitLabel;
}

std::string choiceLabel(ParameterIndex index, int setting) {
    if (index == kParameterType) return FilterStage::typeName(setting);
    if (index == kParameterCutoff) {
        const int stages = std::clamp(setting, 0, kMaximumSlopeStages - 1) + 1;
        return std::to_string(static_cast<int>(stages * kDecibelsPerOctavePerStage)) + " " +
               kParameterTable[kParameterCutoff].unitLabel;
    }
    return {};
}

}  // namespace editor_steps
