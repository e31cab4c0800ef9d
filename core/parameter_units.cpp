// SPDX-License-Identifier: MIT
#include "core/parameter_units.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#if __has_include(<charconv>)
#include <charconv>
#endif

#include "core/coefficient_tables.h"
#include "core/filter_stage.h"
#include "core/float_bits.h"
#include "core/parameter_rules.h"
#include "core/saturating_conversion.h"
#include "core/value_text.h"

namespace parameter_units {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kFloatInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kDecibelsPerDecade = 20.0;
constexpr int kResonanceTopSetting = kResonanceSettingCount - 1;
// The bit patterns of the floats from 0 to 1 rise with the value; 1.0f is the last.
constexpr std::uint32_t kBitsOfOne = 0x3F800000u;

// The no-signal text, minus infinity (U+221E) decibels, in UTF-8.
constexpr char kMinusInfinityText[] = "-\xE2\x88\x9E";
constexpr char kInfinitySign[] = "\xE2\x88\x9E";

static_assert(kFrequencyRowCount == CoefficientTables::kFrequencyCount);
static_assert(kResonanceSettingCount == CoefficientTables::kResonanceSteps + 1);

const ParameterInfo* infoOf(std::int32_t index) {
    return isParameterIndex(index) ? &kParameterTable[index] : nullptr;
}

// The nearest whole setting to a position counted in settings, the lower one at the exact
// middle, held within 0 to count - 1. Positions come from floats, so position - 0.5 is exact.
int nearestSetting(double position, int count) {
    const double nearest = std::ceil(position - 0.5);
    return static_cast<int>(std::clamp(nearest, 0.0, static_cast<double>(count - 1)));
}

// The middle of a setting's values for a parameter whose settings are trunc(v x scale)
// (minus nothing), rounded to float: (s + 0.5) / scale differs from its float by less than
// 2^-24 of it, so times the scale it stays within 0.0003 of s + 0.5 and truncates to s.
float middleOfSetting(int setting, int scale) {
    return roundToFloat((setting + 0.5) / scale);
}

// --- "Level": the decibels of a gain and back ---

// The place of the lowest set bit of a positive, normal float: of several gains, the one
// with the highest place has the fewest significant bits.
int lowestBitPlace(float value) {
    const std::uint32_t bits = floatBits(value);
    constexpr int kSignificandBits = 23;
    constexpr int kExponentBias = 127;
    const std::uint32_t biasedExponent = bits >> kSignificandBits;
    const std::uint32_t significand = (bits & ((1u << kSignificandBits) - 1)) | (1u << kSignificandBits);
    return static_cast<int>(biasedExponent) - kExponentBias - kSignificandBits + __builtin_ctz(significand);
}

// Where one float in decibels stands for several gains (their decibels round to the same
// float), the walk over them stays short: from the floor up, one step of a float in decibels
// spans at most about 30 gains (|dB| < 256, a step of 2^-16 dB, about 1.8e-6 of the gain).
// The limit only bounds the work; the tests check that every walk ends before it.
constexpr int kLongestSharedDecibels = 256;

float levelDecibels(float value) {
    const float gain = outputLevelFor(value);
    if (!gainHasDecibels(gain)) return -kFloatInfinity;
    return gainToDecibels(gain);
}

float levelValueForDecibels(float decibels) {
    if (!(decibels > kLevelFloorDecibels)) return 0.0f;
    if (decibels >= topLevelDecibels()) return 1.0f;

    // The gains whose display shows exactly these decibels: a gain's decibels are rounded
    // to float, so a value read off a display belongs to a run of one or more neighbouring
    // gains, the nearest gain to 10^(dB/20) or one beside it. Of the run, the gain with the
    // fewest significant bits is taken, which is every gain a fader step of 2^-24 gives, and
    // the only gain of runs of one.
    const auto shows = [decibels](float gain) { return gainToDecibels(gain) == decibels; };
    const float nearest = roundToFloat(std::pow(10.0, static_cast<double>(decibels) / kDecibelsPerDecade));
    const float candidates[] = {nearest, std::nextafter(nearest, 0.0f), std::nextafter(nearest, kFloatInfinity)};
    const float* shown = std::find_if(std::begin(candidates), std::end(candidates), shows);
    // No gain shows these decibels: the nearest gain. Above the floor every gain is a
    // normal float, so halving it is exact.
    if (shown == std::end(candidates)) return nearest * 0.5f;

    float simplest = *shown;
    for (const float direction : {0.0f, kFloatInfinity}) {
        float gain = *shown;
        for (int step = 0; step < kLongestSharedDecibels; ++step) {
            gain = std::nextafter(gain, direction);
            if (!shows(gain)) break;
            if (lowestBitPlace(gain) > lowestBitPlace(simplest)) simplest = gain;
        }
    }
    return std::min(simplest, 2.0f) * 0.5f;
}

// --- Typed texts ---

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Equal but for the case of ASCII letters.
bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// An unsigned decimal number (the C locale's form, exponent allowed, "inf" and "infinity")
// at the start of `text`: its value and its length, or nothing. Plug-ins run inside hosts
// that may set any locale, so the native builds read it with std::from_chars, which knows
// none; the WebAssembly toolchain's library lacks from_chars for floating point, and there
// strtod, in the only locale that module ever has, "C", reads the same.
std::optional<std::pair<double, std::size_t>> readUnsignedNumber(std::string_view text) {
    if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
    double value = 0.0;
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) return std::nullopt;
    const auto length = static_cast<std::size_t>(end - text.data());
#else
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    const auto length = static_cast<std::size_t>(end - copy.c_str());
    if (length == 0) return std::nullopt;
#endif
    if (std::isnan(value)) return std::nullopt;
    return std::pair{value, length};
}

