// SPDX-License-Identifier: MIT
// The display texts, byte for byte, through the effect's text operations: at most 9 bytes
// written, digits truncated and never rounded, fixed texts exact.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "support/test_effect.h"

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr char kHuge[] = " Huge!  ";
constexpr char kNoSignal[] = {' ', ' ', ' ', '-', static_cast<char>(0xB0), ' ', ' ', ' ', '\0'};
constexpr char kGuard = 0x5A;
constexpr std::size_t kBufferSize = 16;

struct Buffer {
    Buffer() { std::memset(bytes, kGuard, sizeof bytes); }
    char bytes[kBufferSize];
};

// The text written, after checking it is terminated within 9 bytes and nothing past the
// terminator was touched.
std::string writtenText(const Buffer& buffer) {
    const void* end = std::memchr(buffer.bytes, '\0', kTextBufferSize);
    if (end == nullptr) {
        ADD_FAILURE() << "no terminator within 9 bytes";
        return {};
    }
    const std::size_t length = static_cast<const char*>(end) - buffer.bytes;
    for (std::size_t i = length + 1; i < kBufferSize; ++i) {
        EXPECT_EQ(buffer.bytes[i], kGuard) << "byte " << i << " written past the terminator";
    }
    return std::string(buffer.bytes, length);
}

struct FloatCase {
    float value;
    const char* text;
};

void PrintTo(const FloatCase& c, std::ostream* os) {
    *os << std::hexfloat << c.value << " -> \"" << c.text << "\"";
}

class FloatText : public testing::TestWithParam<FloatCase> {};

TEST_P(FloatText, WritesTheExactText) {
    TestEffect effect;
    Buffer buffer;
    effect.floatToText(GetParam().value, buffer.bytes);
    EXPECT_EQ(writtenText(buffer), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FloatText,
    testing::Values(FloatCase{0.0f, "0.000000"}, FloatCase{-0.0f, "0.000000"}, FloatCase{0.5f, "0.500000"},
                    FloatCase{0.7f, "0.699999"}, FloatCase{0.001f, "0.001000"}, FloatCase{1.0f, "1.000000"},
                    FloatCase{12.5f, "12.50000"}, FloatCase{440.0f, "440.0000"}, FloatCase{22050.0f, "22050.00"},
                    FloatCase{1234567.5f, "1234567."}, FloatCase{-0.25f, "-0.25000"}, FloatCase{-7.0f, "-7.00000"},
                    FloatCase{-123456.7f, "-123456."}, FloatCase{100000000.0f, kHuge},
                    FloatCase{-10000000.0f, kHuge}, FloatCase{0.999999f, "0.999998"},
                    FloatCase{0x1.fffffep-1f, "0.999999"},  // the largest float below 1
                    FloatCase{9.99999f, "9.999990"}, FloatCase{99999999.0f, kHuge},
                    FloatCase{5101.878f, "5101.877"}, FloatCase{1234567.0f, "1234567."},
                    FloatCase{-999999.0f, "-999999."}, FloatCase{0x1p-149f, "0.000000"},
                    FloatCase{-0x1p-149f, "-0.00000"}));

// Values whose integer part has one digit more than the point leaves room for show all
// their digits and no point; values beyond the field, infinities included, show " Huge!  ";
// a value that is not a number shows "  NaN   ".
INSTANTIATE_TEST_SUITE_P(
    Limits, FloatText,
    testing::Values(FloatCase{12345678.0f, "12345678"}, FloatCase{10000000.0f, "10000000"},
                    FloatCase{99999992.0f, "99999992"},  // the largest float below 1e8
                    FloatCase{-1234567.0f, "-1234567"}, FloatCase{-1000000.0f, "-1000000"},
                    FloatCase{-9999999.0f, "-9999999"}, FloatCase{9999999.0f, "9999999."},
                    FloatCase{kInfinity, kHuge}, FloatCase{-kInfinity, kHuge},
                    FloatCase{std::numeric_limits<float>::max(), kHuge}, FloatCase{kNaN, "  NaN   "},
                    FloatCase{-kNaN, "  NaN   "}));

// Every text is 8 characters, and read back as a number it never exceeds the value by its
// magnitude (no rounding up) nor falls short by a whole unit of its last digit.
TEST(FloatTextProperty, TruncatesTowardZeroWithinTheLastDigit) {
    const unsigned seed = 20240601;
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> exponent(-6.0, 6.9);
    std::bernoulli_distribution negative(0.5);
    TestEffect effect;
    for (int i = 0; i < 20000; ++i) {
        const float magnitude = static_cast<float>(std::pow(10.0, exponent(generator)));
        const float value = negative(generator) ? -magnitude : magnitude;
        Buffer buffer;
        effect.floatToText(value, buffer.bytes);
        const std::string text = writtenText(buffer);
        ASSERT_EQ(text.size(), 8u) << "seed " << seed << " value " << value;
        // Only an integer part one digit too long for the point leaves no point.
        const std::size_t point = text.find('.');
        const int fractionDigits = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
        const double shown = std::fabs(std::strtod(text.c_str(), nullptr));
        const double exact = std::fabs(static_cast<double>(value));
        const double lastDigit = std::pow(10.0, -fractionDigits);
        EXPECT_LE(shown, exact) << "seed " << seed << " value " << value << " text " << text;
        EXPECT_LT(exact - shown, lastDigit * (1.0 + 1e-9)) << "seed " << seed << " value " << value << " text " << text;
        EXPECT_EQ(text[0] == '-', value < 0.0f) << text;
    }
}

struct IntegerCase {
    std::int32_t value;
    const char* text;
};

class IntegerText : public testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerText, WritesTheExactText) {
    TestEffect effect;
    Buffer buffer;
    effect.integerToText(GetParam().value, buffer.bytes);
    EXPECT_EQ(writtenText(buffer), GetParam().text);
}

