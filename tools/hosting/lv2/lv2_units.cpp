// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_units.h"

#include <lv2/units/units.h>

#include <utility>

std::optional<std::string> standardUnitSymbol(const std::string& unitUri) {
    static const std::pair<const char*, const char*> kSymbols[] = {
        {LV2_UNITS__s, "s"},         {LV2_UNITS__ms, "ms"},        {LV2_UNITS__min, "min"},
        {LV2_UNITS__bar, "bars"},    {LV2_UNITS__beat, "beats"},   {LV2_UNITS__frame, "frames"},
        {LV2_UNITS__m, "m"},         {LV2_UNITS__cm, "cm"},        {LV2_UNITS__mm, "mm"},
        {LV2_UNITS__km, "km"},       {LV2_UNITS__inch, "in"},      {LV2_UNITS__mile, "mi"},
        {LV2_UNITS__db, "dB"},       {LV2_UNITS__pc, "%"},         {LV2_UNITS__coef, ""},
        {LV2_UNITS__hz, "Hz"},       {LV2_UNITS__khz, "kHz"},      {LV2_UNITS__mhz, "MHz"},
        {LV2_UNITS__bpm, "BPM"},     {LV2_UNITS__oct, "oct"},      {LV2_UNITS__cent, "ct"},
        {LV2_UNITS__semitone12TET, "semi"}, {LV2_UNITS__degree, "deg"}, {LV2_UNITS__midiNote, "note"},
    };
    for (const auto& [uri, symbol] : kSymbols) {
        if (unitUri == uri) return std::string(symbol);
    }
    return std::nullopt;
}