// A number at the start of `text`, taken off it: an optional sign, then a decimal number,
// "inf", "infinity" or the infinity sign.
std::optional<double> takeNumber(std::string_view& text) {
    std::string_view rest = text;
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    double magnitude = 0.0;
    if (rest.starts_with(kInfinitySign)) {
        magnitude = kInfinity;
        rest.remove_prefix(sizeof kInfinitySign - 1);
    } else {
        const auto number = readUnsignedNumber(rest);
        if (!number) return std::nullopt;
        magnitude = number->first;
        rest.remove_prefix(number->second);
    }
    text = rest;
    return negative ? -magnitude : magnitude;
}

// A number as a key in the order of the texts: a negative zero ("-0.00000" shows a number
// just below zero) sorts below zero and above every negative text.
double keyOf(double number, bool negativeSign) {
    return number == 0.0 && negativeSign ? -std::numeric_limits<double>::min() : number;
}

// The display's 8-character field without its padding.
std::string fieldText(const ParameterDisplay& display) {
    char field[kValueTextWidth + 1];
    writeDisplayField(display, kMinusInfinityText, field);
    return std::string(trimmed(field));
}

// The number the text of `value` shows, as a key that keeps the order of the texts.
double textKey(std::int32_t index, float value, float sampleRate) {
    const std::optional<ParameterDisplay> shown = display(index, value, sampleRate);
    if (!shown) return kInfinity;
    const std::string field = fieldText(*shown);
    std::string_view rest = field;
    const std::optional<double> number = takeNumber(rest);
    // " Huge!  " (and "NaN", which no value from 0 to 1 shows) has no number: above all.
    if (!number) return kInfinity;
    return keyOf(*number, field.starts_with('-'));
}

// Of the values 0 to 1, whose texts never fall as the value rises: the lowest whose text
// reaches `target`, or the one just below it when that one's text is nearer.
float nearestTextValue(std::int32_t index, double target, float sampleRate) {
    const auto key = [&](std::uint32_t bits) { return textKey(index, __builtin_bit_cast(float, bits), sampleRate); };
    std::uint32_t low = 0;
    std::uint32_t high = kBitsOfOne + 1;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (key(middle) >= target) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    if (low > kBitsOfOne) low = kBitsOfOne;
    if (low > 0 && std::fabs(key(low - 1) - target) < std::fabs(key(low) - target)) --low;
    return __builtin_bit_cast(float, low);
}

}  // namespace

int settingCount(std::int32_t index) {
    switch (index) {
        case kParameterFrequency: return kFrequencyRowCount;
        case kParameterResonance: return kResonanceSettingCount;
        case kParameterType: return kFilterTypeCount;
        case kParameterCutoff: return kMaximumSlopeStages;
        default: return 0;
    }
}

