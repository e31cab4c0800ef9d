// SPDX-License-Identifier: MIT
// The rules by which the tool, as an LV2 host, treats control values: ranges of lv2:sampleRate
// ports follow the rate, enumerations take their scale points, integer ports whole numbers and
// toggled ports 0 or 1; texts name scale points, on/off and numbers with the port's unit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/hosting/lv2/lv2_port_values.h"

namespace host_tool_test {
namespace {

Lv2Port enumeration() {
    Lv2Port port;
    port.kind = Lv2PortKind::Control;
    port.enumeration = true;
    port.integer = true;
    port.minimum = 12.0f;
    port.maximum = 48.0f;
    port.scalePoints = {{12.0f, "12 dB/Oct"}, {24.0f, "24 dB/Oct"}, {36.0f, "36 dB/Oct"}, {48.0f, "48 dB/Oct"}};
    return port;
}

Lv2Port hertz() {
    Lv2Port port;
    port.kind = Lv2PortKind::Control;
    port.sampleRate = true;
    port.minimum = 0.007581315f;
    port.defaultValue = 0.11568885f;
    port.maximum = 0.4209422f;
    port.unitSymbol = "Hz";
    return port;
}

TEST(HostToolLv2PortValues, SampleRatePortsFollowTheRateInFloat) {
    const Lv2Port port = hertz();
    for (const double rate : {44100.0, 48000.0, 96000.0}) {
        const ParameterRange range = portRange(port, rate);
        // The product a host forms in float, so that a row's frequency arrives as the plug-in
        // computes it.
        EXPECT_EQ(range.minimum, 0.007581315f * static_cast<float>(rate));
        EXPECT_EQ(range.maximum, 0.4209422f * static_cast<float>(rate));
        EXPECT_EQ(*range.defaultValue, 0.11568885f * static_cast<float>(rate));
        EXPECT_EQ(initialValue(port, rate), *range.defaultValue);
    }
    Lv2Port plain = hertz();
    plain.sampleRate = false;
    EXPECT_EQ(portRange(plain, 48000.0).maximum, 0.4209422f);
    // No range given: 0 to 1; no default: the minimum.
    Lv2Port bare;
    EXPECT_EQ(portRange(bare, 44100.0).minimum, 0.0f);
    EXPECT_EQ(portRange(bare, 44100.0).maximum, 1.0f);
    EXPECT_FALSE(portRange(bare, 44100.0).defaultValue);
    bare.minimum = -3.0f;
    EXPECT_EQ(initialValue(bare, 44100.0), -3.0f);
}

TEST(HostToolLv2PortValues, PropertiesDecideTheValuesSent) {
    const Lv2Port slope = enumeration();
    EXPECT_EQ(allowedValue(slope, 24.0f), 24.0f);
    EXPECT_EQ(allowedValue(slope, 29.0f), 24.0f);
    EXPECT_EQ(allowedValue(slope, 31.0f), 36.0f);
    EXPECT_EQ(allowedValue(slope, 30.0f), 24.0f) << "the lower of two as near";
    EXPECT_EQ(allowedValue(slope, 100.0f), 48.0f);
    EXPECT_EQ(allowedValue(slope, -5.0f), 12.0f);

    Lv2Port integer;
    integer.integer = true;
    EXPECT_EQ(allowedValue(integer, 2.4f), 2.0f);
    EXPECT_EQ(allowedValue(integer, -2.6f), -3.0f);
    EXPECT_EQ(allowedValue(integer, 7.0f), 7.0f);

    Lv2Port toggled;
    toggled.toggled = true;
    EXPECT_EQ(allowedValue(toggled, 0.3f), 1.0f);
    EXPECT_EQ(allowedValue(toggled, 0.0f), 0.0f);
    EXPECT_EQ(allowedValue(toggled, -1.0f), 0.0f);

    // Any other port takes every value, out of its range too.
    const Lv2Port frequency = hertz();
    EXPECT_EQ(allowedValue(frequency, 2566.25f), 2566.25f);
    EXPECT_EQ(allowedValue(frequency, -7.0f), -7.0f);
}

TEST(HostToolLv2PortValues, TextsShowAndNameValues) {
    const Lv2Port slope = enumeration();
    EXPECT_EQ(displayText(slope, 24.0f), "24 dB/Oct");
    EXPECT_EQ(unitShownFor(slope, 24.0f), "");
    EXPECT_EQ(valueForText(slope, " 36 db/oct "), 36.0f);
    EXPECT_EQ(valueForText(slope, "48"), 48.0f);
    EXPECT_FALSE(valueForText(slope, "steep"));

    Lv2Port type;
    type.scalePoints = {{0.0f, "LowPass"}, {1.0f, "HighPass"}};
    EXPECT_EQ(valueForText(type, "highpass"), 1.0f);
    EXPECT_EQ(displayText(type, 0.5f), "0.5") << "a value between the points shows the number";

    const Lv2Port frequency = hertz();
    EXPECT_EQ(displayText(frequency, 0.11568885f * 44100.0f), "5101.8784");
    EXPECT_EQ(unitShownFor(frequency, 2566.0f), "Hz");
    EXPECT_EQ(valueForText(frequency, "2565.072 Hz"), 2565.072f);
    EXPECT_EQ(valueForText(frequency, "2565.072hz"), 2565.072f);
    EXPECT_FALSE(valueForText(frequency, "2565.072 dB"));
    EXPECT_FALSE(valueForText(frequency, "1e999"));
    EXPECT_FALSE(valueForText(frequency, ""));

    Lv2Port toggled;
    toggled.toggled = true;
    EXPECT_EQ(displayText(toggled, 1.0f), "on");
    EXPECT_EQ(displayText(toggled, 0.0f), "off");
    EXPECT_EQ(valueForText(toggled, "ON"), 1.0f);
    EXPECT_EQ(valueForText(toggled, "false"), 0.0f);

    // The shortest text reads back as the very same float.
    for (const float value : {5101.8784f, 0.1f, -6.0206f, 1e-7f, 18563.55f, std::nextafter(2565.072f, 3000.0f)}) {
        EXPECT_EQ(std::strtof(shortestNumberText(value).c_str(), nullptr), value) << shortestNumberText(value);
    }
}

TEST(HostToolLv2PortValues, MetersInDecibelsBecomeLevels) {
    Lv2Port peak;
    EXPECT_EQ(meterLevel(peak, 0.5f), 0.5);
    peak.unitUri = "http://lv2plug.in/ns/extensions/units#db";
    EXPECT_NEAR(meterLevel(peak, -6.0206f), 0.5, 1e-6);
    EXPECT_EQ(meterLevel(peak, -std::numeric_limits<float>::infinity()), 0.0);
}

}  // namespace
}  // namespace host_tool_test
