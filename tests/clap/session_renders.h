// SPDX-License-Identifier: MIT
// The cross-format session through the CLAP module, delivered the ways hosts deliver it.
// Each render loads a fresh copy of the module and returns output channel 0; a channel 1
// that differs from it throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/scripted_session.h"

namespace clap_testing {

enum class Delivery {
    // One process call per session block; its parameter changes as events at offset 0;
    // a suspend as deactivate and activate.
    EventsPerSessionBlock,
    // Host blocks of a fixed size that cut across the session's blocks; each change as an
    // event at its own sample offset; a suspend ends the host block and resets. The audio
    // thread runs with flush-to-zero and denormals-are-zero set, as hosts' threads do.
    EventsInHostBlocks,
    // Changes through params flush between process calls: on the main thread before the
    // first activation, on the audio thread while active; a suspend as deactivate and
    // activate.
    FlushBetweenBlocks,
};

std::vector<float> renderThroughClapModule(const testing_support::ScriptedSession& session, const std::string& path,
                                           Delivery delivery, std::uint32_t hostBlock = 0);

}  // namespace clap_testing
