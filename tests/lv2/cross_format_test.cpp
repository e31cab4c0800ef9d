// SPDX-License-Identifier: MIT
// The cross-format session through the LV2 module equals the VST module's render bit for
// bit: its settings typed in as the VST build shows them, at both common rates and for
// several sessions, and whichever output buffers the host makes the input's.
#include <gtest/gtest.h>

#include "lv2/lv2_session.h"
#include "support/scripted_session.h"

namespace {

using lv2_testing::Buffers;
using testing_support::crossFormatSession;
using testing_support::firstDifference;
using testing_support::renderThroughVstModule;

TEST(CrossFormatSession, Lv2RenderEqualsTheVstModule) {
    for (const float rate : {44100.0f, 48000.0f}) {
        for (const std::uint32_t seed : {2024u, 1u, 77u}) {
            const auto session = crossFormatSession(rate, seed);
            const auto expected = renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
            const auto rendered = lv2_testing::renderThroughLv2Module(session, BRAMSOLIKET_LV2_MODULE_PATH);
            ASSERT_EQ(rendered.size(), session.input.size());
            EXPECT_EQ(firstDifference(rendered, expected), -1) << "at " << rate << " Hz, seed " << seed;
        }
    }
}

TEST(CrossFormatSession, InPlaceBuffersRenderAsSeparateOnes) {
    const auto session = crossFormatSession(44100.0f, 5, 2.0);
    const auto expected = renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
    for (const Buffers buffers : {Buffers::InputIsLeft, Buffers::InputIsRight, Buffers::InputIsBothOutputs}) {
        const auto rendered = lv2_testing::renderThroughLv2Module(session, BRAMSOLIKET_LV2_MODULE_PATH, buffers);
        EXPECT_EQ(firstDifference(rendered, expected), -1) << "buffers " << static_cast<int>(buffers);
    }
}

}  // namespace
