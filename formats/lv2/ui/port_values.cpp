// SPDX-License-Identifier: MIT
#include "formats/lv2/ui/port_values.h"

#include <cmath>

#include "core/parameter_units.h"

namespace lv2_ui {

float portValueOf(ParameterIndex index, float value, float sampleRate) {
    const float shown = parameter_units::shownNumber(index, value, sampleRate);
    return std::isinf(shown) && shown < 0.0f ? parameter_units::kLevelFloorDecibels : shown;
}

std::optional<float> normalizedValueOf(ParameterIndex index, float portValue, float sampleRate) {
    return parameter_units::valueForNumber(index, portValue, sampleRate);
}

}  // namespace lv2_ui
