// SPDX-License-Identifier: MIT
// The params extension: the seven parameters' info from the parameter table, "Type" and
// "Cutoff" as enumerations, the bypass, the core's display texts with units in UTF-8, and
// typed texts back to values, so that every text the plug-in shows comes back as a value
// showing that same text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/parameter_table.h"
#include "core/parameter_units.h"
#include "tests/clap/clap_host.h"

namespace {

using namespace clap_testing;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

class ClapParams : public testing::Test {
protected:
    ClapModule module{BRAMSOLIKET_CLAP_MODULE_PATH};
    TestHost host;
    PluginInstance instance{module, host};
};

TEST_F(ClapParams, InfoComesFromTheParameterTableAndTheChoicesAreEnumerations) {
    ASSERT_EQ(instance.params->count(instance.plugin), 8u);
    // Freq, Res, Smooth, Dry/Wet, Level: 0 to 1; Type and Cutoff: their settings; Bypass.
    struct Expected {
        std::uint32_t flags;
        double maximum, defaultValue;
        const char* name;
    };
    constexpr std::uint32_t kChoice = kClapParamIsAutomatable | kClapParamIsStepped | kClapParamIsEnum;
    const Expected expected[8] = {
        {kClapParamIsAutomatable, 1.0, 0.5, "Freq"},    {kClapParamIsAutomatable, 1.0, 0.0, "Res"},
        {kClapParamIsAutomatable, 1.0, 0.1f, "Smooth"}, {kChoice, 4.0, 0.0, "Type"},
        {kChoice, 3.0, 0.0, "Cutoff"},                  {kClapParamIsAutomatable, 1.0, 1.0, "Dry/Wet"},
        {kClapParamIsAutomatable, 1.0, 0.5, "Level"},
        {kClapParamIsAutomatable | kClapParamIsStepped | kClapParamIsBypass, 1.0, 0.0, "Bypass"},
    };
    for (std::uint32_t index = 0; index < 8; ++index) {
        clap_param_info info;
        std::memset(&info, 0x5a, sizeof info);
        ASSERT_TRUE(instance.params->get_info(instance.plugin, index, &info));
        EXPECT_EQ(info.id, index);
        EXPECT_EQ(info.flags, expected[index].flags) << index;
        EXPECT_STREQ(info.name, expected[index].name);
        EXPECT_STREQ(info.module, "");
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, expected[index].maximum);
        EXPECT_EQ(info.default_value, expected[index].defaultValue);
        EXPECT_EQ(instance.value(index), expected[index].defaultValue);
        if (index < 7) {
            EXPECT_STREQ(info.name, kParameterTable[index].name);
        }
    }
    clap_param_info info;
    EXPECT_FALSE(instance.params->get_info(instance.plugin, 8, &info));
    EXPECT_FALSE(instance.params->get_info(instance.plugin, 0, nullptr));
    double value = 0.0;
    EXPECT_FALSE(instance.params->get_value(instance.plugin, 8, &value));
    EXPECT_FALSE(instance.params->get_value(instance.plugin, 0, nullptr));
}

// Values between the steps of a stepped parameter take the nearer step, the lower at the
// exact middle; beyond the range its ends.
TEST_F(ClapParams, SteppedValuesTakeTheNearestStep) {
    const std::pair<double, double> typeValues[] = {{1.4, 1.0}, {1.5, 1.0}, {1.6, 2.0}, {-3.0, 0.0}, {9.0, 4.0},
                                                    {kInfinity, 4.0}};
    for (const auto& [sent, read] : typeValues) {
        EventList events;
        events.add(0, 3, sent);
        instance.flush(events);
        EXPECT_EQ(instance.value(3), read) << sent;
    }
    EventList events;
    events.add(0, 4, 2.5);
    events.add(0, 7, 0.5);
    instance.flush(events);
    EXPECT_EQ(instance.value(4), 2.0);
    EXPECT_EQ(instance.value(7), 0.0);
    events.clear();
    events.add(0, 7, 0.75);
    instance.flush(events);
    EXPECT_EQ(instance.value(7), 1.0);
}

