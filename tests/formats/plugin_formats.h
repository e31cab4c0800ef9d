// SPDX-License-Identifier: MIT
// The LV2 and the CLAP plug-in behind one interface, each loaded from its module and driven
// as its hosts drive it, so that a property both must have is one test run for both: a fresh
// instance at a rate, settings made before the first frame, the bypass switched at given
// frames, the signal rendered in host blocks.
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

struct Rendering {
    float sampleRate = 44100.0f;
    std::vector<std::pair<ParameterIndex, float>> settings;  // normalized values, before the first frame
    std::vector<BypassSwitching> switches;                   // in frame order
    std::uint32_t hostBlock = 512;
};

struct Output {
    std::vector<float> left, right;
};

class PluginFormat {
public:
    virtual ~PluginFormat() = default;
    virtual std::string name() const = 0;
    // The input through a fresh instance of a private copy of the module. A switch lands on
    // its frame: a CLAP event there, an LV2 run that begins there.
    virtual Output render(const std::vector<float>& input, const Rendering& rendering) const = 0;
};

std::shared_ptr<const PluginFormat> lv2Format();
std::shared_ptr<const PluginFormat> clapFormat();

// GoogleTest prints a format by its name.
inline void PrintTo(const std::shared_ptr<const PluginFormat>& format, std::ostream* out) { *out << format->name(); }

// The same settings through the core's processor itself, in one call, with the glide step
// counters of a freshly loaded module: what the VST module renders, and what either plug-in
// renders while nothing bypasses it.
std::vector<float> coreRender(const std::vector<float>& input, const Rendering& rendering);

}  // namespace format_testing
