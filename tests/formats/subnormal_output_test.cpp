// SPDX-License-Identifier: MIT
// No subnormal number leaves either plug-in: the dry path and the "Thru" type carry a
// subnormal input sample through the filter unchanged, and the plug-ins flush it to zero at
// the output. Every other sample is the filter's own, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "formats/plugin_formats.h"

namespace format_testing {
namespace {

bool isSubnormal(float value) { return std::fpclassify(value) == FP_SUBNORMAL; }

class SubnormalOutput : public testing::TestWithParam<std::shared_ptr<const PluginFormat>> {};

TEST_P(SubnormalOutput, BecomesZeroOfItsSignAndNothingElseChanges) {
    // Subnormals of both signs and every size, among normal samples and zeros.
    std::vector<float> input;
    for (int i = 0; i < 3000; ++i) {
        const float tiny = std::numeric_limits<float>::denorm_min() * static_cast<float>(1 + i * 2791 % 8388607);
        input.push_back(i % 2 == 0 ? tiny : -tiny);
        input.push_back(i % 7 == 0 ? 0.25f : (i % 5 == 0 ? -0.0f : std::numeric_limits<float>::min()));
    }
    Rendering thru;
    thru.settings = {{kParameterType, 1.0f}};
    Rendering dryOnly;
    dryOnly.settings = {{kParameterDryWet, 0.0f}, {kParameterResonance, 0.7f}};
    for (const Rendering& rendering : {thru, dryOnly}) {
        const std::vector<float> filter = coreRender(input, rendering);
        const Output output = GetParam()->render(input, rendering);
        std::size_t flushed = 0;
        for (std::size_t i = 0; i < input.size(); ++i) {
            ASSERT_FALSE(isSubnormal(output.left[i]) || isSubnormal(output.right[i])) << "sample " << i;
            const float expected = isSubnormal(filter[i]) ? std::copysign(0.0f, filter[i]) : filter[i];
            flushed += isSubnormal(filter[i]);
            ASSERT_EQ(std::memcmp(&output.left[i], &expected, sizeof expected), 0)
                << "sample " << i << ": " << output.left[i] << " for " << filter[i] << " from " << input[i];
            ASSERT_EQ(std::memcmp(&output.right[i], &expected, sizeof expected), 0) << "sample " << i;
        }
        EXPECT_GE(flushed, 3000u) << "the filter itself passes the subnormals on";
    }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, SubnormalOutput, testing::Values(lv2Format(), clapFormat()),
                         [](const auto& info) { return info.param->name(); });

}  // namespace
}  // namespace format_testing
