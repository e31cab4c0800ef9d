// SPDX-License-Identifier: MIT
// The module built with CLAP's rule checks aborts loudly when a host breaks a thread or
// state rule, stays quiet for a host that keeps them, and renders the same bits.
#include <gtest/gtest.h>

#include "tests/clap/clap_host.h"
#include "tests/clap/session_renders.h"

namespace {

using namespace clap_testing;

TEST(ClapFormatRules, CheckedModuleAbortsOnBrokenRules) {
    const auto brokenRule = [](auto misuse) {
        ClapModule module(BRAMSOLIKET_CHECKED_CLAP_MODULE_PATH);
        TestHost host;
        PluginInstance instance(module, host);
        misuse(instance);
    };
    float samples[8] = {};
    EXPECT_DEATH(brokenRule([&](PluginInstance& p) { p.process(samples, samples, samples, 8); }),
                 "CLAP rule broken: process called before activate");
    EXPECT_DEATH(brokenRule([](PluginInstance& p) {
                     TestHost::AudioCall audio;
                     p.text(0, 0.5);
                 }),
                 "CLAP rule broken: params value_to_text must be called on the main thread");
    EXPECT_DEATH(brokenRule([](PluginInstance& p) {
                     p.activate(44100.0);
                     p.plugin->activate(p.plugin, 44100.0, 1, 64);
                 }),
                 "CLAP rule broken: activate called while the plug-in is active");
    EXPECT_DEATH(brokenRule([](PluginInstance& p) {
                     p.activate(44100.0);
                     p.plugin->reset(p.plugin);  // from the main thread
                 }),
                 "CLAP rule broken: reset must be called on the audio thread");
}

TEST(ClapFormatRules, CheckedModuleIsQuietAndExactForAHostThatKeepsTheRules) {
    const auto session = testing_support::crossFormatSession(48000.0f, 5, 1.0);
    const auto expected = testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
    for (const Delivery delivery : {Delivery::EventsInHostBlocks, Delivery::FlushBetweenBlocks}) {
        EXPECT_EQ(testing_support::firstDifference(
                      renderThroughClapModule(session, BRAMSOLIKET_CHECKED_CLAP_MODULE_PATH, delivery, 2048), expected),
                  -1);
    }
}

}  // namespace
