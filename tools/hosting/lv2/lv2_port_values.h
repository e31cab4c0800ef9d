// SPDX-License-Identifier: MIT
// How the tool, as an LV2 host, treats a control port's values: in host units (a port with
// lv2:sampleRate has its range and default multiplied by the rate, in float, as hosts do),
// the values its properties allow (an enumeration takes its scale points, an integer port
// whole numbers, a toggled port 0 or 1), the text shown for a value (its scale point's label,
// "on"/"off", or the number) and the value a text stands for.
#pragma once

#include <optional>
#include <string>

#include "tools/hosting/lv2/lv2_port.h"
#include "tools/hosting/plugin_instance.h"

// A value as the description writes it, in host units at `sampleRate`.
float hostUnits(const Lv2Port& port, float written, double sampleRate);

// The range in host units. A bound the description leaves out is taken as 0 (minimum) or 1
// (maximum), the values hosts assume for a control without a range.
ParameterRange portRange(const Lv2Port& port, double sampleRate);

// The value a fresh instance gets: the default, else the minimum, else 0, in host units.
float initialValue(const Lv2Port& port, double sampleRate);

// The nearest value the port's properties allow: the nearest scale point of an enumeration
// (the lower one of two as near), the nearest whole number on an integer port, 1 for a
// positive value on a toggled port and 0 otherwise. Any other value is kept as it is.
float allowedValue(const Lv2Port& port, float value);

// The label of the scale point at exactly this value, if there is one.
std::optional<std::string> scalePointLabel(const Lv2Port& port, float value);

// The shortest decimal text that reads back as the same float ("5101.878", "-6", "0.1").
std::string shortestNumberText(float value);

// What the tool shows for a value: its scale point's label, "on" or "off" on a toggled port,
// else the number (the unit is shown apart, see unitShownFor).
std::string displayText(const Lv2Port& port, float value);
// The unit after the display text: none after a scale point's label.
std::string unitShownFor(const Lv2Port& port, float value);

// The value a text names, compared ignoring case and surrounding spaces: a scale point's
// label (with or without the unit after it), "on"/"off" (or "true"/"false") on a toggled
// port, or a number followed by nothing or by the port's unit ("2566", "-6 dB"). Nothing for
// any other text.
std::optional<float> valueForText(const Lv2Port& port, const std::string& text);

// A control output read as a meter level, 1 being full scale: a port in decibels is turned
// into a gain, any other value is taken as a gain already.
double meterLevel(const Lv2Port& port, float value);
