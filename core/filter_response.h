// SPDX-License-Identifier: MIT
// The exact response of filter settings: the complex transfer function, in double precision,
// of the cascade the audio path runs, built from the same coefficient rows, weights and
// levels (FilterSettings holds them as the stages use them). It is the small-signal
// response: every soft limiter passes magnitudes up to 0.5 unchanged, and the roundings to
// float along the audio path are left out. Format-free and without drawing, so the plug-ins'
// displays, the web page and the tests all take their curves from here.
//
// Frequencies are fractions of the sample rate, 0 to 0.5 (half the rate), as the tables'.
#pragma once

#include <complex>
#include <cstddef>

#include "core/filter_settings.h"

// H(f) of one stage: the main section weighted (or the input itself for "Resonant"), plus the
// resonance section fed with it and weighted, times the level; "Thru" is its level alone.
std::complex<double> stageResponse(const StageSettings& stage, double normalizedFrequency);

// H(f) of the whole filter: the stages that run, times each other, mixed with the dry input
// as the audio loop mixes them.
std::complex<double> filterResponse(const FilterSettings& settings, double normalizedFrequency);

// The same at `count` frequencies.
void filterResponse(const FilterSettings& settings, const double* normalizedFrequencies, std::size_t count,
                    std::complex<double>* responses);

// 20 log10 |h|; minus infinity for no output.
double responseDecibels(std::complex<double> response);
