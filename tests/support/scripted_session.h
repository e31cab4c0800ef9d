// SPDX-License-Identifier: MIT
// One scripted session that every plug-in format renders and that must come out of each of
// them bit for bit the same: parameter changes between blocks (in normalized values, as the
// VST build takes them), blocks of changing sizes, a suspend now and then. Each format's
// test turns the steps into its own host's calls; the VST rendering is the reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct SessionStep {
    enum class Kind {
        SetParameter,  // index, value (normalized, 0 to 1)
        Process,       // frames: the next `frames` input samples
        Suspend,       // processing off and on again: the histories are cleared
    };
    Kind kind;
    std::int32_t index = 0;
    float value = 0.0f;
    std::int32_t frames = 0;
};

struct ScriptedSession {
    float sampleRate = 44100.0f;
    std::vector<float> input;  // every Process step together consumes exactly these samples
    std::vector<SessionStep> steps;
};

// A session of about `seconds` of audio at `sampleRate`, the same for the same seed: every
// parameter changes several times, each type and stage count is visited, glides run and are
// retargeted, the level reaches 0 and its top, and blocks range from 1 to 8192 frames.
// Values stay within 0 to 1, where every format can reach them.
ScriptedSession crossFormatSession(float sampleRate, std::uint32_t seed, double seconds = 6.0);

// The session through the VST module at `modulePath`, loaded as a host loads it: the output
// of channel 0 (channel 1 is checked to be identical; a difference throws).
std::vector<float> renderThroughVstModule(const ScriptedSession& session, const std::string& modulePath);

// The index of the first sample at which two renders differ bit for bit, or -1; renders of
// different lengths differ at the shorter one's end.
std::int64_t firstDifference(const std::vector<float>& a, const std::vector<float>& b);

}  // namespace testing_support
