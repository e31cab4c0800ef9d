// SPDX-License-Identifier: MIT
// The event lists the tool hands to a CLAP plug-in: an input list of parameter-value events
// (each a whole clap_event_param_value with its header's size, time and type), and an output
// list that accepts whatever the plug-in sends and ignores it (the tool shows no controls
// that a plug-in's own changes would move). The input list's storage is reserved up front, so that filling it for a
// block does not allocate while the block list stays within that.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/clap/clap_abi.h"

class ClapInputEvents {
public:
    ClapInputEvents();
    ClapInputEvents(const ClapInputEvents&) = delete;
    ClapInputEvents& operator=(const ClapInputEvents&) = delete;

    // A change of `id` to `value` at frame `time` of the block; `cookie` is the one the
    // parameter's info gave. Events must be added in time order.
    void add(std::uint32_t time, clap_id id, void* cookie, double value);
    void clear() { events_.clear(); }
    std::size_t size() const { return events_.size(); }
    const clap_input_events* list() const { return &list_; }

private:
    std::vector<clap_event_param_value> events_;
    clap_input_events list_;
};

class ClapOutputEvents {
public:
    ClapOutputEvents();
    ClapOutputEvents(const ClapOutputEvents&) = delete;
    ClapOutputEvents& operator=(const ClapOutputEvents&) = delete;

    const clap_output_events* list() const { return &list_; }

private:
    clap_output_events list_;
};
