// SPDX-License-Identifier: MIT
// The filter as a CLAP plug-in: the core's processor behind the plug-in record a host
// holds, with the extensions audio-ports, params, state and latency. The mono plug-in has a
// mono input port and a stereo output port whose channels carry the same signal; the stereo
// one filters the two channels of its stereo input port alike, each into its own output
// channel. Both have the same parameters, texts, events and state format, so a state saved
// by either loads into the other.
//
// Threads, as CLAP assigns them:
// - main thread: init, destroy, activate, deactivate, the port, parameter-info, value,
//   text, state and latency calls, and flush while the plug-in is not active;
// - audio thread: start and stop processing, reset, process, and flush while active.
// Parameter changes reach the processor only on the thread that may change it: events in
// process or flush, in their order; a state loaded on the main thread while the plug-in is
// active is handed to the audio thread and set at the start of its next call (process or
// flush), before that call's events. Texts come from the core's units, which keep no state.
// Nothing on the audio thread allocates, locks or calls the system.
//
// The outputs pass the bypass switch (a cross-fade of 10 ms from the frame of the host's
// event) and then lose their subnormal samples to zero.
//
// The plug-in's window (clap.gui, where the module is built with the editor: 64-bit Linux)
// runs on the main thread; its changes reach the processor as the host's do, on the thread
// that sets parameters, at the start of the next process or flush, before that call's own
// events, and the host hears of each of them as output events (plugin_gui.h). process keeps
// the meter the window shows, the highest filtered sample of each thirtieth of a second.
//
// Every entry runs under FloatEnvironmentGuard: hosts run audio threads with flush-to-zero
// and denormals-are-zero, which would change the results.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/bypass_switch.h"
#include "core/display_updates.h"
#include "core/filter_processor.h"
#include "formats/clap/edited_plugin.h"
#include "formats/clap/editor_events.h"
#include "formats/clap/format_rules.h"
#include "formats/clap/pending_values.h"
#include "interfaces/clap/clap_abi.h"
#if defined(BRAMSOLIKET_CLAP_GUI)
#include "formats/clap/plugin_gui.h"
#endif

class FilterPlugin final : public EditedPlugin {
public:
    // The sample rate parameter texts use before the first activation.
    static constexpr float kInitialSampleRate = 44100.0f;

    // Builds the processor for one input channel (the mono plug-in) or two (the stereo one);
    // throws std::bad_alloc when memory runs out.
    FilterPlugin(const clap_host* host, std::uint32_t inputChannels);
    FilterPlugin(const FilterPlugin&) = delete;
    FilterPlugin& operator=(const FilterPlugin&) = delete;

    const clap_plugin* record() const { return &record_; }
    // The plug-in behind a record this module made; null for a null record.
    static FilterPlugin* fromRecord(const clap_plugin* record);

    bool init();
    void destroy();
    bool activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process* process);

    std::uint32_t audioPortCount(bool isInput) const;
    bool audioPortInfo(std::uint32_t index, bool isInput, clap_audio_port_info* info) const;

    std::uint32_t parameterCount() const;
    bool parameterInfo(std::uint32_t index, clap_param_info* info) const;
    bool parameterValue(clap_id id, double* value) const;
    bool valueToText(clap_id id, double value, char* buffer, std::uint32_t capacity);
    bool textToValue(clap_id id, const char* text, double* value);
    void flush(const clap_input_events* events, const clap_output_events* out);

    bool saveState(const clap_ostream* stream) const;
    bool loadState(const clap_istream* stream);

    std::uint32_t latency() const;

#if defined(BRAMSOLIKET_CLAP_GUI)
    // The window, while the host has one (gui create to destroy); main thread.
    bool guiSupported(const char* api, bool floating) const;
    bool createGui(const char* api, bool floating);
    void destroyGui();
    PluginGui* gui() const { return gui_.get(); }
#endif

    // What the window sees (edited_plugin.h); the processor is a read-only view for tests too.
    const FilterProcessor& processor() const override { return processor_; }
    float editedValue(ParameterIndex index) const override { return hostVisibleValue(static_cast<clap_id>(index)); }
    float meterPeak() const override { return displayUpdates_->meterPeak(); }
    bool processing() const override { return processing_.load(std::memory_order_relaxed); }
    float editedSampleRate() const override { return sampleRate_; }
    EditorEventQueue& editorEvents() override { return editorEvents_; }
    bool bypassed() const { return bypass_.bypassed(); }

private:
    // What the plug-in holds for parameter `id` (host_value.h): a normalized value, or the
    // bypass as 0 or 1. The value the host sees counts a loaded state not yet set as set.
    float pluginValue(clap_id id) const;
    float hostVisibleValue(clap_id id) const;
    void setPluginValue(clap_id id, float value);
    void setPendingValues();
    // The window's changes: set on the processor and told to the host, in their order.
    void setEditorChanges(const clap_output_events* out);
    // Frames [first, end) of the block's buffers through the processor and the bypass switch.
    void render(const float* const* inputs, float* left, float* right, std::uint32_t first, std::uint32_t end);

    clap_plugin record_;
    const clap_host* host_;
    const std::uint32_t inputChannels_;  // 1 or 2
    const clap_host_params* hostParams_ = nullptr;
    FormatRules rules_;

    FilterProcessor processor_;
    BypassSwitch bypass_;
    PendingParameterValues pendingValues_;
    EditorEventQueue editorEvents_;
    // The meter's windows follow the rate of the last activation; main thread between blocks.
    std::optional<DisplayUpdates> displayUpdates_;
#if defined(BRAMSOLIKET_CLAP_GUI)
    std::unique_ptr<PluginGui> gui_;
#endif

    // The plug-in's state as CLAP defines it, written by the calls that change it; flush
    // reads whether the plug-in is active to know its thread, the checks read all three.
    std::atomic<bool> active_{false};
    std::atomic<bool> processing_{false};
    std::atomic<bool> inProcess_{false};
    float sampleRate_ = kInitialSampleRate;  // main thread only
};

// The factory's creation: a plug-in for `pluginId` on `host`, or null for another id, a
// null or incompatible host, or when memory runs out.
const clap_plugin* createFilterPlugin(const clap_host* host, const char* pluginId);

// The record's functions and the extensions' tables (plugin_callbacks.cpp).
clap_plugin filterPluginRecord(const clap_plugin_descriptor* descriptor, void* pluginData);
const void* filterPluginExtension(const char* id);