bool hasChoices(std::int32_t index) {
    return index == kParameterType || index == kParameterCutoff;
}

std::int32_t frequencyRow(float value) {
    const float row = roundToFloat(static_cast<double>(value) * static_cast<float>(kTopFrequencyRow));
    // The comparison is false for NaN, which picks the top row.
    const float limited = row <= kTopFrequencyRow ? row : static_cast<float>(kTopFrequencyRow);
    return limited < 0.0f ? 0 : static_cast<std::int32_t>(limited);
}

std::int32_t resonanceStep(float value) {
    constexpr float kSteps = static_cast<float>(CoefficientTables::kResonanceSteps);
    const float step = roundToFloat(static_cast<double>(value) * kSteps);
    const float limited = step <= kSteps ? step : kSteps;
    return limited < 0.0f ? FilterStage::kNoResonance : static_cast<std::int32_t>(limited) - 1;
}

int settingOf(std::int32_t index, float value) {
    switch (index) {
        case kParameterFrequency: return frequencyRow(value);
        case kParameterResonance: return resonanceStep(value) + 1;
        case kParameterType: return static_cast<int>(filterTypeFor(value));
        case kParameterCutoff: return static_cast<int>(slopeStagesFor(value)) - 1;
        default: return -1;
    }
}

float valueOfSetting(std::int32_t index, int setting) {
    const int count = settingCount(index);
    if (count == 0) return kNaN;
    const int kept = std::clamp(setting, 0, count - 1);
    switch (index) {
        case kParameterFrequency:
            if (kept == 0) return 0.0f;
            return kept == kTopFrequencyRow ? 1.0f : middleOfSetting(kept, kTopFrequencyRow);
        case kParameterResonance:
            // Setting s is trunc(20 v) = s, the step s - 1; the top step is reached at 1 alone.
            if (kept == 0) return 0.0f;
            return kept == kResonanceTopSetting ? 1.0f : middleOfSetting(kept, CoefficientTables::kResonanceSteps);
        case kParameterType:
            // k / 4, exact: the filter's trunc(4v + 0.5) gives k back.
            return static_cast<float>(kept) * 0.25f;
        case kParameterCutoff:
            // (s - 1) / 3 rounded to float: times 3 within 1e-7 of a whole number, so the
            // filter's 1 + trunc(3v + 0.5) gives the stage count back.
            return roundToFloat(kept / static_cast<double>(kMaximumSlopeStages - 1));
        default: return kNaN;
    }
}

float rowFrequencyHz(int row, float sampleRate) {
    const int kept = std::clamp(row, 0, kTopFrequencyRow);
    return roundToFloat(static_cast<double>(CoefficientTables::normalizedFrequencies[kept]) * sampleRate);
}

int rowForFrequency(float hertz, float sampleRate) {
    if (!(hertz > rowFrequencyHz(0, sampleRate))) return 0;
    if (hertz >= rowFrequencyHz(kTopFrequencyRow, sampleRate)) return kTopFrequencyRow;
    int upper = 1;
    while (rowFrequencyHz(upper, sampleRate) <= hertz) ++upper;
    const int lower = upper - 1;
    // Nearer in pitch: log(h / low) against log(high / h), that is h^2 against low x high.
    // Products of two floats are exact in double precision, so the middle is found exactly.
    const double square = static_cast<double>(hertz) * hertz;
    const double geometricSquare =
        static_cast<double>(rowFrequencyHz(lower, sampleRate)) * rowFrequencyHz(upper, sampleRate);
    return square > geometricSquare ? upper : lower;
}

std::optional<ParameterDisplay> display(std::int32_t index, float value, float sampleRate) {
    const ParameterInfo* info = infoOf(index);
    if (info == nullptr) return std::nullopt;
    switch (info->display) {
        case DisplayRule::TargetFrequency:
            return ParameterDisplay::ofNumber(rowFrequencyHz(frequencyRow(value), sampleRate));
        case DisplayRule::WorkingValue:
        case DisplayRule::StoredValue:
            // "Res" and "Dry/Wet" work with the value itself; "Smooth" shows the value, not
            // the samples it gives.
            return ParameterDisplay::ofNumber(value);
        case DisplayRule::TypeName:
            return ParameterDisplay::ofName(FilterStage::typeName(static_cast<std::int32_t>(filterTypeFor(value))));
        case DisplayRule::SlopePerOctave:
            return ParameterDisplay::ofInteger(
                truncateToInt32(static_cast<double>(slopeStagesFor(value)) * kDecibelsPerOctavePerStage));
        case DisplayRule::GainInDecibels: {
            const float level = outputLevelFor(value);
            if (!gainHasDecibels(level)) return ParameterDisplay::noSignal();
            return ParameterDisplay::ofNumber(gainToDecibels(level));
        }
    }
    return std::nullopt;
}