// The display texts the VST build shows in its 8-character fields, with their units.
TEST_F(ClapParams, ValueTextsAreTheCoreDisplaysWithUnits) {
    struct Shown {
        clap_id id;
        double value;
        const char* text;
    };
    const Shown shown[] = {
        {0, 0.5, "5101.878 Hz"},  {0, 0.0, "334.3359 Hz"},     {0, 0.25, "2077.232 Hz"},
        {0, 1.0, "18563.55 Hz"},  {0, 1.5, "18563.55 Hz"},     {1, 0.5, "0.500000 amount"},
        {2, 0.1, "0.100000 amount"}, {3, 0.0, "LowPass"},      {3, 1.0, "HighPass"},
        {3, 2.0, "BandPass"},     {3, 3.0, "Resonant"},        {3, 4.0, "Thru"},
        {4, 0.0, "12 dB/Oct"},    {4, 2.0, "36 dB/Oct"},       {4, 3.0, "48 dB/Oct"},
        {4, 0.4, "12 dB/Oct"},    {7, 0.0, "Off"},             {7, 1.0, "On"},
        {5, 0.7, "0.699999 mix"}, {6, 0.5, "0.000000 dB"},     {6, 1.0, "6.020599 dB"},
        {6, 0.25, "-6.02059 dB"}, {6, 0.05, "-20.0000 dB"},    {6, 0.0, "-\xE2\x88\x9E dB"},
        {6, -kInfinity, "-\xE2\x88\x9E dB"},
    };
    for (const Shown& s : shown) EXPECT_EQ(instance.text(s.id, s.value), s.text) << s.id << " at " << s.value;
    // The frequency's text follows the sample rate of the last activation.
    ASSERT_TRUE(instance.activate(48000.0));
    EXPECT_EQ(instance.text(0, 0.5), "5553.064 Hz");
    EXPECT_EQ(instance.text(0, 1.0), "20205.22 Hz");

    EXPECT_EQ(instance.text(0, kNaN), "<refused>");
    EXPECT_EQ(instance.text(8, 0.5), "<refused>");
    // A buffer too small for the whole text gets an empty one and nothing past its end.
    char buffer[16];
    std::memset(buffer, 0x7e, sizeof buffer);
    EXPECT_FALSE(instance.params->value_to_text(instance.plugin, 6, 0.5, buffer, 11));
    EXPECT_EQ(buffer[0], '\0');
    for (std::size_t i = 1; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '\x7e') << i;
    ASSERT_TRUE(instance.params->value_to_text(instance.plugin, 6, 0.5, buffer, 12));
    EXPECT_STREQ(buffer, "0.000000 dB");
    EXPECT_FALSE(instance.params->value_to_text(instance.plugin, 6, 0.5, nullptr, 12));
}

TEST_F(ClapParams, EveryShownTextComesBackAsAValueWithThatText) {
    // Values all over each parameter's range, its ends and its smallest value.
    std::vector<double> shares = {0.0, 1.0, 1e-45, std::nextafter(1.0f, 0.0f), 0.5, 1.0 / 6.0, 0.5 / 79.0};
    for (int i = 0; i <= 300; ++i) shares.push_back(i / 300.0);
    for (const double rate : {44100.0, 96000.0}) {
        if (rate != 44100.0) {
            ASSERT_TRUE(instance.activate(rate));
        }
        for (clap_id id = 0; id < 8; ++id) {
            clap_param_info info;
            ASSERT_TRUE(instance.params->get_info(instance.plugin, id, &info));
            for (const double share : shares) {
                const double value = share * info.max_value;
                const std::string text = instance.text(id, value);
                const std::optional<double> typed = instance.valueOf(id, text);
                ASSERT_TRUE(typed.has_value()) << id << ": " << text;
                ASSERT_GE(*typed, info.min_value);
                ASSERT_LE(*typed, info.max_value);
                ASSERT_EQ(*typed, static_cast<float>(*typed)) << "a value the host can hand back exactly";
                if ((info.flags & kClapParamIsStepped) != 0) {
                    ASSERT_EQ(*typed, std::floor(*typed)) << "a step";
                }
                ASSERT_EQ(instance.text(id, *typed), text) << id << " from " << value << " at " << rate;
            }
        }
    }
}

