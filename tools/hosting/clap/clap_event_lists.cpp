// SPDX-License-Identifier: MIT
#include "tools/hosting/clap/clap_event_lists.h"

namespace {

// More changes than a block of any automation file the tool has seen; more still only
// grow the storage.
constexpr std::size_t kReservedEvents = 1024;

}  // namespace

ClapInputEvents::ClapInputEvents() {
    events_.reserve(kReservedEvents);
    list_.ctx = this;
    list_.size = [](const clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const ClapInputEvents*>(list->ctx)->events_.size());
    };
    list_.get = [](const clap_input_events* list, std::uint32_t index) -> const clap_event_header* {
        const auto& events = static_cast<const ClapInputEvents*>(list->ctx)->events_;
        return index < events.size() ? &events[index].header : nullptr;
    };
}

void ClapInputEvents::add(std::uint32_t time, clap_id id, void* cookie, double value) {
    clap_event_param_value event{};
    event.header = {sizeof(clap_event_param_value), time, kClapCoreEventSpace, kClapEventParamValue, 0};
    event.param_id = id;
    event.cookie = cookie;
    // Not for one note, port, channel or key: for the whole plug-in.
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    events_.push_back(event);
}

ClapOutputEvents::ClapOutputEvents() {
    list_.ctx = this;
    list_.try_push = [](const clap_output_events*, const clap_event_header* event) { return event != nullptr; };
}
