// SPDX-License-Identifier: MIT
// The format-free processor: its display values, which every format encodes its own way, the
// parameter table's defaults as a fresh processor holds them, and the per-call peak.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/filter_processor.h"
#include "core/value_text.h"

namespace {

using Kind = ParameterDisplay::Kind;

std::string field(const ParameterDisplay& display) {
    char text[16];
    std::memset(text, 0x5a, sizeof text);
    writeDisplayField(display, "<none>", text);
    return text;
}

TEST(FilterProcessor, FreshProcessorHoldsTheTableDefaults) {
    FilterProcessor processor;
    for (const ParameterInfo& info : kParameterTable) {
        EXPECT_EQ(processor.getParameter(info.index), info.defaultValue) << info.name;
    }
    EXPECT_EQ(processor.getParameter(kParameterCount), 0.0f);
    EXPECT_EQ(processor.getParameter(-1), 0.0f);
    EXPECT_EQ(processor.currentProgram(), 0);
    char name[FilterProgram::kNameSize];
    processor.getProgramName(name);
    EXPECT_STREQ(name, "Init");
}

// Each display rule gives its kind of value; the field texts are the 8-character ones.
TEST(FilterProcessor, DisplaysAreValuesOfTheirKind) {
    FilterProcessor processor;
    struct Expected {
        ParameterIndex index;
        Kind kind;
        std::string text;
    };
    const Expected fresh[] = {
        {kParameterFrequency, Kind::Number, "5101.878"}, {kParameterResonance, Kind::Number, "0.000000"},
        {kParameterSmoothing, Kind::Number, "0.100000"}, {kParameterType, Kind::Name, "LowPass"},
        {kParameterCutoff, Kind::Integer, "     12"},    {kParameterDryWet, Kind::Number, "1.000000"},
        {kParameterLevel, Kind::Number, "0.000000"},
    };
    for (const Expected& e : fresh) {
        const auto display = processor.display(e.index, 44100.0f);
        ASSERT_TRUE(display.has_value()) << e.index;
        EXPECT_EQ(display->kind, e.kind) << e.index;
        EXPECT_EQ(field(*display), e.text) << e.index;
    }
    EXPECT_FALSE(processor.display(kParameterCount, 44100.0f).has_value());
    EXPECT_FALSE(processor.display(-1, 44100.0f).has_value());

    // The frequency follows the rate it is asked at; no gain has no decibel value.
    EXPECT_EQ(field(*processor.display(kParameterFrequency, 48000.0f)), "5553.064");
    processor.setParameter(kParameterLevel, 0.0f);
    EXPECT_EQ(processor.display(kParameterLevel, 44100.0f)->kind, Kind::NoSignal);
    EXPECT_EQ(field(*processor.display(kParameterLevel, 44100.0f)), "<none>");
    processor.setParameter(kParameterCutoff, 1.0f);
    EXPECT_EQ(processor.display(kParameterCutoff, 44100.0f)->integer, 48);
    processor.setParameter(kParameterType, 0.7f);
    EXPECT_STREQ(processor.display(kParameterType, 44100.0f)->name, "Resonant");
}

TEST(FilterProcessor, PeakIsTheHighestSignedFilteredSampleOfTheCall) {
    FilterProcessor processor;
    processor.setParameter(kParameterType, 1.0f);  // "Thru": the output is the input
    const std::vector<float> input = {0.25f, -0.9f, 0.5f, -0.1f};
    std::vector<float> left(input.size(), 7.0f), right(input.size(), 7.0f);
    EXPECT_EQ(processor.process(input.data(), left.data(), right.data(), 4, OutputMode::Replace), 0.5f);
    EXPECT_EQ(left, input);
    EXPECT_EQ(right, input);
    EXPECT_EQ(processor.process(input.data(), left.data(), right.data(), 4, OutputMode::Accumulate), 0.5f);
    EXPECT_EQ(left[1], -1.8f);

    const std::vector<float> negative = {-0.5f, -0.25f};
    EXPECT_EQ(processor.process(negative.data(), left.data(), right.data(), 2, OutputMode::Replace), -0.25f);
    // No frames: minus infinity, and nothing is touched.
    EXPECT_EQ(processor.process(nullptr, nullptr, nullptr, 0, OutputMode::Replace),
              -std::numeric_limits<float>::infinity());
    EXPECT_EQ(processor.process(nullptr, nullptr, nullptr, -5, OutputMode::Accumulate),
              -std::numeric_limits<float>::infinity());
}

}  // namespace
