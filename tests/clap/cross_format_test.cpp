// SPDX-License-Identifier: MIT
// The scripted session renders through the CLAP plug-in exactly as through the VST module,
// bit for bit, however the host delivers the parameter changes: per block, as
// sample-accurate events in host blocks that cut across the session's blocks (under the
// host's flush-to-zero mode), or through flush between blocks.
#include <gtest/gtest.h>

#include "tests/clap/session_renders.h"

namespace {

using clap_testing::Delivery;

TEST(ClapCrossFormat, SessionsRenderAsThroughTheVstModule) {
    constexpr std::uint32_t kHostBlocks[] = {512, 1000, 4096, 8192};
    int variant = 0;
    for (const float rate : {44100.0f, 48000.0f}) {
        for (const std::uint32_t seed : {2024u, 7u, 31337u}) {
            const auto session = testing_support::crossFormatSession(rate, seed, 3.0);
            const auto expected = testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
            const std::uint32_t hostBlock = kHostBlocks[variant++ % 4];
            SCOPED_TRACE(testing::Message() << rate << " Hz, seed " << seed << ", host blocks of " << hostBlock);
            for (const Delivery delivery :
                 {Delivery::EventsPerSessionBlock, Delivery::EventsInHostBlocks, Delivery::FlushBetweenBlocks}) {
                const auto rendered = clap_testing::renderThroughClapModule(session, BRAMSOLIKET_CLAP_MODULE_PATH,
                                                                            delivery, hostBlock);
                EXPECT_EQ(testing_support::firstDifference(rendered, expected), -1)
                    << "delivery " << static_cast<int>(delivery);
            }
        }
    }
}

}  // namespace
