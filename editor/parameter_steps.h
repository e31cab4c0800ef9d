// SPDX-License-Identifier: MIT
// What the editor knows of each parameter's values: the settings a stepped parameter moves
// through (the 80 frequency rows, "Res" off and its 20 steps, the 5 types, the 4 slopes),
// the value that selects a setting, and each value's text as the host shows it. The rules
// are the core's; nothing here is the editor's own.
#pragma once

#include <string>

#include "core/parameter_table.h"

namespace editor_steps {

// Settings of a stepped parameter (80, 21, 5 or 4); 0 for the continuous ones.
int settingCount(ParameterIndex index);
// The setting a value selects, as the filter selects it; -1 for a continuous parameter.
int settingOf(ParameterIndex index, float value);
// The value that selects `setting` (held within the settings), in the middle of the values
// that select it; NaN for a continuous parameter.
float valueOfSetting(ParameterIndex index, int setting);

// The frequency of table row `row` in hertz at `sampleRate`, as "Freq" shows it, and the row
// nearest in pitch to `hertz`.
float rowFrequencyHz(int row, float sampleRate);
int rowForFrequency(double hertz, float sampleRate);

// The value's text with its unit, as the host shows it ("5101.878 Hz", "0.100000 amount",
// "LowPass", "-6.02059 dB").
std::string text(ParameterIndex index, float value, float sampleRate);
// A choice's label: a type's name, a slope ("24 dB/Oct").
std::string choiceLabel(ParameterIndex index, int setting);

}  // namespace editor_steps
