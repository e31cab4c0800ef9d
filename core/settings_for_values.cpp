// SPDX-License-Identifier: MIT
#include "core/filter_processor.h"
#include "core/filter_settings.h"

FilterSettings settingsForValues(const std::array<float, kParameterCount>& values) {
    // A processor of its own, so that nothing the processor's rules do is written twice.
    const auto processor = std::make_unique<FilterProcessor>();
    for (std::int32_t index = 0; index < kParameterCount; ++index) processor->setParameter(index, values[static_cast<std::size_t>(index)]);
    return processor->settledSettings();
}
