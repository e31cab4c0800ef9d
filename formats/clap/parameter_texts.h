// SPDX-License-Identifier: MIT
// The texts a CLAP host shows for parameter values, and the values of texts a user types.
//
// A value's text is the core's display of that value, in UTF-8: the 8-character field
// without its padding, then a space and the parameter's unit label ("5101.878 Hz",
// "0.300000 amount", "12 dB/Oct", "0.000000 dB"); a type shows its name alone ("LowPass"),
// and a gain of zero "-∞ dB".
//
// A typed text is a number, optionally followed by the unit label in any letter case ("Hz"
// or "kHz" for the frequency), or a type's name in any letter case; "inf", "-inf" and "∞"
// count as numbers. Its value is the one whose display comes nearest the number (for the
// frequency on a log scale), so every text the plug-in shows comes back as a value with
// that same text:
// - a frequency selects one of the 80 table rows, at the middle of the row's values;
// - a slope selects one of the four stage counts, at its value (s - 1)/3; a type, k/4;
// - every other parameter takes the lowest value in 0 to 1 whose shown number reaches
//   the typed one, or the value just below it when that one shows a nearer number.
//
// Both directions display through a processor of their own, never the one that renders,
// so they are main-thread work that leaves the audio alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/filter_processor.h"

// The no-signal text, minus infinity (U+221E) decibels, in UTF-8.
inline constexpr char kMinusInfinityText[] = "-\xE2\x88\x9E";

class ParameterTexts {
public:
    // The text of `value` (0 to 1) for the parameter at `sampleRate`; nothing for an index
    // outside 0 to 6.
    std::optional<std::string> text(std::int32_t index, float value, float sampleRate);
    // The value of a typed text, within 0 to 1; nothing for an unknown index or a text that
    // is neither a number (with the parameter's unit or none) nor a type name.
    std::optional<float> value(std::int32_t index, std::string_view typed, float sampleRate);

private:
    // What the core displays for `value`, set on the processor kept for displays.
    std::optional<ParameterDisplay> displayOf(std::int32_t index, float value, float sampleRate);
    // The number the text of `value` shows, as a key that keeps the order of the texts.
    double shownNumber(std::int32_t index, float value, float sampleRate);

    FilterProcessor displays_;
};
