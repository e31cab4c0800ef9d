// SPDX-License-Identifier: MIT
// The LV2 and the CLAP plug-ins behind one interface, each loaded from its module and driven
// as its hosts drive it, so that a property both must have is one test run for both: a fresh
// instance at a rate, settings made before the first frame and at given frames, the bypass
// switched at given frames, the signal rendered in host blocks; through the mono plug-in or
// through the stereo one.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/parameter_table.h"

namespace format_testing {

struct BypassSwitching {
    std::uint32_t frame;  // 0: set before the first frame, as a host restoring a session does
    bool bypassed;
};

struct ParameterChange {
    std::uint32_t frame;  // above 0
    ParameterIndex index;
    float value;  // normalized
};

struct Rendering {
    float sampleRate = 44100.0f;
    std::vector<std::pair<ParameterIndex, float>> settings;  // normalized values, before the first frame
    std::vector<BypassSwitching> switches;                   // in frame order
    std::vector<ParameterChange> changes;                    // in frame order
    std::uint32_t hostBlock = 512;
};

struct Output {
    std::vector<float> left, right;
};

class PluginFormat {
public:
    virtual ~PluginFormat() = default;
    virtual std::string name() const = 0;
    // The input through a fresh instance of the mono plug-in in a private copy of the module.
    // A switch or change lands on its frame: a CLAP event there, an LV2 run that begins there
    // (changes of one frame in parameter order, as the LV2 plug-in hands its controls over).
    virtual Output render(const std::vector<float>& input, const Rendering& rendering) const = 0;
    // Two channels of the same length through the stereo plug-in, likewise.
    virtual Output renderStereo(const std::vector<float>& left, const std::vector<float>& right,
                                const Rendering& rendering) const = 0;
};

std::shared_ptr<const PluginFormat> lv2Format();
std::shared_ptr<const PluginFormat> clapFormat();

// GoogleTest prints a format by its name.
inline void PrintTo(const std::shared_ptr<const PluginFormat>& format, std::ostream* out) { *out << format->name(); }

// The same settings through the core's processor itself, in one call for each stretch between
// changes, with the glide step counters of a freshly loaded module: what the VST module
// renders, and what either mono plug-in renders while nothing bypasses it.
std::vector<float> coreRender(const std::vector<float>& input, const Rendering& rendering);

}  // namespace format_testing
