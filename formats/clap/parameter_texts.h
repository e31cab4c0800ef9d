// SPDX-License-Identifier: MIT
// The texts a CLAP host shows for parameter values, and the values of texts a user types:
// for the seven parameters the core's texts and their inverses (core/parameter_units.h), in
// UTF-8 ("5101.878 Hz", "0.300000 amount", "LowPass", "12 dB/Oct", "-∞ dB"); the stepped
// enumerations "Type" and "Cutoff" take their labels ("HighPass", "24 dB/Oct") and, for
// "Cutoff", a number of dB/Oct. The bypass shows "Off" (processing) and "On" (bypassed).
// Every text shown comes back as a value showing that same text.
//
// Free functions that keep no state, so they leave the audio alone: main-thread work.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "interfaces/clap/clap_abi.h"

// The text of a host's value of parameter `id` at `sampleRate`; nothing for an unknown id or
// NaN.
std::optional<std::string> clapValueText(clap_id id, double hostValue, float sampleRate);
// The host value of a typed text; nothing for an unknown id or a text the parameter does
// not read.
std::optional<double> clapTextValue(clap_id id, std::string_view typed, float sampleRate);
