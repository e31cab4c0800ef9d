// SPDX-License-Identifier: MIT
#include "lv2/lv2_session.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "core/parameter_units.h"
#include "lv2/lv2_module.h"

namespace lv2_testing {

using testing_support::ScriptedSession;
using testing_support::SessionStep;

float hostValueShownFor(ParameterIndex index, float value, float sampleRate) {
    const float shown = parameter_units::shownNumber(index, value, sampleRate);
    return std::isinf(shown) && shown < 0.0f ? parameter_units::kLevelFloorDecibels : shown;
}

std::array<float, kParameterCount> defaultControls(float sampleRate) {
    std::array<float, kParameterCount> controls{};
    for (const ParameterInfo& parameter : kParameterTable) {
        controls[parameter.index] = hostValueShownFor(parameter.index, parameter.defaultValue, sampleRate);
    }
    return controls;
}

std::vector<float> renderThroughLv2Module(const ScriptedSession& session, const std::string& modulePath,
                                          Buffers buffers) {
    Lv2ModuleCopy module(modulePath);
    Lv2Instance plugin(module.descriptor(), session.sampleRate);
    plugin.controls = defaultControls(session.sampleRate);
    plugin.activate();
    plugin.connectControlsAndPeak();

    const std::size_t length = session.input.size();
    std::vector<float> signal = session.input;  // the in-place buffers are written over
    std::vector<float> left(length), right(length);
    std::size_t position = 0;
    for (const SessionStep& step : session.steps) {
        switch (step.kind) {
            case SessionStep::Kind::SetParameter:
                plugin.controls[step.index] =
                    hostValueShownFor(static_cast<ParameterIndex>(step.index), step.value, session.sampleRate);
                break;
            case SessionStep::Kind::Suspend:
                plugin.deactivate();
                plugin.activate();
                break;
            case SessionStep::Kind::Process: {
                float* in = signal.data() + position;
                float* l = buffers == Buffers::InputIsLeft || buffers == Buffers::InputIsBothOutputs ? in
                                                                                                     : left.data() + position;
                float* r = buffers == Buffers::InputIsRight || buffers == Buffers::InputIsBothOutputs ? in
                                                                                                      : right.data() + position;
                plugin.connectAudio(in, l, r);
                plugin.run(static_cast<std::uint32_t>(step.frames));
                if (l != left.data() + position) std::memcpy(left.data() + position, l, step.frames * sizeof(float));
                if (r != right.data() + position) std::memcpy(right.data() + position, r, step.frames * sizeof(float));
                position += static_cast<std::size_t>(step.frames);
                break;
            }
        }
    }
    plugin.deactivate();
    if (std::memcmp(left.data(), right.data(), length * sizeof(float)) != 0) {
        throw std::runtime_error("the plug-in's two output channels differ");
    }
    return left;
}

}  // namespace lv2_testing
