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

// The output list hears of the changes the plug-in's window made.
void BRAMSOLIKET_CLAP_ABI flush(const clap_plugin* record, const clap_input_events* in, const clap_output_events* out) {
    BRAMSOLIKET_PLUGIN_OR();
    self->flush(in, out);
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

#if defined(BRAMSOLIKET_CLAP_GUI)
// The window's calls; those that need a window fail while the plug-in has none.
#define BRAMSOLIKET_GUI_OR(failure)              \
    BRAMSOLIKET_PLUGIN_OR(failure);              \
    PluginGui* const gui = self->gui();          \
    if (gui == nullptr) return failure

bool BRAMSOLIKET_CLAP_ABI guiIsApiSupported(const clap_plugin* record, const char* api, bool floating) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->guiSupported(api, floating);
}

bool BRAMSOLIKET_CLAP_ABI guiPreferredApi(const clap_plugin* record, const char** api, bool* floating) {
    BRAMSOLIKET_PLUGIN_OR(false);
    if (api == nullptr || floating == nullptr) return false;
    *api = kClapWindowApiX11;
    *floating = false;
    return true;
}

bool BRAMSOLIKET_CLAP_ABI guiCreate(const clap_plugin* record, const char* api, bool floating) {
    BRAMSOLIKET_PLUGIN_OR(false);
    return self->createGui(api, floating);
}

void BRAMSOLIKET_CLAP_ABI guiDestroy(const clap_plugin* record) {
    BRAMSOLIKET_PLUGIN_OR();
    self->destroyGui();
}

bool BRAMSOLIKET_CLAP_ABI guiSetScale(const clap_plugin* record, double scale) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->setScale(scale);
}

bool BRAMSOLIKET_CLAP_ABI guiGetSize(const clap_plugin* record, std::uint32_t* width, std::uint32_t* height) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->size(width, height);
}

bool BRAMSOLIKET_CLAP_ABI guiCanResize(const clap_plugin* record) {
    BRAMSOLIKET_GUI_OR(false);
    return true;
}

bool BRAMSOLIKET_CLAP_ABI guiResizeHints(const clap_plugin* record, clap_gui_resize_hints* hints) {
    BRAMSOLIKET_GUI_OR(false);
    if (hints == nullptr) return false;
    *hints = {true, true, false, 0, 0};
    return true;
}

bool BRAMSOLIKET_CLAP_ABI guiAdjustSize(const clap_plugin* record, std::uint32_t* width, std::uint32_t* height) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->adjustSize(width, height);
}

bool BRAMSOLIKET_CLAP_ABI guiSetSize(const clap_plugin* record, std::uint32_t width, std::uint32_t height) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->setSize(width, height);
}

bool BRAMSOLIKET_CLAP_ABI guiSetParent(const clap_plugin* record, const clap_window* window) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->setParent(window);
}

// Only embedded windows are offered.
bool BRAMSOLIKET_CLAP_ABI guiSetTransient(const clap_plugin*, const clap_window*) {
    return false;
}

void BRAMSOLIKET_CLAP_ABI guiSuggestTitle(const clap_plugin*, const char*) {}

bool BRAMSOLIKET_CLAP_ABI guiShow(const clap_plugin* record) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->show();
}

bool BRAMSOLIKET_CLAP_ABI guiHide(const clap_plugin* record) {
    BRAMSOLIKET_GUI_OR(false);
    return gui->hide();
}

void BRAMSOLIKET_CLAP_ABI onFd(const clap_plugin* record, int fd, clap_posix_fd_flags flags) {
    BRAMSOLIKET_GUI_OR();
    gui->onFd(fd, flags);
}

void BRAMSOLIKET_CLAP_ABI onTimer(const clap_plugin* record, clap_id timer) {
    BRAMSOLIKET_GUI_OR();
    gui->onTimer(timer);
}

#undef BRAMSOLIKET_GUI_OR

const clap_plugin_gui kGui = {guiIsApiSupported, guiPreferredApi, guiCreate,       guiDestroy,    guiSetScale,
                              guiGetSize,        guiCanResize,    guiResizeHints,  guiAdjustSize, guiSetSize,
                              guiSetParent,      guiSetTransient, guiSuggestTitle, guiShow,       guiHide};
const clap_plugin_posix_fd_support kPosixFdSupport = {onFd};
const clap_plugin_timer_support kTimerSupport = {onTimer};
#endif

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
#if defined(BRAMSOLIKET_CLAP_GUI)
    if (std::strcmp(id, kClapExtGui) == 0) return &kGui;
    if (std::strcmp(id, kClapExtPosixFdSupport) == 0) return &kPosixFdSupport;
    if (std::strcmp(id, kClapExtTimerSupport) == 0) return &kTimerSupport;
#endif
    return nullptr;
}
