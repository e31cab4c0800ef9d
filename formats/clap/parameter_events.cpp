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

void pushEditorEvent(const clap_output_events* out, const EditorEvent& event) {
    if (out == nullptr || out->try_push == nullptr) return;
    const auto id = static_cast<clap_id>(event.index);
    if (event.kind == EditorEvent::Kind::Value) {
        clap_event_param_value value{};
        value.header = {sizeof value, 0, kClapCoreEventSpace, kClapEventParamValue, kClapEventIsLive};
        value.param_id = id;
        value.cookie = nullptr;
        value.note_id = -1;
        value.port_index = -1;
        value.channel = -1;
        value.key = -1;
        value.value = hostValueOf(id, event.value);
        out->try_push(out, &value.header);
        return;
    }
    clap_event_param_gesture gesture{};
    const std::uint16_t type =
        event.kind == EditorEvent::Kind::Begin ? kClapEventParamGestureBegin : kClapEventParamGestureEnd;
    gesture.header = {sizeof gesture, 0, kClapCoreEventSpace, type, kClapEventIsLive};
    gesture.param_id = id;
    out->try_push(out, &gesture.header);
}
