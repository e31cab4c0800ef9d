// SPDX-License-Identifier: MIT
// What the plug-in's window (plugin_gui.h) sees of a CLAP plug-in on the filter, whichever
// plug-in of the module it is: the processor it draws from, the values the host sees, the
// meter, the sample rate, whether the host is processing, and the queue that carries the
// window's changes to the thread that sets parameters. The window works through this alone.
#pragma once

#include "core/filter_processor.h"
#include "core/parameter_table.h"
#include "formats/clap/editor_events.h"

class EditedPlugin {
public:
    // Any thread: the processor's published settings and their count are read without locks.
    virtual const FilterProcessor& processor() const = 0;
    // Main thread: a parameter's normalized value as the host sees it.
    virtual float editedValue(ParameterIndex index) const = 0;
    // Main thread: the meter's peak of the last thirtieth of a second processed, and whether the
    // host is processing (while it is not, the meter shows nothing and the window's changes
    // need a flush).
    virtual float meterPeak() const = 0;
    virtual bool processing() const = 0;
    // Main thread: the rate of the last activation ("Freq"'s hertz follow it).
    virtual float editedSampleRate() const = 0;
    virtual EditorEventQueue& editorEvents() = 0;

protected:
    ~EditedPlugin() = default;
};
