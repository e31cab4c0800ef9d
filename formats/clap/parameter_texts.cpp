// SPDX-License-Identifier: MIT
#include "formats/clap/parameter_texts.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/coefficient_tables.h"
#include "core/parameter_rules.h"
#include "core/value_text.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr char kInfinitySign[] = "\xE2\x88\x9E";  // U+221E in UTF-8
constexpr std::uint32_t kBitsOfOne = 0x3F800000u;  // 1.0f; the bit patterns of 0 to 1 rise with the value
constexpr int kTopRow = CoefficientTables::kFrequencyCount - 1;

// The value standing for each setting of a stepped parameter. A frequency row r holds the
// values whose 79-fold product truncates to r: the middle, (r + 0.5)/79, is as far from
// both neighbours as a value can be; the top row is reached at 1 alone.
float rowValue(std::uint32_t row) {
    return row == kTopRow ? 1.0f : static_cast<float>((row + 0.5) / kTopRow);
}
float typeValue(int type) {
    return static_cast<float>(type) / static_cast<float>(kFilterTypeCount - 1);
}
float slopeValue(std::uint32_t stages) {
    return static_cast<float>((stages - 1.0) / (kMaximumSlopeStages - 1));
}

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

// A number at the start of `text`, taken off it: an optional sign, then a decimal number
// (the C locale's form, exponent allowed), "inf", "infinity" or the infinity sign.
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
        if (rest.empty() || rest.front() == '+' || rest.front() == '-') return std::nullopt;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude);
        if (error != std::errc{} || std::isnan(magnitude)) return std::nullopt;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    }
    text = rest;
    return negative ? -magnitude : magnitude;
}

// A number as a key in the order of the texts: a negative zero ("-0.00000" shows a number
// just below zero) sorts below zero and above every negative text.
double keyOf(double number, bool negativeSign) {
    return number == 0.0 && negativeSign ? -std::numeric_limits<double>::min() : number;
}

double linearDistance(double a, double b) {
    return std::fabs(a - b);
}
double ratioDistance(double a, double b) {
    return std::fabs(std::log(a / b));
}

// Over positions 0 to count - 1 whose keys never fall as the position rises: the lowest
// position whose key reaches `target`, or the one below it when that key is nearer.
template <typename Key, typename Distance>
std::uint32_t nearestPosition(std::uint32_t count, double target, Key key, Distance distance) {
    std::uint32_t low = 0;
    std::uint32_t high = count;
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (key(middle) >= target) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    if (low == count) return count - 1;
    if (low == 0) return 0;
    return distance(key(low - 1), target) < distance(key(low), target) ? low - 1 : low;
}

// The display's 8-character field without its padding.
std::string fieldText(const ParameterDisplay& display) {
    char field[kValueTextWidth + 1];
    writeDisplayField(display, kMinusInfinityText, field);
    return std::string(trimmed(field));
}

}  // namespace

std::optional<ParameterDisplay> ParameterTexts::displayOf(std::int32_t index, float value, float sampleRate) {
    displays_.setParameter(index, value);
    return displays_.display(index, sampleRate);
}

std::optional<std::string> ParameterTexts::text(std::int32_t index, float value, float sampleRate) {
    if (!isParameterIndex(index)) return std::nullopt;
    const std::optional<ParameterDisplay> display = displayOf(index, value, sampleRate);
    if (!display) return std::nullopt;
    std::string text = fieldText(*display);
    if (display->kind != ParameterDisplay::Kind::Name) {
        text += ' ';
        text += kParameterTable[index].unitLabel;
    }
    return text;
}

double ParameterTexts::shownNumber(std::int32_t index, float value, float sampleRate) {
    const std::optional<ParameterDisplay> display = displayOf(index, value, sampleRate);
    if (!display) return kInfinity;
    const std::string field = fieldText(*display);
    std::string_view rest = field;
    const std::optional<double> number = takeNumber(rest);
    // " Huge!  " (and a NaN, which no value from 0 to 1 displays) shows no number: above all.
    if (!number) return kInfinity;
    return keyOf(*number, field.starts_with('-'));
}

std::optional<float> ParameterTexts::value(std::int32_t index, std::string_view typed, float sampleRate) {
    if (!isParameterIndex(index)) return std::nullopt;
    const ParameterInfo& info = kParameterTable[index];
    std::string_view text = trimmed(typed);

    if (info.display == DisplayRule::TypeName) {
        for (int type = 0; type < kFilterTypeCount; ++type) {
            if (sameLetters(text, FilterStage::typeName(type))) return typeValue(type);
        }
        return std::nullopt;
    }

    const bool negativeSign = text.starts_with('-');
    const std::optional<double> number = takeNumber(text);
    if (!number) return std::nullopt;
    const std::string_view unit = trimmed(text);
    double scale = 1.0;
    if (info.display == DisplayRule::TargetFrequency && sameLetters(unit, "kHz")) {
        scale = 1000.0;
    } else if (!unit.empty() && !sameLetters(unit, info.unitLabel)) {
        return std::nullopt;
    }
    const double target = keyOf(*number * scale, negativeSign);

    switch (info.display) {
        case DisplayRule::TargetFrequency: {
            const auto key = [&](std::uint32_t row) { return shownNumber(index, rowValue(row), sampleRate); };
            return rowValue(nearestPosition(kTopRow + 1, target, key, ratioDistance));
        }
        case DisplayRule::SlopePerOctave: {
            const auto key = [&](std::uint32_t position) {
                return shownNumber(index, slopeValue(position + 1), sampleRate);
            };
            return slopeValue(nearestPosition(kMaximumSlopeStages, target, key, linearDistance) + 1);
        }
        default: {
            const auto key = [&](std::uint32_t bits) {
                return shownNumber(index, std::bit_cast<float>(bits), sampleRate);
            };
            return std::bit_cast<float>(nearestPosition(kBitsOfOne + 1, target, key, linearDistance));
        }
    }
}
