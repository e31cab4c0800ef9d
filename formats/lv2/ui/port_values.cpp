// SPDX-License-Identifier: MIT
#include "formats/lv2/ui/port_values.h"

#include <cmath>
#include <memory>

#include "core/filter_processor.h"
#include "formats/lv2/host_units.h"

namespace lv2_ui {

float portValueOf(ParameterIndex index, float value, float sampleRate) {
    // What a processor set to the value shows is what the plug-in reads back as it.
    const auto processor = std::make_unique<FilterProcessor>();
    processor->setParameter(index, value);
    const float shown = lv2_units::shownHostValue(*processor, index, sampleRate);
    return std::isinf(shown) && shown < 0.0f ? lv2_units::kLevelFloorDecibels : shown;
}

std::optional<float> normalizedValueOf(ParameterIndex index, float portValue, float sampleRate) {
    return lv2_units::normalizedValue(index, portValue, sampleRate);
}

}  // namespace lv2_ui
