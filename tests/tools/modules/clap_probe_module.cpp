// SPDX-License-Identifier: MIT
// A CLAP module that makes the host's behaviour visible. Its factory has two plug-ins:
//
// "probe.effect": audio inputs port 0 "Main" (1 channel) and port 1 "Side" (2 channels);
//   outputs port 0 (2 channels) and port 1 (2 channels). Parameters id 10 "Offset" (-1 to 1,
//   default 0) and id 20 "Gain" (0 to 4, default 1, stepped), both automatable, with texts
//   ("0.250 V", "x2.00") both ways. Per sample, with each parameter event applied at its
//   offset:  out0 = main0 * gain + offset,  out1 = the call's frame count,
//            out2 = side0,  out3 = side1.
//   An Offset of 1 or more makes process answer an error. Its init asks the host for a
//   main-thread callback; the first block with a Gain of 4 asks for a restart and logs a
//   warning through the host.
// "probe.instrument": feature "instrument", one note input port, no audio input, one mono
//   output of silence.
//
// Every call is logged with what thread-check says of the calling thread; clapProbeLog()
// gives the log to tests that load the same file into their own process.
#include <cstdio>
#include <cstring>
#include <string>

#include "clap_module_export.h"

namespace {

std::string callLog;

void note(const std::string& line) { callLog += line + "\n"; }

struct Probe {
    clap_plugin record{};
    const clap_host* host = nullptr;
    const clap_host_thread_check* threads = nullptr;
    bool instrument = false;
    bool restartAsked = false;
    double offset = 0.0;
    double gain = 1.0;

    std::string thread() const {
        if (threads == nullptr) return " [no thread-check]";
        return std::string(threads->is_main_thread(host) ? " [main" : " [") +
               (threads->is_audio_thread(host) ? "audio]" : "]");
    }
};

Probe& probeOf(const clap_plugin* plugin) { return *static_cast<Probe*>(plugin->plugin_data); }

constexpr const char* kEffectFeatures[] = {"audio-effect", "utility", nullptr};
constexpr const char* kInstrumentFeatures[] = {"instrument", "synthesizer", nullptr};

const clap_plugin_descriptor kEffect = {kClapVersionFollowed, "probe.effect", "Probe Effect", "Probe Vendor", "", "",
                                        "", "0.1.2", "Shows what the host does", kEffectFeatures};
const clap_plugin_descriptor kInstrument = {kClapVersionFollowed, "probe.instrument", "Probe Instrument", "Probe Vendor",
                                            "", "", "", "0.1.2", "Needs notes", kInstrumentFeatures};

constexpr clap_id kOffsetId = 10;
constexpr clap_id kGainId = 20;

void setValue(Probe& probe, clap_id id, double value) {
    if (id == kOffsetId) probe.offset = value;
    if (id == kGainId) probe.gain = value;
}

std::string eventText(const clap_event_header* header) {
    char text[160];
    if (header->type == kClapEventParamValue && header->size >= sizeof(clap_event_param_value)) {
        const auto* event = reinterpret_cast<const clap_event_param_value*>(header);
        std::snprintf(text, sizeof text, " (at %u size %u space %u type %u id %u value %g note %d port %d channel %d key %d)",
                      header->time, header->size, header->space_id, header->type, event->param_id, event->value,
                      event->note_id, event->port_index, event->channel, event->key);
    } else {
        std::snprintf(text, sizeof text, " (at %u size %u space %u type %u)", header->time, header->size,
                      header->space_id, header->type);
    }
    return text;
}

// Applies the list's parameter values in order, and logs them.
std::string takeEvents(Probe& probe, const clap_input_events* events) {
    std::string text;
    const std::uint32_t count = events->size(events);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header* header = events->get(events, i);
        text += eventText(header);
        if (header->type == kClapEventParamValue) {
            const auto* event = reinterpret_cast<const clap_event_param_value*>(header);
            setValue(probe, event->param_id, event->value);
        }
    }
    return text;
}

