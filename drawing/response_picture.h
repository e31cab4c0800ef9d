// SPDX-License-Identifier: MIT
// What one picture of the filter shows: the response of its settings, the marker at the row
// "Freq" selects with the text the host shows for it, the type and slope, and the meter. A
// picture is made from a copy of the settings (the processor's published snapshot, or the
// settings of a setting that is not running), never from the stages themselves, so that any
// thread may draw it while the audio runs.
#pragma once

#include <string>

#include "core/filter_settings.h"

struct ResponsePicture {
    FilterSettings settings;
    float sampleRate = 44100.0f;  // the frequency axis runs from 10 Hz to half of it
    float meterPeak = 0.0f;       // the meter's linear peak (1 is full scale), 0 for none
    std::string cutoffText;       // "5101.878 Hz"
    std::string typeText;         // "LowPass"
    std::string shortTypeText;    // "LP", for narrow pictures
    std::string slopeText;        // "24 dB/Oct"
    std::string shortSlopeText;   // "24"
};

// The picture of `settings` at `sampleRate` with the meter at `meterPeak`, with the texts every
// format shows: the "Freq" of the target row as the fixed-width value text with its unit, the
// type's name and the slope of the stages that run.
ResponsePicture responsePicture(const FilterSettings& settings, float sampleRate, float meterPeak);
