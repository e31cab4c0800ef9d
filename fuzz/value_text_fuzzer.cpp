// SPDX-License-Identifier: MIT
// The value-to-text operations alone, with any float or integer, checked against their rules
// written out independently here:
// - every text is terminated within 9 bytes and nothing is written past them;
// - a number text is exactly 8 characters: an optional minus sign (never for -0.0), the
//   integer part in full, a point when it fits, and the fraction digits truncated, never
//   rounded, from the exact stored value;
// - " Huge!  " beyond 99999999 (non-negative) or -9999999 (negative), infinities included;
// - the integer text is "%7d" (7 or 8 characters) up to 99999999 and " Huge!  " above;
// - decibels of a gain that is not above zero, NaN included, is the no-signal text; hertz of a
//   zero period is "0.000000"; otherwise the unit texts show the converted number.
// The fraction check is exact: a float has at most 24 significant bits and 10^6 < 2^20, so
// its fraction times 10^n is exact in the 64-bit significand of long double.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/vst/filter_effect.h"
#include "core/value_text.h"

namespace {

constexpr std::size_t kTextSize = 9;
constexpr char kGuardByte = '\x5a';
constexpr long double kLargestNonNegative = 99999999.0L;
constexpr long double kLargestNegativeMagnitude = 9999999.0L;
constexpr char kNoSignal[] = "   -\xB0   ";

[[noreturn]] void fail(const char* what, double value, const char* text) {
    std::fprintf(stderr, "value text rule broken: %s for %a (%.9g): \"%s\"\n", what, value, value, text);
    std::abort();
}

// Calls `write` on a guarded buffer and returns the text, checked for size and terminator.
template <typename Write>
std::string guardedText(Write write, double shownValue) {
    std::array<char, 32> buffer;
    buffer.fill(kGuardByte);
    write(buffer.data());
    for (std::size_t i = kTextSize; i < buffer.size(); ++i) {
        if (buffer[i] != kGuardByte) fail("written past 9 bytes", shownValue, "");
    }
    if (std::memchr(buffer.data(), 0, kTextSize) == nullptr) fail("unterminated", shownValue, "");
    return std::string(buffer.data());
}

// The text the rules give for `value`; empty where the rules leave the text to the
// implementation (an integer part one digit too long for the field).
std::string expectedFloatText(float value) {
    if (std::isnan(value)) return std::string(kNotANumberText);
    const bool negative = value < 0.0f;
    const long double magnitude = std::fabs(static_cast<long double>(value));
    if (magnitude > (negative ? kLargestNegativeMagnitude : kLargestNonNegative)) return " Huge!  ";
    const long double whole = std::floor(magnitude);
    std::string text = (negative ? "-" : "") + std::to_string(static_cast<unsigned long long>(whole));
    if (text.size() > 7) return "";
    text += '.';
    const int fractionDigits = 8 - static_cast<int>(text.size());
    if (fractionDigits > 0) {
        long double scale = 1.0L;
        for (int i = 0; i < fractionDigits; ++i) scale *= 10.0L;
        const auto digits = static_cast<unsigned long long>(std::floor((magnitude - whole) * scale));
        char fraction[16];
        std::snprintf(fraction, sizeof fraction, "%0*llu", fractionDigits, digits);
        text += fraction;
    }
    return text;
}

bool looksLikeNumberText(const std::string& text) {
    if (text.size() != 8) return false;
    return text.find_first_not_of("-0123456789.") == std::string::npos;
}

void checkFloatText(float value, const std::string& text) {
    const std::string expected = expectedFloatText(value);
    if (expected.empty()) {
        if (!looksLikeNumberText(text)) fail("not an 8-character number", value, text.c_str());
        return;
    }
    if (text != expected) {
        std::fprintf(stderr, "expected \"%s\"\n", expected.c_str());
        fail("float text differs from the rule", value, text.c_str());
    }
}

// A converted value is rounded to float once; an independent evaluation of the conversion
// may land one float away, so the text may be that of either neighbour.
void checkConvertedText(long double exact, const std::string& text, float shownValue) {
    float nearest;
    if (std::isnan(exact)) {
        nearest = NAN;
    } else if (std::fabs(exact) > static_cast<long double>(FLT_MAX)) {
        nearest = exact > 0 ? INFINITY : -INFINITY;
    } else {
        nearest = static_cast<float>(exact);
    }
    for (float candidate : {nearest, std::nextafter(nearest, -INFINITY), std::nextafter(nearest, INFINITY)}) {
        const std::string expected = expectedFloatText(candidate);
        if (expected.empty() ? looksLikeNumberText(text) : text == expected) return;
    }
    std::fprintf(stderr, "expected about \"%s\" (%.12Lg)\n", expectedFloatText(nearest).c_str(), exact);
    fail("converted text differs from the rule", shownValue, text.c_str());
}

float floatFrom(FuzzedDataProvider& data) {
    const std::uint32_t bits = data.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

EffectBase& formattingEffect() {
    // One effect serves every input; the unit formatters read its sample rate.
    static EffectBase* effect = createFilterEffect(nullptr);
    return *effect;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const int operation = data.ConsumeIntegralInRange<int>(0, 5);
    switch (operation) {
    case 0: {
        const float value = floatFrom(data);
        checkFloatText(value, guardedText([&](char* text) { writeFloatText(value, text); }, value));
        break;
    }
    case 1: {
        const std::int32_t value = data.ConsumeIntegral<std::int32_t>();
        const std::string text = guardedText([&](char* t) { writeIntegerText(value, t); }, value);
        if (value > 99999999) {
            if (text != " Huge!  ") fail("integer above the field is not Huge", value, text.c_str());
        } else if (value >= -9999999) {
            char expected[16];
            std::snprintf(expected, sizeof expected, "%7d", static_cast<int>(value));
            if (text != expected) fail("integer text is not %7d", value, text.c_str());
        } else if (text.size() > 8 || text.empty()) {
            fail("integer text longer than the field", value, text.c_str());
        }
        break;
    }
    case 2: {
        const float gain = floatFrom(data);
        const std::string text = guardedText([&](char* t) { formattingEffect().decibelsToText(gain, t); }, gain);
        if (!(gain > 0.0f)) {
            if (text != kNoSignal) fail("no gain is not the no-signal text", gain, text.c_str());
        } else {
            checkConvertedText(20.0L * std::log10(static_cast<long double>(gain)), text, gain);
        }
        break;
    }
    case 3: {
        const float rate = floatFrom(data);
        const float period = floatFrom(data);
        formattingEffect().setSampleRate(rate);
        const std::string text = guardedText([&](char* t) { formattingEffect().hertzToText(period, t); }, period);
        if (period == 0.0f) {
            if (text != "0.000000") fail("a zero period is not 0", period, text.c_str());
        } else {
            checkConvertedText(static_cast<long double>(rate) / period, text, period);
        }
        break;
    }
    case 4: {
        const float rate = floatFrom(data);
        const float samples = floatFrom(data);
        formattingEffect().setSampleRate(rate);
        const std::string text =
            guardedText([&](char* t) { formattingEffect().millisecondsToText(samples, t); }, samples);
        if (rate != 0.0f) {
            checkConvertedText(static_cast<long double>(samples) * 1000.0L / rate, text, samples);
        } else if (text.size() != 8) {
            fail("milliseconds at rate 0 is not 8 characters", samples, text.c_str());
        }
        break;
    }
    default: {
        const float value = floatFrom(data);
        checkFloatText(value, guardedText([&](char* t) { formattingEffect().floatToText(value, t); }, value));
        break;
    }
    }
    return 0;
}
