// SPDX-License-Identifier: MIT
// What the editor needs from the plug-in it edits, whatever the format: it changes
// parameters only through the host (so that the host records automation and undo), each
// change inside a gesture, and it may look at the settings the processor runs now.
//
// Values are the core's normalized values, 0 to 1, in parameter order; each format's adapter
// turns them into its host's units. Every call comes on the editor's thread (the host's GUI
// or main thread).
#pragma once

#include <cstdint>

#include "core/filter_settings.h"
#include "core/parameter_table.h"

class EditorHost {
public:
    virtual ~EditorHost() = default;

    // A user's gesture on a parameter starts (a drag, a key press, a click), the parameter
    // takes a value (any number of times), and the gesture ends. The editor sends a value
    // only between a begin and its end, and ends every gesture it began.
    virtual void beginGesture(ParameterIndex index) = 0;
    virtual void setValue(ParameterIndex index, float value) = 0;
    virtual void endGesture(ParameterIndex index) = 0;

    // The settings the processor published last and the count of its publications, where
    // the editor can see the processor (a plug-in in the same process); false where it cannot.
    virtual bool runningSettings(FilterSettings& settings, std::uint32_t& publications) {
        (void)settings;
        (void)publications;
        return false;
    }
};