clap_process_status processProbe(const clap_plugin* plugin, const clap_process* process) {
    Probe& probe = probeOf(plugin);
    const clap_input_events* events = process->in_events;
    const std::uint32_t count = events->size(events);
    std::string text = "process " + std::to_string(process->frames_count) + " steady " +
                       std::to_string(process->steady_time) + " ports " + std::to_string(process->audio_inputs_count) +
                       ":" + std::to_string(process->audio_outputs_count);
    for (std::uint32_t p = 0; p < process->audio_inputs_count; ++p) {
        text += " in" + std::to_string(process->audio_inputs[p].channel_count);
    }
    for (std::uint32_t p = 0; p < process->audio_outputs_count; ++p) {
        text += " out" + std::to_string(process->audio_outputs[p].channel_count);
    }
    text += probe.thread();
    std::uint32_t next = 0;
    const auto dueAt = [&](std::uint32_t frame) {
        while (next < count && events->get(events, next)->time <= frame) {
            const clap_event_header* header = events->get(events, next++);
            text += eventText(header);
            if (header->type == kClapEventParamValue) {
                const auto* event = reinterpret_cast<const clap_event_param_value*>(header);
                setValue(probe, event->param_id, event->value);
            }
        }
    };
    if (probe.instrument) {
        dueAt(UINT32_MAX);
        note(text);
        float* out = process->audio_outputs[0].data32[0];
        for (std::uint32_t i = 0; i < process->frames_count; ++i) out[i] = 0.0f;
        return kClapProcessContinue;
    }
    float* const* in0 = process->audio_inputs[0].data32;
    float* const* in1 = process->audio_inputs[1].data32;
    float* const* out0 = process->audio_outputs[0].data32;
    float* const* out1 = process->audio_outputs[1].data32;
    for (std::uint32_t i = 0; i < process->frames_count; ++i) {
        dueAt(i);
        out0[0][i] = static_cast<float>(in0[0][i] * probe.gain + probe.offset);
        out0[1][i] = static_cast<float>(process->frames_count);
        out1[0][i] = in1[0][i];
        out1[1][i] = in1[1][i];
    }
    dueAt(UINT32_MAX);
    note(text);
    if (probe.gain == 4.0 && !probe.restartAsked) {
        probe.restartAsked = true;
        const auto* hostLog = static_cast<const clap_host_log*>(probe.host->get_extension(probe.host, kClapExtLog));
        if (hostLog != nullptr) hostLog->log(probe.host, kClapLogWarning, "gain at the top,\nrestart please");
        probe.host->request_restart(probe.host);
    }
    if (process->out_events != nullptr) {
        // A value of its own, as a plug-in whose control moved would send.
        clap_event_param_value event{};
        event.header = {sizeof event, 0, kClapCoreEventSpace, kClapEventParamValue, 0};
        event.param_id = kGainId;
        event.value = probe.gain;
        process->out_events->try_push(process->out_events, &event.header);
    }
    return probe.offset >= 1.0 ? kClapProcessError : kClapProcessContinue;
}

// ---- Extensions -------------------------------------------------------------------------

const clap_plugin_audio_ports kAudioPorts = {
    [](const clap_plugin* plugin, bool isInput) -> std::uint32_t {
        if (probeOf(plugin).instrument) return isInput ? 0 : 1;
        return 2;
    },
    [](const clap_plugin* plugin, std::uint32_t index, bool isInput, clap_audio_port_info* info) {
        const bool instrument = probeOf(plugin).instrument;
        if (index > (instrument ? 0u : 1u) || (instrument && isInput)) return false;
        *info = clap_audio_port_info{};
        info->id = index;
        std::snprintf(info->name, sizeof info->name, "%s", index == 0 ? "Main" : "Side");
        info->flags = index == 0 ? kClapAudioPortIsMain : 0;
        info->channel_count = instrument ? 1 : (isInput && index == 0 ? 1 : 2);
        info->port_type = info->channel_count == 1 ? kClapPortMono : kClapPortStereo;
        info->in_place_pair = kClapInvalidId;
        return true;
    },
};

const clap_plugin_note_ports kNotePorts = {
    [](const clap_plugin*, bool isInput) -> std::uint32_t { return isInput ? 1 : 0; },
    [](const clap_plugin*, std::uint32_t index, bool isInput, clap_note_port_info* info) {
        if (index != 0 || !isInput) return false;
        *info = clap_note_port_info{};
        std::snprintf(info->name, sizeof info->name, "Notes");
        return true;
    },
};

bool valueText(clap_id id, double value, char* buffer, std::uint32_t capacity) {
    if (id == kOffsetId) return std::snprintf(buffer, capacity, "%.3f V", value) < static_cast<int>(capacity);
    if (id == kGainId) return std::snprintf(buffer, capacity, "x%.2f", value) < static_cast<int>(capacity);
    return false;
}

