// SPDX-License-Identifier: MIT
// The LV2 plug-in's controls in the units its hosts show, turned into the normalized values
// the core takes: hertz for "Freq", type numbers for "Type", decibels per octave for
// "Cutoff", decibels for "Level", plain amounts for the rest. Every conversion of a host
// value lives here, written once and tested at its edges; docs/lv2.md states the rules.
//
// The direction back, from a normalized value to what a user sees, is the VST build's own
// display (FilterProcessor::display), so the two builds can never disagree about what a
// number means: a value the VST build shows, typed into the LV2 control, selects the same
// setting.
#pragma once

#include <cstdint>
#include <optional>

#include "core/coefficient_tables.h"
#include "core/filter_processor.h"
#include "core/parameter_rules.h"
#include "core/parameter_table.h"

namespace lv2_units {

inline constexpr int kTopFrequencyRow = CoefficientTables::kFrequencyCount - 1;

// "Level" at or below this many decibels is silence, the VST build's value 0: no host can
// send minus infinity through a control with a finite range. The floor lies below the
// quietest gain of a 24-bit fader step (2^-23, -138.5 dB), so every such step stays reachable.
inline constexpr float kLevelFloorDecibels = -144.0f;

// The frequency of table row `row` (0 to 79) in hertz at `sampleRate`, rounded to float as
// the VST build's "Freq" display shows it.
float rowFrequencyHz(int row, float sampleRate);

// The row a frequency in hertz selects at `sampleRate`: a row's own frequency selects that
// row, a frequency between two rows the nearer one (the upper one at the exact middle), and
// frequencies beyond the table's ends the end row. NaN has no row and is left to the caller.
int rowForFrequency(float hertz, float sampleRate);

// A normalized "Freq" value the core turns into exactly `row` (0 to 79): the core truncates
// rnd(v x 79), so the value is taken from the middle of the row's interval, where neither
// rounding to float nor the multiplication can carry it over an integer.
float frequencyValueForRow(int row);

// "Type": the type number (0 LowPass to 4 Thru) nearest the control's value, kept within the
// five types, and the normalized value that selects it exactly (type / 4).
int typeForNumber(float number);
float typeValue(int type);

// "Cutoff": the stage count (1 to 4) whose slope, 12 dB per octave per stage, is nearest the
// control's value, and the normalized value that selects it exactly.
int stagesForSlope(float decibelsPerOctave);
float slopeValue(int stages);

// The decibels of a normalized "Level" value as the VST build shows them, and the normalized
// value whose gain shows `decibels`, or the nearest one where no gain shows exactly that
// (see docs/lv2.md for which gains every float in decibels can and cannot reach). At or below
// the floor: 0 (silence); from the top's decibels up: 1.0 (gain 2, +6.02 dB).
float levelDecibels(float value);
float levelValueForDecibels(float decibels);
float topLevelDecibels();

// What the VST build shows for the processor's current setting of `index`, in host units:
// the value a user reads off the VST build and types into the LV2 control. "Type" gives the
// number of the type it names, and a "Level" of no signal minus infinity.
float shownHostValue(FilterProcessor& processor, ParameterIndex index, float sampleRate);

// The normalized value a control's host value sets, for every parameter; nothing for NaN,
// which sets nothing (the previous setting stays). "Res", "Smooth" and "Dry/Wet" are their
// own normalized values, kept within 0 to 1.
std::optional<float> normalizedValue(ParameterIndex index, float hostValue, float sampleRate);

}  // namespace lv2_units
