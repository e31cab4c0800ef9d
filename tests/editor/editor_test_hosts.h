// SPDX-License-Identifier: MIT
// Small hosts of the plug-in's window for tests, one per format, on an X server the test
// names: each loads the built module as a host does, offers what a host of that format offers
// a plug-in window (LV2: ui:parent, ui:touch, the options and an idle loop; CLAP: clap.gui
// with posix-fd and timer support and params' request_flush), embeds the window in a parent
// window the test makes, and records what the window asks of the host: gesture begins, values
// (as normalized values) and gesture ends, in their order.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/parameter_table.h"

namespace editor_testing {

inline constexpr float kTestSampleRate = 44100.0f;

struct HostWrite {
    enum class Kind { Begin, Value, End };
    Kind kind;
    ParameterIndex index;
    float value = 0.0f;  // normalized, for Value
};

class FormatHost {
public:
    virtual ~FormatHost() = default;
    virtual const char* format() const = 0;
    // Opens the window in `parent` at the host's scale (2 at 200 %); false when the plug-in
    // declines.
    virtual bool open(Window parent, double scale = 1.0) = 0;
    virtual void close() = 0;
    // One turn of the host's loop: the window's events where they are waiting (up to a few
    // milliseconds for them), its timer or idle call.
    virtual void pump() = 0;
    // The host changes a parameter (automation, a preset), as a normalized value.
    virtual void hostSets(ParameterIndex index, float value) = 0;
    // The meter output reaches the window as a peak of about `peak`.
    virtual void meter(float peak) = 0;
    // Whether the plug-in still holds something of the host's (a descriptor or a timer it
    // registered) once its window is closed.
    virtual bool holdsHostResources() const { return false; }
    // The user made the window the host gave `width` by `height` device pixels: what the
    // format's host tells the plug-in then (an LV2 host nothing: the UI follows its parent).
    virtual void parentResized(int /*width*/, int /*height*/) {}

    std::vector<HostWrite> writes;
};

std::unique_ptr<FormatHost> makeLv2Host();
std::unique_ptr<FormatHost> makeClapHost();

// Runs the host's loop until `done` holds, for at most `seconds`; whether it held.
bool pumpUntil(FormatHost& host, const std::function<bool()>& done, double seconds = 5.0);

}  // namespace editor_testing
