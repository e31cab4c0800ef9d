// SPDX-License-Identifier: MIT
// The editor's normalized values as the LV2 plug-in's control ports carry them, both ways:
// "Freq" in hertz, "Type" as the type number, "Cutoff" in dB/Oct, "Level" in decibels, the
// amounts as they are. A value written to a port is the number the plug-in shows for the
// value, which the plug-in reads back as that same setting.
#pragma once

#include <optional>

#include "core/parameter_table.h"

namespace lv2_ui {

// The port value for a normalized value at `sampleRate`, the number the core's units show:
// a "Level" of no signal is the port's floor.
float portValueOf(ParameterIndex index, float value, float sampleRate);
// The normalized value of a port value; nothing for NaN.
std::optional<float> normalizedValueOf(ParameterIndex index, float portValue, float sampleRate);

}  // namespace lv2_ui
