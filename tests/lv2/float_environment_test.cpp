// SPDX-License-Identifier: MIT
// Hosts such as Ardour run their audio threads with flush-to-zero and denormals-are-zero
// set, and some change the rounding: every entry of the module runs the filter in its own
// mode and gives the host's mode back, so the output keeps every bit.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "lv2/lv2_module.h"
#include "lv2/lv2_session.h"
#include "support/float_mode.h"
#include "support/scripted_session.h"

namespace {

using testing_support::SessionStep;

#if defined(BRAMSOLIKET_TEST_MXCSR)
TEST(FloatEnvironment, AHostsFlushingAndRoundingChangeNoBitAndComeBackUnchanged) {
    // Tiny input, subnormal floats among it, where flushing would change the output most.
    auto session = testing_support::crossFormatSession(44100.0f, 9, 1.0);
    for (float& sample : session.input) sample *= 1e-38f;
    const auto expected = testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);

    // The host values are worked out in the ordinary mode, before the host's mode is set.
    std::vector<float> hostValues;
    for (const SessionStep& step : session.steps) {
        hostValues.push_back(step.kind == SessionStep::Kind::SetParameter
                                 ? lv2_testing::hostValueShownFor(static_cast<ParameterIndex>(step.index), step.value,
                                                                  session.sampleRate)
                                 : 0.0f);
    }
    const unsigned int hostMode = float_mode::kDefault | float_mode::kFlushToZero | float_mode::kDenormalsAreZero |
                                  float_mode::kRoundTowardZero;
    const unsigned int ordinaryMode = float_mode::read();
    int modeChanges = 0;
    // Sets the host's mode, makes one call and checks the mode it comes back with.
    const auto asHost = [&](auto&& call) {
        float_mode::write(hostMode);
        call();
        const unsigned int after = float_mode::read();
        float_mode::write(ordinaryMode);
        modeChanges += after != hostMode;
    };

    lv2_testing::Lv2ModuleCopy module;
    std::optional<lv2_testing::Lv2Instance> plugin;
    asHost([&] { plugin.emplace(module.descriptor(), session.sampleRate); });
    plugin->controls = lv2_testing::defaultControls(session.sampleRate);
    asHost([&] { plugin->connectControlsAndPeak(); });
    asHost([&] { plugin->activate(); });
    std::vector<float> left(session.input.size()), right(session.input.size());
    std::size_t position = 0;
    for (std::size_t s = 0; s < session.steps.size(); ++s) {
        const SessionStep& step = session.steps[s];
        if (step.kind == SessionStep::Kind::SetParameter) plugin->controls[step.index] = hostValues[s];
        if (step.kind == SessionStep::Kind::Suspend) {
            asHost([&] { plugin->deactivate(); });
            asHost([&] { plugin->activate(); });
        }
        if (step.kind == SessionStep::Kind::Process) {
            asHost([&] {
                plugin->connectAudio(session.input.data() + position, left.data() + position, right.data() + position);
            });
            asHost([&] { plugin->run(static_cast<std::uint32_t>(step.frames)); });
            position += static_cast<std::size_t>(step.frames);
        }
    }
    asHost([&] { plugin->deactivate(); });
    asHost([&] { plugin.reset(); });
    EXPECT_EQ(modeChanges, 0);
    EXPECT_EQ(testing_support::firstDifference(left, expected), -1);
    EXPECT_EQ(testing_support::firstDifference(right, expected), -1);
}
#else
TEST(FloatEnvironment, AHostsFlushingAndRoundingChangeNoBitAndComeBackUnchanged) {
    GTEST_SKIP() << "sets the host's mode through MXCSR, on x86 only";
}
#endif

}  // namespace
