// SPDX-License-Identifier: MIT
// Every parameter's values in the units hosts and users see, once for every format: the
// settings a stepped parameter has (80 frequency rows, "Res" off and 20 resonance steps, 5
// types, 4 slopes), the setting a normalized value selects and the value that selects a
// setting, the display (a number or a name) and its text with the unit, and the inverses:
// from a number in the parameter's unit (hertz, type number, dB/Oct, decibels, amount) and
// from a typed text back to a normalized value.
//
// One rule decides between two settings, for every parameter and at every sample rate: the
// nearer one, for hertz the nearer in pitch (on a logarithmic scale), and at the exact middle
// the lower one. Hosts store these values in their sessions, so the rules do not change;
// docs/parameter-units.md states them.
//
// The functions keep no state: any thread may call them. None of them is for the audio
// path: the texts allocate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/parameter_display.h"
#include "core/parameter_table.h"

namespace parameter_units {

inline constexpr int kFrequencyRowCount = 80;
inline constexpr int kTopFrequencyRow = kFrequencyRowCount - 1;
// "Res": off below 0.05, then the 20 resonance steps.
inline constexpr int kResonanceSettingCount = 21;

// "Level" at or below this many decibels is silence, the value 0: a number from a control
// with a finite range cannot be minus infinity. The floor lies below the quietest gain of a
// 24-bit fader step (2^-23, -138.5 dB), so every such step stays reachable.
inline constexpr float kLevelFloorDecibels = -144.0f;

// How many settings a parameter's value selects among: 80 for "Freq", 21 for "Res", 5 for
// "Type", 4 for "Cutoff"; 0 for the continuous ones ("Smooth", "Dry/Wet", "Level") and for
// an index outside 0 to 6.
int settingCount(std::int32_t index);
// Whether a stepped parameter's settings are named choices a host shows as a list: "Type"
// (by name) and "Cutoff" (by slope). "Freq" and "Res" are steps along a range.
bool hasChoices(std::int32_t index);
// The setting (0 to settingCount - 1) a normalized value selects, exactly as the filter
// selects it: for "Freq" the table row, for "Res" 0 for off and 1 + the resonance step, for
// "Type" the type number, for "Cutoff" the stage count - 1. -1 for a continuous parameter.
int settingOf(std::int32_t index, float value);
// The normalized value that selects `setting` (held within the parameter's settings): the
// middle of the values that select it, where neither rounding nor the filter's arithmetic
// can carry it over a boundary; the lowest setting of "Freq" and "Res" at 0 and the top row
// of "Freq" at 1 (the only value that reaches it), types at k/4, slopes at (s - 1)/3. NaN
// for a continuous parameter.
float valueOfSetting(std::int32_t index, int setting);

// The row a normalized "Freq" value selects: trunc(rnd(v x 79)) within 0 to 79, NaN giving
// 79. The resonance step a "Res" value selects: trunc(rnd(v x 20)) at most 20, minus 1; -1
// (below zero) is no resonance, NaN gives 19. The filter's stages use these two.
std::int32_t frequencyRow(float value);
std::int32_t resonanceStep(float value);

// The frequency of table row `row` (held within 0 to 79) in hertz at `sampleRate`, rounded
// to float: what "Freq" shows.
float rowFrequencyHz(int row, float sampleRate);
// The row nearest in pitch to `hertz` at `sampleRate`: a row's own frequency selects that
// row, a frequency between two rows the nearer one on a log scale (the lower one at their
// geometric mean), frequencies beyond the table's ends the end row. NaN selects row 0.
int rowForFrequency(float hertz, float sampleRate);

// What a parameter shows for a normalized value at `sampleRate`; nothing for an unknown
// index. The VST build writes it into its 8-character fields.
std::optional<ParameterDisplay> display(std::int32_t index, float value, float sampleRate);
// The display as a text in UTF-8: the 8-character field without its padding, a space and
// the unit label ("5101.878 Hz", "0.300000 amount", "12 dB/Oct", "-6.02059 dB"); a type
// shows its name alone ("LowPass") and a gain of zero "-∞ dB". Nothing for an unknown index.
std::optional<std::string> text(std::int32_t index, float value, float sampleRate);
// A choice's label: a type's name, a slope's text ("24 dB/Oct"); nothing for another
// parameter or a setting it does not have.
std::optional<std::string> choiceLabel(std::int32_t index, int setting);

// The number a parameter shows for a normalized value, in its unit: hertz, the type number,
// dB/Oct, decibels (minus infinity for a gain of zero), or the amount itself. NaN for an
// unknown index.
float shownNumber(std::int32_t index, float value, float sampleRate);
// The normalized value a number in the parameter's unit sets, the inverse of shownNumber:
// - "Freq": the row nearest in pitch (rowForFrequency), at valueOfSetting;
// - "Type", "Cutoff": the nearest type number or slope, the lower one at the exact middle,
//   held within the choices;
// - "Level": the gain whose decibels equal the number (of several, the one with the fewest
//   significant bits; where none does, the nearest), at or below the floor 0, from the top's
//   decibels up 1 (docs/parameter-units.md says which values come back exactly);
// - "Res", "Smooth", "Dry/Wet": the number itself, held within 0 to 1.
// Nothing for NaN or an unknown index.
std::optional<float> valueForNumber(std::int32_t index, float number, float sampleRate);

// The decibels "Level" shows at its top (gain 2, +6.02 dB).
float topLevelDecibels();

// The normalized value of a typed text: a number, optionally followed by the unit label in
// any letter case ("kHz" too, for "Freq"), where "inf", "-inf" and "-∞" are numbers; or,
// for "Type", a type's name in any letter case. Stepped parameters take the value of the
// number (valueForNumber); the continuous ones the lowest value whose text shows the typed
// number or a number beyond it, or the value just below when that one's text is nearer, so
// that every text comes back as a value showing that same text. Nothing for an unknown index
// or a text that is none of these.
std::optional<float> valueForText(std::int32_t index, std::string_view typed, float sampleRate);

}  // namespace parameter_units