// The same hertz selects the same row here as in the LV2 plug-in: the row nearest in pitch.
TEST_F(ClapParams, TypedHertzSelectTheRowNearestInPitch) {
    // Between rows 17 and 18 at 44.1 kHz: nearer row 17 in hertz, row 18 in pitch.
    EXPECT_EQ(parameter_units::settingOf(kParameterFrequency, static_cast<float>(*instance.valueOf(0, "1906.7"))), 18);
    for (const double rate : {44100.0, 48000.0, 96000.0}) {
        if (rate != 44100.0) {
            ASSERT_TRUE(instance.activate(rate));
        }
        for (int row = 0; row < 80; ++row) {
            const float hertz = parameter_units::rowFrequencyHz(row, static_cast<float>(rate));
            const std::optional<double> value = instance.valueOf(0, std::to_string(hertz));
            ASSERT_TRUE(value.has_value());
            ASSERT_EQ(parameter_units::settingOf(kParameterFrequency, static_cast<float>(*value)), row)
                << hertz << " Hz at " << rate;
        }
        if (instance.active()) instance.deactivate();
    }
}

TEST_F(ClapParams, TypedTexts) {
    struct Typed {
        clap_id id;
        const char* typed;
        const char* shown;
    };
    const Typed accepted[] = {
        {0, "5101.878", "5101.878 Hz"}, {0, " 5101.878hz ", "5101.878 Hz"}, {0, "5.1 kHz", "5101.878 Hz"},
        {0, "5000", "4911.119 Hz"},     {0, "0", "334.3359 Hz"},            {0, "1e9", "18563.55 Hz"},
        {0, "5006", "5101.878 Hz"},  // above the rows' geometric mean, below their arithmetic one
        {0, "inf Hz", "18563.55 Hz"},   {1, "+0.5", "0.500000 amount"},     {2, "0.25 AMOUNT", "0.250000 amount"},
        {3, "highpass", "HighPass"},    {3, " THRU", "Thru"},               {4, "24 dB/Oct", "24 dB/Oct"},
        {4, "24", "24 dB/Oct"},         {4, "29", "24 dB/Oct"},             {4, "1000", "48 dB/Oct"},
        {7, "on", "On"},                {7, "Off ", "Off"},
        {5, "0.7 mix", "0.700000 mix"}, {5, "2", "1.000000 mix"},           {5, "-1", "0.000000 mix"},
        {6, "0 dB", "0.000000 dB"},     {6, "-inf", "-\xE2\x88\x9E dB"},    {6, "-\xE2\x88\x9E dB", "-\xE2\x88\x9E dB"},
        {6, "-20", "-20.0000 dB"},      {6, "100 dB", "6.020599 dB"},
    };
    for (const Typed& t : accepted) {
        const std::optional<double> value = instance.valueOf(t.id, t.typed);
        ASSERT_TRUE(value.has_value()) << t.typed;
        EXPECT_EQ(instance.text(t.id, *value), t.shown) << t.typed;
    }
    EXPECT_EQ(instance.valueOf(6, "0 dB"), 0.5);
    EXPECT_EQ(instance.valueOf(3, "LowPass"), 0.0);
    EXPECT_EQ(instance.valueOf(3, "Resonant"), 3.0);
    EXPECT_EQ(instance.valueOf(4, "12"), 0.0);
    EXPECT_EQ(instance.valueOf(4, "36 dB/Oct"), 2.0);
    EXPECT_EQ(instance.valueOf(7, "On"), 1.0);

    const std::pair<clap_id, const char*> refused[] = {{0, "12 dB"},  {6, "abc"},  {6, ""},           {6, "nan"},
                                                       {3, "LowPas"}, {3, "0"},    {1, "0,5"},        {6, "--3"},
                                                       {6, "3 dB extra"}, {4, "dB/Oct"}, {0, "5 kHzz"},
                                                       {7, "1"},          {7, "bypassed"}};
    for (const auto& [id, typed] : refused) EXPECT_FALSE(instance.valueOf(id, typed).has_value()) << typed;
    double value = 0.0;
    EXPECT_FALSE(instance.params->text_to_value(instance.plugin, 8, "0.5", &value));
    EXPECT_FALSE(instance.params->text_to_value(instance.plugin, 1, nullptr, &value));
    EXPECT_FALSE(instance.params->text_to_value(instance.plugin, 1, "0.5", nullptr));
}

}  // namespace