// Below -9999999 "%7d" needs more than 8 characters: such values show " Huge!  " like
// the ones too large at the other end.
INSTANTIATE_TEST_SUITE_P(
    Examples, IntegerText,
    testing::Values(IntegerCase{12, "     12"}, IntegerCase{0, "      0"}, IntegerCase{-5, "     -5"},
                    IntegerCase{1234567, "1234567"}, IntegerCase{99999999, "99999999"},
                    IntegerCase{100000000, kHuge}, IntegerCase{12345678, "12345678"},
                    IntegerCase{-123456, "-123456"}, IntegerCase{-9999999, "-9999999"},
                    IntegerCase{-10000000, kHuge}, IntegerCase{std::numeric_limits<std::int32_t>::max(), kHuge},
                    IntegerCase{std::numeric_limits<std::int32_t>::min(), kHuge}));

struct UnitCase {
    float value;
    float sampleRate;
    const char* text;
};

class DecibelText : public testing::TestWithParam<UnitCase> {};

TEST_P(DecibelText, WritesTheGainInDecibels) {
    TestEffect effect;
    Buffer buffer;
    effect.decibelsToText(GetParam().value, buffer.bytes);
    EXPECT_EQ(writtenText(buffer), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Gains, DecibelText,
                         testing::Values(UnitCase{1.0f, 0, "0.000000"}, UnitCase{2.0f, 0, "6.020599"},
                                         UnitCase{0.5f, 0, "-6.02059"}, UnitCase{0.1f, 0, "-20.0000"},
                                         UnitCase{0.0f, 0, kNoSignal}, UnitCase{-0.0f, 0, kNoSignal},
                                         UnitCase{-1.0f, 0, kNoSignal}, UnitCase{-kInfinity, 0, kNoSignal},
                                         UnitCase{kNaN, 0, kNoSignal}, UnitCase{kInfinity, 0, kHuge},
                                         UnitCase{10.0f, 0, "20.00000"}, UnitCase{0x1p-149f, 0, "-897.069"}));

TEST(DecibelText, NoSignalTextIsTheExactBytes) {
    TestEffect effect;
    Buffer buffer;
    effect.decibelsToText(0.0f, buffer.bytes);
    const unsigned char expected[9] = {0x20, 0x20, 0x20, 0x2D, 0xB0, 0x20, 0x20, 0x20, 0x00};
    EXPECT_EQ(std::memcmp(buffer.bytes, expected, sizeof expected), 0);
}

class HertzText : public testing::TestWithParam<UnitCase> {};

TEST_P(HertzText, WritesTheFrequencyOfThePeriod) {
    TestEffect effect;
    if (GetParam().sampleRate != 44100.0f) {
        effect.setSampleRate(GetParam().sampleRate);
    }
    Buffer buffer;
    effect.hertzToText(GetParam().value, buffer.bytes);
    EXPECT_EQ(writtenText(buffer), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Periods, HertzText,
                         testing::Values(UnitCase{100.0f, 44100.0f, "441.0000"},
                                         UnitCase{1.0f, 44100.0f, "44100.00"},
                                         UnitCase{0.0f, 44100.0f, "0.000000"},
                                         UnitCase{-0.0f, 44100.0f, "0.000000"},
                                         UnitCase{2.0f, 48000.0f, "24000.00"},
                                         UnitCase{-4.0f, 44100.0f, "-11025.0"},
                                         // 44100 / 2^-149 lies beyond the float range
                                         UnitCase{0x1p-149f, 44100.0f, kHuge},
                                         UnitCase{kNaN, 44100.0f, "  NaN   "}));

class MillisecondText : public testing::TestWithParam<UnitCase> {};

TEST_P(MillisecondText, WritesTheDurationOfTheSamples) {
    TestEffect effect;
    if (GetParam().sampleRate != 44100.0f) {
        effect.setSampleRate(GetParam().sampleRate);
    }
    Buffer buffer;
    effect.millisecondsToText(GetParam().value, buffer.bytes);
    EXPECT_EQ(writtenText(buffer), GetParam().text);
}

// At a sample rate of zero, no samples last no time and any other count lasts too long to show.
INSTANTIATE_TEST_SUITE_P(Durations, MillisecondText,
                         testing::Values(UnitCase{441.0f, 44100.0f, "10.00000"},
                                         UnitCase{44100.0f, 44100.0f, "1000.000"},
                                         UnitCase{0.0f, 44100.0f, "0.000000"},
                                         UnitCase{48.0f, 48000.0f, "1.000000"},
                                         UnitCase{0.0f, 0.0f, "0.000000"}, UnitCase{441.0f, 0.0f, kHuge},
                                         UnitCase{-441.0f, 0.0f, kHuge}));

// The unit formatters leave the digits to floatToText through the virtual table.
class OverriddenFloatText : public TestEffect {
public:
    void floatToText(float value, char* text) override {
        received = value;
        ++calls;
        std::memcpy(text, "override", 9);
    }
    float received = -1.0f;
    int calls = 0;
};

TEST(UnitText, GoesThroughTheReplaceableFloatText) {
    OverriddenFloatText effect;
    Buffer buffer;
    effect.decibelsToText(2.0f, buffer.bytes);
    EXPECT_EQ(effect.received, static_cast<float>(20.0 * std::log10(2.0)));
    effect.hertzToText(100.0f, buffer.bytes);
    EXPECT_EQ(effect.received, 441.0f);
    effect.hertzToText(0.0f, buffer.bytes);
    EXPECT_EQ(effect.received, 0.0f);
    effect.millisecondsToText(441.0f, buffer.bytes);
    EXPECT_EQ(effect.received, static_cast<float>(441.0 * 1000.0 / 44100.0));
    EXPECT_EQ(effect.calls, 4);
    EXPECT_EQ(writtenText(buffer), "override");
    // The no-signal text is the decibel formatter's own.
    effect.decibelsToText(0.0f, buffer.bytes);
    EXPECT_EQ(effect.calls, 4);
}

TEST(UnitText, NullBufferIsLeftAlone) {
    OverriddenFloatText overridden;
    TestEffect effect;
    for (float value : {0.0f, 1.0f, -1.0f, kNaN, kInfinity}) {
        effect.floatToText(value, nullptr);
        effect.decibelsToText(value, nullptr);
        effect.hertzToText(value, nullptr);
        effect.millisecondsToText(value, nullptr);
        overridden.decibelsToText(value, nullptr);
        overridden.hertzToText(value, nullptr);
        overridden.millisecondsToText(value, nullptr);
    }
    effect.integerToText(12, nullptr);
    effect.integerToText(std::numeric_limits<std::int32_t>::min(), nullptr);
    EXPECT_EQ(overridden.calls, 0);
}

}  // namespace
