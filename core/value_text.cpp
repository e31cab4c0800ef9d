// SPDX-License-Identifier: MIT
#include "core/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/saturating_conversion.h"

namespace {

// Largest magnitudes the field admits: 8 characters hold 99999999 or -9999999.
constexpr double kLargestNonNegative = 99999999.0;
constexpr double kLargestNegativeMagnitude = 9999999.0;
// The integer part of an admitted value has at most 8 digits.
constexpr int kMaxIntegerDigits = 8;

void writeFixedText(const char (&fixed)[kValueTextWidth + 1], char* text) {
    std::memcpy(text, fixed, sizeof fixed);
}

// Digit of the lowest place of a non-negative value below 10^9.
char lowestDigit(double value) {
    // fmod of a non-negative finite value lies in [0, 10): the conversion is always defined.
    return static_cast<char>('0' + static_cast<int>(std::trunc(std::fmod(value, 10.0))));
}

}  // namespace

void writeFloatText(float value, char* text) {
    if (text == nullptr) {
        return;
    }
    const double widened = value;
    if (std::isnan(widened)) {
        writeFixedText(kNotANumberText, text);
        return;
    }
    // -0.0 is not below zero, so it shows without a sign.
    const bool negative = widened < 0.0;
    const double magnitude = std::fabs(widened);
    if (magnitude > (negative ? kLargestNegativeMagnitude : kLargestNonNegative)) {
        writeFixedText(kHugeText, text);  // infinities included
        return;
    }

    // Integer digits from the least significant one. The plain division keeps the fraction
    // below the current place, which fmod and trunc then skip.
    char integerDigits[kMaxIntegerDigits];
    int digitCount = 0;
    double rest = std::floor(magnitude);
    do {
        integerDigits[digitCount++] = lowestDigit(rest);
        rest = rest / 10.0;
    } while (rest >= 1.0 && digitCount < kMaxIntegerDigits);

    char field[kValueTextWidth + 1];
    int length = 0;
    if (negative) {
        field[length++] = '-';
    }
    for (int i = digitCount - 1; i >= 0; --i) {
        field[length++] = integerDigits[i];
    }
    // With one integer digit more than the point leaves room for (10000000 to 99999999,
    // or -1000000 to -9999999), the digits fill the field and the point is left out.
    if (length < kValueTextWidth) {
        field[length++] = '.';
    }

    const int fractionDigits = kValueTextWidth - length;
    if (fractionDigits > 0) {
        double fraction = std::fmod(magnitude, 1.0) * std::pow(10.0, fractionDigits);
        for (int i = kValueTextWidth - 1; i >= length; --i) {
            if (fraction <= 0.0) {
                field[i] = '0';
            } else {
                field[i] = lowestDigit(fraction);
                fraction = fraction / 10.0;
            }
        }
    }
    field[kValueTextWidth] = '\0';
    std::memcpy(text, field, sizeof field);
}

void writeIntegerText(std::int32_t value, char* text) {
    if (text == nullptr) {
        return;
    }
    // "%7d" gives at most 8 characters from -9999999 to 99999999; beyond either end the
    // number does not fit the field.
    constexpr std::int32_t kLargestShown = 99999999;
    constexpr std::int32_t kSmallestShown = -9999999;
    if (value > kLargestShown || value < kSmallestShown) {
        writeFixedText(kHugeText, text);
        return;
    }
    char formatted[12];
    std::snprintf(formatted, sizeof formatted, "%7d", static_cast<int>(value));
    formatted[kValueTextWidth] = '\0';
    std::memcpy(text, formatted, std::strlen(formatted) + 1);
}

bool gainHasDecibels(float gain) {
    return gain > 0.0f;
}

float gainToDecibels(float gain) {
    return roundToFloat(20.0 * std::log10(static_cast<double>(gain)));
}

float periodToHertz(float periodInSamples, float sampleRate) {
    if (periodInSamples == 0.0f) {
        return 0.0f;
    }
    return roundToFloat(static_cast<double>(sampleRate) / static_cast<double>(periodInSamples));
}

float samplesToMilliseconds(float samples, float sampleRate) {
    if (sampleRate == 0.0f && samples == 0.0f) {
        return 0.0f;
    }
    return roundToFloat(static_cast<double>(samples) * 1000.0 / static_cast<double>(sampleRate));
}
