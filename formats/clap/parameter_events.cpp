// SPDX-License-Identifier: MIT
#include "formats/clap/parameter_events.h"

#include <cstring>

#include "formats/clap/host_value.h"

std::optional<ParameterChange> parameterChangeOf(const clap_event_header* header) {
    if (header == nullptr || header->size < sizeof(clap_event_param_value)) return std::nullopt;
    if (header->space_id != kClapCoreEventSpace || header->type != kClapEventParamValue) return std::nullopt;
    // Copied out, so that nothing depends on how the host aligned the event.
    clap_event_param_value event;
    std::memcpy(&event, header, sizeof event);
    const std::optional<float> value = pluginValueOf(event.param_id, event.value);
    if (!value) return std::nullopt;
    return ParameterChange{event.header.time, event.param_id, *value};
}

ParameterChangeReader::ParameterChangeReader(const clap_input_events* list) : list_(list) {
    if (list_ != nullptr && list_->size != nullptr && list_->get != nullptr) count_ = list_->size(list_);
}

std::optional<ParameterChange> ParameterChangeReader::next() {
    while (position_ < count_) {
        const std::optional<ParameterChange> change = parameterChangeOf(list_->get(list_, position_++));
        if (change) return change;
    }
    return std::nullopt;
}