std::optional<std::string> text(std::int32_t index, float value, float sampleRate) {
    const std::optional<ParameterDisplay> shown = display(index, value, sampleRate);
    if (!shown) return std::nullopt;
    std::string result = fieldText(*shown);
    if (shown->kind != ParameterDisplay::Kind::Name) {
        result += ' ';
        result += kParameterTable[index].unitLabel;
    }
    return result;
}

std::optional<std::string> choiceLabel(std::int32_t index, int setting) {
    if (!hasChoices(index) || setting < 0 || setting >= settingCount(index)) return std::nullopt;
    // A choice's text does not depend on the sample rate.
    constexpr float kAnyRate = 44100.0f;
    return text(index, valueOfSetting(index, setting), kAnyRate);
}

float shownNumber(std::int32_t index, float value, float sampleRate) {
    const std::optional<ParameterDisplay> shown = display(index, value, sampleRate);
    if (!shown) return kNaN;
    switch (shown->kind) {
        case ParameterDisplay::Kind::Number: return shown->number;
        case ParameterDisplay::Kind::Integer: return static_cast<float>(shown->integer);
        case ParameterDisplay::Kind::NoSignal: return -kFloatInfinity;
        case ParameterDisplay::Kind::Name: return static_cast<float>(settingOf(index, value));
    }
    return kNaN;
}

float topLevelDecibels() {
    return levelDecibels(1.0f);
}

std::optional<float> valueForNumber(std::int32_t index, float number, float sampleRate) {
    if (std::isnan(number)) return std::nullopt;
    switch (index) {
        case kParameterFrequency:
            return valueOfSetting(index, rowForFrequency(number, sampleRate));
        case kParameterType:
            return valueOfSetting(index, nearestSetting(number, kFilterTypeCount));
        case kParameterCutoff:
            // The slope in dB/Oct, 12 per stage, counted in stages from the first.
            return valueOfSetting(index,
                                  nearestSetting(number / kDecibelsPerOctavePerStage - 1.0, kMaximumSlopeStages));
        case kParameterLevel:
            return levelValueForDecibels(number);
        case kParameterResonance:
        case kParameterSmoothing:
        case kParameterDryWet:
            return std::clamp(number, 0.0f, 1.0f);
        default:
            return std::nullopt;
    }
}

std::optional<float> valueForText(std::int32_t index, std::string_view typed, float sampleRate) {
    const ParameterInfo* info = infoOf(index);
    if (info == nullptr) return std::nullopt;
    std::string_view text = trimmed(typed);

    if (info->display == DisplayRule::TypeName) {
        for (int type = 0; type < kFilterTypeCount; ++type) {
            if (sameLetters(text, FilterStage::typeName(type))) return valueOfSetting(index, type);
        }
        return std::nullopt;
    }

    const bool negativeSign = text.starts_with('-');
    const std::optional<double> number = takeNumber(text);
    if (!number) return std::nullopt;
    const std::string_view unit = trimmed(text);
    double scale = 1.0;
    if (info->display == DisplayRule::TargetFrequency && sameLetters(unit, "kHz")) {
        scale = 1000.0;
    } else if (!unit.empty() && !sameLetters(unit, info->unitLabel)) {
        return std::nullopt;
    }

    switch (info->display) {
        case DisplayRule::TargetFrequency:
        case DisplayRule::SlopePerOctave:
            // A setting's text identifies it: the number selects as a control's number does,
            // rounded to float as a host's control holds it.
            return valueForNumber(index, roundToFloat(*number * scale), sampleRate);
        default:
            return nearestTextValue(index, keyOf(*number, negativeSign), sampleRate);
    }
}

}  // namespace parameter_units
