// SPDX-License-Identifier: MIT
// The VST build's settings in the LV2 plug-in's host units, and the cross-format session
// rendered through the LV2 module as a host runs it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/parameter_table.h"
#include "support/scripted_session.h"

namespace lv2_testing {

// What a user reads off the VST build for normalized `value` of `index` at `sampleRate`
// and types into the LV2 control: the number the parameter shows. A "Level" of no signal is
// the control's floor.
float hostValueShownFor(ParameterIndex index, float value, float sampleRate);

// The controls showing what a fresh VST instance shows at `sampleRate`: the description's
// defaults at 44.1 kHz; at other rates "Freq" is the VST default's row at that rate, where the
// description's default in hertz may select another row.
std::array<float, kParameterCount> defaultControls(float sampleRate);

// How the host hands the audio buffers to the plug-in.
enum class Buffers {
    Separate,          // input, left and right each their own
    InputIsLeft,       // the left output is written into the input buffer
    InputIsRight,      // the right output likewise
    InputIsBothOutputs,
};

// The session through the LV2 module at `modulePath` (a private copy): its parameter changes
// become new control values for the next run, a suspend is deactivate and activate, and the
// audio ports are connected anew before every run, as hosts may. Channel 0 is returned;
// channel 1 is checked to be identical wherever it has a buffer of its own (a difference throws).
std::vector<float> renderThroughLv2Module(const testing_support::ScriptedSession& session,
                                          const std::string& modulePath, Buffers buffers = Buffers::Separate);

}  // namespace lv2_testing
