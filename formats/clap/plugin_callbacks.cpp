// SPDX-License-Identifier: MIT
// The C functions a host calls through the plug-in record and the extension tables, each
// forwarding to the FilterPlugin behind the record. A null record, or one that carries no
// plug-in, gets the answer of failure and nothing else happens.
#include <cstring>

#include "formats/clap/filter_plugin.h"

namespace {

#define BRAMSOLIKET_PLUGIN_OR(failure)                                \
    FilterPlugin* const self = FilterPlugin::fromRecord(record);     \
    if (self == nullptr) return failure

bool BRAMSOLIKET_CLAP_ABI init(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->init();
}

void BRAMSOLIKET_CLAP_ABI destroy(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR();
    self->destroy();
}

bool BRAMSOLIKET_CLAP_ABI activate(const clap_plugin* record, double sampleRate, std::uint32_t minFrames,
                                   std::uint32_t maxFrames) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->activate(sampleRate, minFrames, maxFrames);
}

void BRAMSOLIKET_CLAP_ABI deactivate(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR();
    self->deactivate();
}

bool BRAMSOLIKET_CLAP_ABI startProcessing(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->startProcessing();
}

void BRAMSOLIKET_CLAP_ABI stopProcessing(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR();
    self->stopProcessing();
}

void BRAMSOLIKET_CLAP_ABI reset(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR();
    self->reset();
}

clap_process_status BRAMSOLIKET_CLAP_ABI process(const clap_plugin* record, const clap_process* block) {
    BRAMSOLIKET_PLUGIN_OR(kClapProcessError);
    return self->process(block);
}

const void* BRAMSOLIKET_CLAP_ABI getExtension(const clap_plugin*, const char* id) {
    return filterPluginExtension(id);
}

// The plug-in asks for no main-thread callbacks, so there is nothing to do.
void BRAMSOLIKET_CLAP_ABI onMainThread(const clap_plugin*) {}

std::uint32_t BRAMSOLIKET_CLAP_ABI audioPortCount(const clap_plugin* record, bool isInput) {
    BRAMSOLIKET_PLUGIN_OR(0);
    return self->audioPortCount(isInput);
}

bool BRAMSOLIKET_CLAP_ABI audioPortInfo(const clap_plugin* record, std::uint32_t index, bool isInput,
                                        clap_audio_port_info* info) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->audioPortInfo(index, isInput, info);
}

std::uint32_t BRAMSOLIKET_CLAP_ABI parameterCount(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR(0);
    return self->parameterCount();
}

bool BRAMSOLIKET_CLAP_ABI parameterInfo(const clap_plugin* record, std::uint32_t index, clap_param_info* info) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->parameterInfo(index, info);
}

bool BRAMSOLIKET_CLAP_ABI parameterValue(const clap_plugin* record, clap_id id, double* value) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->parameterValue(id, value);
}

bool BRAMSOLIKET_CLAP_ABI valueToText(const clap_plugin* record, clap_id id, double value, char* buffer,
                                      std::uint32_t capacity) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->valueToText(id, value, buffer, capacity);
}

bool BRAMSOLIKET_CLAP_ABI textToValue(const clap_plugin* record, clap_id id, const char* text, double* value) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->textToValue(id, text, value);
}

// The plug-in never sends events of its own, so the output list is not used.
void BRAMSOLIKET_CLAP_ABI flush(const clap_plugin* record, const clap_input_events* in, const clap_output_events*) {
    BRAMSOLIKET_PLUGIN_OR();
    self->flush(in);
}

bool BRAMSOLIKET_CLAP_ABI saveState(const clap_plugin* record, const clap_ostream* stream) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->saveState(stream);
}

bool BRAMSOLIKET_CLAP_ABI loadState(const clap_plugin* record, const clap_istream* stream) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->loadState(stream);
}

std::uint32_t BRAMSOLIKET_CLAP_ABI latency(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR(0);
    return self->latency();
}

#undef BRAMSOLIKET_PLUGIN_OR

const clap_plugin_audio_ports kAudioPorts = {audioPortCount, audioPortInfo};
const clap_plugin_params kParams = {parameterCount, parameterInfo, parameterValue, valueToText, textToValue, flush};
const clap_plugin_state kState = {saveState, loadState};
const clap_plugin_latency kLatency = {latency};

}  // namespace

clap_plugin filterPluginRecord(const clap_plugin_descriptor* descriptor, void* pluginData) {
    return clap_plugin{descriptor,     pluginData, init,    destroy,      activate,    deactivate,
                       startProcessing, stopProcessing, reset, process, getExtension, onMainThread};
}

const void* filterPluginExtension(const char* id) {
    if (id == nullptr) return nullptr;
    if (std::strcmp(id, kClapExtAudioPorts) == 0) return &kAudioPorts;
    if (std::strcmp(id, kClapExtParams) == 0) return &kParams;
    if (std::strcmp(id, kClapExtState) == 0) return &kState;
    if (std::strcmp(id, kClapExtLatency) == 0) return &kLatency;
    return nullptr;
}
