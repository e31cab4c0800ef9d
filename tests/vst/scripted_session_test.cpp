// SPDX-License-Identifier: MIT
// The cross-format session through the VST module equals the reference transcription driven
// the same way, so it can stand as the reference the other formats are compared with.
#include <gtest/gtest.h>

#include "support/reference_model.h"
#include "support/scripted_session.h"

namespace {

using testing_support::SessionStep;

TEST(ScriptedSession, VstRenderEqualsTheReference) {
    for (float rate : {44100.0f, 48000.0f}) {
        const auto session = testing_support::crossFormatSession(rate, 2024);
        reference::stepCounters() = {};
        reference::Effect model;
        std::vector<float> expected(session.input.size()), ignored(session.input.size());
        std::size_t position = 0;
        int kinds[3] = {};
        for (const SessionStep& step : session.steps) {
            ++kinds[static_cast<int>(step.kind)];
            if (step.kind == SessionStep::Kind::SetParameter) model.setParameter(step.index, step.value);
            if (step.kind == SessionStep::Kind::Suspend) model.suspend();
            if (step.kind == SessionStep::Kind::Process) {
                model.processReplacing(session.input.data() + position, expected.data() + position,
                                       ignored.data() + position, step.frames);
                position += static_cast<std::size_t>(step.frames);
            }
        }
        ASSERT_EQ(position, session.input.size());
        EXPECT_GT(kinds[0], 50);
        EXPECT_GT(kinds[2], 2);
        const auto rendered = testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
        EXPECT_EQ(testing_support::firstDifference(rendered, expected), -1) << "at " << rate << " Hz";
    }
}

}  // namespace
