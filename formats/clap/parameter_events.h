// SPDX-License-Identifier: MIT
// The parameter changes in a host's input event list, read soundly: a change is a
// CLAP_EVENT_PARAM_VALUE of the core event space whose header announces at least the size
// of that event, for one of the eight parameter ids, with a value (not NaN). Everything
// else in the list (other event types and spaces, short events, unknown ids, null
// entries) is passed over; a null list, or one without its functions, holds nothing.
#pragma once

#include <cstdint>
#include <optional>

#include "formats/clap/editor_events.h"
#include "interfaces/clap/clap_abi.h"

struct ParameterChange {
    std::uint32_t time;  // sample offset in the block, as the host gave it
    clap_id id;
    float value;  // what the plug-in sets (host_value.h): a normalized value, or the bypass
};

std::optional<ParameterChange> parameterChangeOf(const clap_event_header* header);

// Walks a list once, in its order.
class ParameterChangeReader {
public:
    explicit ParameterChangeReader(const clap_input_events* list);
    std::optional<ParameterChange> next();

private:
    const clap_input_events* list_;
    std::uint32_t count_ = 0;
    std::uint32_t position_ = 0;
};

// Tells the host of one of the window's changes as an event at the block's start: a gesture
// begin or end, or the parameter's new value (a live event, in the value the host sees). A null
// list, or one without try_push, hears nothing; a full one loses the event, which the host's
// value then still shows (its get_value reads the processor).
void pushEditorEvent(const clap_output_events* out, const EditorEvent& event);
