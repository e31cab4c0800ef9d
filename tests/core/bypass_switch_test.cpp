// SPDX-License-Identifier: MIT
// The bypass switch on its own, as a stereo plug-in would use it too: each output blends with
// its own input, a switch back during a fade turns it around where it stands, and the filter
// runs over every frame once, in order, whether the switch touches the outputs or not.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/bypass_switch.h"

namespace {

// Two input channels (1 and 2) through a "filter" that writes -1 and -2, in host blocks.
struct StereoHost {
    std::vector<float> inLeft = std::vector<float>(1000, 1.0f), inRight = std::vector<float>(1000, 2.0f);
    std::vector<float> left = std::vector<float>(1000), right = std::vector<float>(1000);
    std::uint32_t position = 0;  // the next frame the filter must get

    void block(BypassSwitch& bypass, std::uint32_t frames) {
        const std::uint32_t at = position;
        const float* inputs[] = {inLeft.data() + at, inRight.data() + at};
        float* outputs[] = {left.data() + at, right.data() + at};
        bypass.process(inputs, 2, outputs, 2, frames, [&](std::uint32_t first, std::uint32_t count) {
            ASSERT_EQ(at + first, position) << "the filter runs over every frame once, in order";
            for (std::uint32_t i = at + first; i < at + first + count; ++i) {
                left[i] = -1.0f;
                right[i] = -2.0f;
            }
            position += count;
        });
    }
};

TEST(BypassSwitch, EachOutputFadesToItsOwnInputAndBackFromWhereItStands) {
    BypassSwitch bypass;
    bypass.prepare(10000.0);  // 100 frames of fade
    ASSERT_EQ(bypass.fadeFrames(), 100u);
    EXPECT_TRUE(bypass.untouched());
    StereoHost host;
    host.block(bypass, 300);
    EXPECT_EQ(host.left[299], -1.0f);
    bypass.setBypassed(true);
    EXPECT_FALSE(bypass.untouched());
    host.block(bypass, 40);
    // 40 frames into the fade: 40 % of the way to each channel's own input.
    EXPECT_FLOAT_EQ(host.left[339], -1.0f + 0.4f * 2.0f);
    EXPECT_FLOAT_EQ(host.right[339], -2.0f + 0.4f * 4.0f);
    bypass.setBypassed(false);
    host.block(bypass, 660);
    EXPECT_EQ(host.position, 1000u);
    // Back from 40 % in 40 frames, then the filter's output untouched.
    EXPECT_FLOAT_EQ(host.left[340], -1.0f + 0.39f * 2.0f);
    EXPECT_EQ(host.left[379], -1.0f);
    EXPECT_EQ(host.right[379], -2.0f);
    EXPECT_TRUE(bypass.untouched());
    for (std::size_t i = 301; i < 380; ++i) {
        EXPECT_LE(std::fabs(host.left[i] - host.left[i - 1]), 2.0f / 100 + 1e-6f) << i;
    }
}

TEST(BypassSwitch, OneInputFeedsEveryOutputAndSettleEndsAFade) {
    BypassSwitch bypass;
    bypass.prepare(44100.0);
    EXPECT_EQ(bypass.fadeFrames(), 441u);
    bypass.setBypassed(true);
    bypass.settle();
    std::vector<float> input(700), left(700), right(700);
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(i) * 0.001f;
    const float* inputs[] = {input.data()};
    float* outputs[] = {left.data(), right.data()};
    std::uint32_t filtered = 0;
    bypass.process(inputs, 1, outputs, 2, 700, [&](std::uint32_t, std::uint32_t count) {
        EXPECT_LE(count, BypassSwitch::kChunkFrames);
        filtered += count;
    });
    EXPECT_EQ(filtered, 700u);
    EXPECT_EQ(left, input);
    EXPECT_EQ(right, input);
    // Rates without a fade of at least one frame fade in one.
    bypass.prepare(0.0);
    EXPECT_EQ(bypass.fadeFrames(), 1u);
    bypass.prepare(std::nan(""));
    EXPECT_EQ(bypass.fadeFrames(), 1u);
}

}  // namespace