const clap_plugin_params kParams = {
    [](const clap_plugin* plugin) -> std::uint32_t { return probeOf(plugin).instrument ? 0 : 2; },
    [](const clap_plugin*, std::uint32_t index, clap_param_info* info) {
        if (index > 1) return false;
        *info = clap_param_info{};
        info->id = index == 0 ? kOffsetId : kGainId;
        info->flags = kClapParamIsAutomatable | (index == 1 ? kClapParamIsStepped : 0);
        std::snprintf(info->name, sizeof info->name, "%s", index == 0 ? "Offset" : "Gain");
        std::snprintf(info->module, sizeof info->module, "%s", index == 0 ? "Bias" : "Amp/Gain");
        info->min_value = index == 0 ? -1.0 : 0.0;
        info->max_value = index == 0 ? 1.0 : 4.0;
        info->default_value = index == 0 ? 0.0 : 1.0;
        return true;
    },
    [](const clap_plugin* plugin, clap_id id, double* value) {
        if (id != kOffsetId && id != kGainId) return false;
        *value = id == kOffsetId ? probeOf(plugin).offset : probeOf(plugin).gain;
        return true;
    },
    [](const clap_plugin*, clap_id id, double value, char* buffer, std::uint32_t capacity) {
        return valueText(id, value, buffer, capacity);
    },
    [](const clap_plugin*, clap_id id, const char* text, double* value) {
        char* end = nullptr;
        if (id == kOffsetId) {
            *value = std::strtod(text, &end);
            return end != text && (std::strcmp(end, " V") == 0 || std::strcmp(end, "V") == 0);
        }
        if (id == kGainId && text[0] == 'x') {
            *value = std::strtod(text + 1, &end);
            return end != text + 1 && *end == '\0';
        }
        return false;
    },
    [](const clap_plugin* plugin, const clap_input_events* in, const clap_output_events*) {
        Probe& probe = probeOf(plugin);
        note("flush" + takeEvents(probe, in) + probe.thread());
    },
};

const clap_plugin_latency kLatency = {[](const clap_plugin* plugin) -> std::uint32_t {
    note("latency" + probeOf(plugin).thread());
    return 64;
}};

// ---- The record ----------------------------------------------------------------------

const clap_plugin* createProbe(const clap_host* host, bool instrument) {
    auto* probe = new Probe;
    probe->host = host;
    probe->instrument = instrument;
    clap_plugin& r = probe->record;
    r.desc = instrument ? &kInstrument : &kEffect;
    r.plugin_data = probe;
    r.init = [](const clap_plugin* plugin) {
        Probe& p = probeOf(plugin);
        p.threads = static_cast<const clap_host_thread_check*>(p.host->get_extension(p.host, kClapExtThreadCheck));
        note(std::string("init host ") + p.host->name + " " + p.host->version + p.thread());
        p.host->request_callback(p.host);
        return true;
    };
    r.destroy = [](const clap_plugin* plugin) {
        note("destroy" + probeOf(plugin).thread());
        delete &probeOf(plugin);
    };
    r.activate = [](const clap_plugin* plugin, double rate, std::uint32_t minFrames, std::uint32_t maxFrames) {
        note("activate " + std::to_string(static_cast<long>(rate)) + " " + std::to_string(minFrames) + " " +
             std::to_string(maxFrames) + probeOf(plugin).thread());
        return true;
    };
    r.deactivate = [](const clap_plugin* plugin) { note("deactivate" + probeOf(plugin).thread()); };
    r.start_processing = [](const clap_plugin* plugin) {
        note("start_processing" + probeOf(plugin).thread());
        return true;
    };
    r.stop_processing = [](const clap_plugin* plugin) { note("stop_processing" + probeOf(plugin).thread()); };
    r.reset = [](const clap_plugin* plugin) { note("reset" + probeOf(plugin).thread()); };
    r.process = processProbe;
    r.get_extension = [](const clap_plugin* plugin, const char* id) -> const void* {
        const bool instrument = probeOf(plugin).instrument;
        if (std::strcmp(id, kClapExtAudioPorts) == 0) return &kAudioPorts;
        if (std::strcmp(id, kClapExtParams) == 0) return &kParams;
        if (!instrument && std::strcmp(id, kClapExtLatency) == 0) return &kLatency;
        if (instrument && std::strcmp(id, kClapExtNotePorts) == 0) return &kNotePorts;
        return nullptr;
    };
    r.on_main_thread = [](const clap_plugin* plugin) { note("on_main_thread" + probeOf(plugin).thread()); };
    return &r;
}

const clap_plugin_factory kFactory = {
    [](const clap_plugin_factory*) -> std::uint32_t { return 2; },
    [](const clap_plugin_factory*, std::uint32_t index) -> const clap_plugin_descriptor* {
        return index == 0 ? &kEffect : index == 1 ? &kInstrument : nullptr;
    },
    [](const clap_plugin_factory*, const clap_host* host, const char* id) -> const clap_plugin* {
        if (std::strcmp(id, kEffect.id) == 0) return createProbe(host, false);
        if (std::strcmp(id, kInstrument.id) == 0) return createProbe(host, true);
        return nullptr;
    },
};

}  // namespace

CLAP_TEST_MODULE_EXPORT const char* clapProbeLog() { return callLog.c_str(); }
CLAP_TEST_MODULE_EXPORT void clapProbeClearLog() { callLog.clear(); }

CLAP_TEST_MODULE_EXPORT const clap_plugin_entry clap_entry = {
    kClapVersionFollowed,
    [](const char* path) {
        note(std::string("entry init ") + (path != nullptr && path[0] == '/' ? "absolute" : "relative"));
        return true;
    },
    [] { note("entry deinit"); },
    [](const char* id) -> const void* {
        return id != nullptr && std::strcmp(id, kClapPluginFactoryId) == 0 ? &kFactory : nullptr;
    },
};
