// SPDX-License-Identifier: MIT
#include "formats/clap/filter_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "core/float_environment.h"
#include "core/saturating_conversion.h"
#include "core/subnormal_flush.h"
#include "formats/clap/host_value.h"
#include "formats/clap/parameter_events.h"
#include "formats/clap/parameter_texts.h"
#include "formats/clap/plugin_descriptor.h"
#include "formats/clap/stream_io.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// One input port (mono, or stereo for the stereo plug-in) and one stereo output port.
constexpr clap_id kPortId = 0;
constexpr std::uint32_t kOutputChannels = 2;

struct BlockBuffers {
    const float* inputs[2];  // the second only for two input channels
    float* left;
    float* right;
};

// The block's channels, or nothing when the host did not give the ports the plug-in declared.
std::optional<BlockBuffers> buffersOf(const clap_process& process, std::uint32_t inputChannels) {
    if (process.audio_inputs_count < 1 || process.audio_inputs == nullptr || process.audio_outputs_count < 1 ||
        process.audio_outputs == nullptr) {
        return std::nullopt;
    }
    const clap_audio_buffer& input = process.audio_inputs[0];
    const clap_audio_buffer& output = process.audio_outputs[0];
    if (input.channel_count < inputChannels || input.data32 == nullptr) return std::nullopt;
    for (std::uint32_t channel = 0; channel < inputChannels; ++channel) {
        if (input.data32[channel] == nullptr) return std::nullopt;
    }
    if (output.channel_count < kOutputChannels || output.data32 == nullptr || output.data32[0] == nullptr ||
        output.data32[1] == nullptr) {
        return std::nullopt;
    }
    return BlockBuffers{{input.data32[0], inputChannels > 1 ? input.data32[1] : nullptr}, output.data32[0],
                        output.data32[1]};
}

// Copies a name into a fixed field of the interface, always terminated.
template <std::size_t Size>
void copyName(char (&field)[Size], const char* name) {
    const std::size_t length = std::min(std::strlen(name), Size - 1);
    std::memcpy(field, name, length);
    field[length] = '\0';
}

// A host extension, or null when the host has none or leaves out one of its functions.
template <typename Extension>
const Extension* hostExtension(const clap_host* host, const char* id) {
    if (host->get_extension == nullptr) return nullptr;
    return static_cast<const Extension*>(host->get_extension(host, id));
}

}  // namespace

FilterPlugin::FilterPlugin(const clap_host* host, std::uint32_t inputChannels)
    : record_(filterPluginRecord(inputChannels == 1 ? &kFilterPluginDescriptor : &kStereoFilterPluginDescriptor,
                                 this)),
      host_(host),
      inputChannels_(inputChannels) {
    displayUpdates_.emplace(kInitialSampleRate);
    bypass_.prepare(kInitialSampleRate);
}

FilterPlugin* FilterPlugin::fromRecord(const clap_plugin* record) {
    return record == nullptr ? nullptr : static_cast<FilterPlugin*>(record->plugin_data);
}

bool FilterPlugin::init() {
    const auto* threadCheck = hostExtension<clap_host_thread_check>(host_, kClapExtThreadCheck);
    if (threadCheck != nullptr && (threadCheck->is_main_thread == nullptr || threadCheck->is_audio_thread == nullptr)) {
        threadCheck = nullptr;
    }
    const auto* log = hostExtension<clap_host_log>(host_, kClapExtLog);
    if (log != nullptr && log->log == nullptr) log = nullptr;
    hostParams_ = hostExtension<clap_host_params>(host_, kClapExtParams);
    if (hostParams_ != nullptr && hostParams_->rescan == nullptr) hostParams_ = nullptr;
    rules_.attach(host_, threadCheck, log);
    return true;
}

void FilterPlugin::destroy() {
    rules_.requireMainThread("destroy must be called on the main thread");
    rules_.require(!active_.load(relaxed), "destroy called while the plug-in is active");
#if defined(BRAMSOLIKET_CLAP_GUI)
    // A host that did not destroy the window first: it goes with the plug-in.
    gui_.reset();
#endif
    delete this;
}

bool FilterPlugin::activate(double sampleRate, std::uint32_t, std::uint32_t) {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("activate must be called on the main thread");
    rules_.require(!active_.load(relaxed), "activate called while the plug-in is active");
    if (active_.load(relaxed)) return false;
    // The rate serves the frequency's text only; the filter's tables are in fractions of it.
    const float rate = roundToFloat(sampleRate);
    if (!(rate > 0.0f) || std::isinf(rate)) return false;
    sampleRate_ = rate;
    displayUpdates_.emplace(rate);
    // Every activation starts from silence; settings and glides stay, and the bypass stands
    // where it was set, without a fade.
    processor_.suspend();
    bypass_.prepare(rate);
    active_.store(true, relaxed);
    return true;
}

void FilterPlugin::deactivate() {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("deactivate must be called on the main thread");
    rules_.require(active_.load(relaxed), "deactivate called while the plug-in is not active");
    active_.store(false, relaxed);
    processing_.store(false, relaxed);
    // The audio thread has stopped: a state it did not take is set here.
    setPendingValues();
}

bool FilterPlugin::startProcessing() {
    rules_.requireAudioThread("start_processing must be called on the audio thread");
    rules_.require(active_.load(relaxed), "start_processing called before activate");
    rules_.require(!processing_.load(relaxed), "start_processing called while processing");
    if (!active_.load(relaxed)) return false;
    processing_.store(true, relaxed);
    return true;
}

void FilterPlugin::stopProcessing() {
    rules_.requireAudioThread("stop_processing must be called on the audio thread");
    rules_.require(processing_.load(relaxed), "stop_processing called while not processing");
    processing_.store(false, relaxed);
}

void FilterPlugin::reset() {
    rules_.requireAudioThread("reset must be called on the audio thread");
    rules_.require(active_.load(relaxed), "reset called before activate");
    processor_.suspend();
    bypass_.settle();
}

float FilterPlugin::pluginValue(clap_id id) const {
    if (id == kBypassParameterId) return bypass_.bypassed() ? 1.0f : 0.0f;
    return processor_.getParameter(static_cast<std::int32_t>(id));
}

void FilterPlugin::setPluginValue(clap_id id, float value) {
    if (id == kBypassParameterId) {
        bypass_.setBypassed(value > 0.0f);
    } else {
        processor_.setParameter(static_cast<std::int32_t>(id), value);
    }
}

void FilterPlugin::setPendingValues() {
    pendingValues_.take([this](clap_id id, float value) { setPluginValue(id, value); });
}

void FilterPlugin::setEditorChanges(const clap_output_events* out) {
    editorEvents_.take([this, out](const EditorEvent& event) {
        if (event.kind == EditorEvent::Kind::Value) setPluginValue(static_cast<clap_id>(event.index), event.value);
        pushEditorEvent(out, event);
    });
}

void FilterPlugin::render(const float* const* inputs, float* left, float* right, std::uint32_t first,
                          std::uint32_t end) {
    constexpr std::uint32_t kLargestCall = std::numeric_limits<std::int32_t>::max();
    const bool stereo = inputChannels_ > 1;
    const float* const dry[] = {inputs[0] + first, stereo ? inputs[1] + first : nullptr};
    float* const outputs[] = {left + first, right + first};
    bypass_.process(dry, static_cast<int>(inputChannels_), outputs, 2, end - first,
                    [&](std::uint32_t from, std::uint32_t count) {
        for (std::uint32_t done = 0; done < count;) {
            const auto frames = static_cast<std::int32_t>(std::min(count - done, kLargestCall));
            const std::uint32_t at = first + from + done;
            const float peak =
                stereo ? processor_.process(inputs[0] + at, inputs[1] + at, left + at, right + at, frames,
                                            OutputMode::Replace)
                       : processor_.process(inputs[0] + at, left + at, right + at, frames, OutputMode::Replace);
            displayUpdates_->afterProcess(static_cast<std::uint32_t>(frames), peak, processor_.settingsPublications());
            done += static_cast<std::uint32_t>(frames);
        }
    });
}

clap_process_status FilterPlugin::process(const clap_process* process) {
    FloatEnvironmentGuard guard;
    rules_.requireAudioThread("process must be called on the audio thread");
    rules_.require(active_.load(relaxed), "process called before activate");
    rules_.require(processing_.load(relaxed), "process called before start_processing");
    if (process == nullptr || !active_.load(relaxed)) return kClapProcessError;
    inProcess_.store(true, relaxed);

    setPendingValues();
    setEditorChanges(process->out_events);
    ParameterChangeReader changes(process->in_events);
    const std::uint32_t frames = process->frames_count;
    const std::optional<BlockBuffers> buffers = buffersOf(*process, inputChannels_);
    if (frames > 0 && !buffers) {
        // Nothing can be rendered, but no setting the host sent is lost.
        while (const auto change = changes.next()) setPluginValue(change->id, change->value);
        inProcess_.store(false, relaxed);
        return kClapProcessError;
    }

    // Each change lands on its sample: the block is rendered up to it, then it is set. A
    // change timed before an earlier one is set where the block has got to; one timed
    // beyond the block is set after its last frame.
    std::uint32_t position = 0;
    while (const auto change = changes.next()) {
        const std::uint32_t at = std::clamp(change->time, position, frames);
        if (at > position) render(buffers->inputs, buffers->left, buffers->right, position, at);
        position = at;
        setPluginValue(change->id, change->value);
    }
    if (frames > position) render(buffers->inputs, buffers->left, buffers->right, position, frames);
    if (frames > 0) {
        flushSubnormals(buffers->left, frames);
        if (buffers->right != buffers->left) flushSubnormals(buffers->right, frames);
        // Filtered audio is no constant, whatever the input was.
        process->audio_outputs[0].constant_mask = 0;
    }
    inProcess_.store(false, relaxed);
    return kClapProcessContinue;
}

std::uint32_t FilterPlugin::audioPortCount(bool) const {
    rules_.requireMainThread("audio-ports count must be called on the main thread");
    return 1;
}

bool FilterPlugin::audioPortInfo(std::uint32_t index, bool isInput, clap_audio_port_info* info) const {
    rules_.requireMainThread("audio-ports get must be called on the main thread");
    if (info == nullptr || index != 0) return false;
    *info = clap_audio_port_info{};
    info->id = kPortId;
    copyName(info->name, isInput ? "Input" : "Output");
    info->flags = kClapAudioPortIsMain;
    info->channel_count = isInput ? inputChannels_ : kOutputChannels;
    info->port_type = isInput && inputChannels_ == 1 ? kClapPortMono : kClapPortStereo;
    info->in_place_pair = kClapInvalidId;
    return true;
}

std::uint32_t FilterPlugin::parameterCount() const {
    rules_.requireMainThread("params count must be called on the main thread");
    return kClapParameterCount;
}

bool FilterPlugin::parameterInfo(std::uint32_t index, clap_param_info* info) const {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("params get_info must be called on the main thread");
    return clapParameterInfo(index, info);
}

float FilterPlugin::hostVisibleValue(clap_id id) const {
    return pendingValues_.pending() ? pendingValues_.value(id) : pluginValue(id);
}

bool FilterPlugin::parameterValue(clap_id id, double* value) const {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("params get_value must be called on the main thread");
    if (value == nullptr || id >= kClapParameterCount) return false;
    *value = hostValueOf(id, hostVisibleValue(id));
    return true;
}

bool FilterPlugin::valueToText(clap_id id, double value, char* buffer, std::uint32_t capacity) {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("params value_to_text must be called on the main thread");
    if (buffer == nullptr || capacity == 0) return false;
    buffer[0] = '\0';
    const std::optional<std::string> text = clapValueText(id, value, sampleRate_);
    // A text cut short would show another value: a buffer too small gets none.
    if (!text || text->size() >= capacity) return false;
    std::memcpy(buffer, text->c_str(), text->size() + 1);
    return true;
}

bool FilterPlugin::textToValue(clap_id id, const char* text, double* value) {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("params text_to_value must be called on the main thread");
    if (text == nullptr || value == nullptr) return false;
    const std::optional<double> typed = clapTextValue(id, text, sampleRate_);
    if (!typed) return false;
    *value = *typed;
    return true;
}

void FilterPlugin::flush(const clap_input_events* events, const clap_output_events* out) {
    FloatEnvironmentGuard guard;
    if (active_.load(relaxed)) {
        rules_.requireAudioThread("params flush while active must be called on the audio thread");
        rules_.require(!inProcess_.load(relaxed), "params flush called during process");
        setPendingValues();
    } else {
        rules_.requireMainThread("params flush while not active must be called on the main thread");
    }
    // The window's changes and the events, and nothing else: a flush while audio runs must
    // not disturb it.
    setEditorChanges(out);
    ParameterChangeReader changes(events);
    while (const auto change = changes.next()) setPluginValue(change->id, change->value);
}

bool FilterPlugin::saveState(const clap_ostream* stream) const {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("state save must be called on the main thread");
    ParameterValues values{};
    for (clap_id id = 0; id < kClapParameterCount; ++id) {
        values[id] = static_cast<float>(hostValueOf(id, hostVisibleValue(id)));
    }
    const auto bytes = encodeState(values);
    return writeWholeStream(stream, bytes.data(), bytes.size());
}

bool FilterPlugin::loadState(const clap_istream* stream) {
    FloatEnvironmentGuard guard;
    rules_.requireMainThread("state load must be called on the main thread");
    std::uint8_t bytes[kStateSize];
    const std::optional<std::size_t> size = readWholeStream(stream, bytes, sizeof bytes);
    if (!size) return false;
    const std::optional<ParameterValues> hostValues = decodeState(bytes, *size);
    if (!hostValues) return false;
    // Every value a record holds is one the parameter takes, so none is refused here.
    ParameterValues values{};
    for (clap_id id = 0; id < kClapParameterCount; ++id) values[id] = *pluginValueOf(id, (*hostValues)[id]);
    if (active_.load(relaxed)) {
        pendingValues_.post(values);
    } else {
        for (clap_id id = 0; id < kClapParameterCount; ++id) setPluginValue(id, values[id]);
    }
    if (hostParams_ != nullptr) hostParams_->rescan(host_, kClapParamRescanValues);
    return true;
}

std::uint32_t FilterPlugin::latency() const {
    rules_.requireMainThread("latency get must be called on the main thread");
    return 0;
}

#if defined(BRAMSOLIKET_CLAP_GUI)
bool FilterPlugin::guiSupported(const char* api, bool floating) const {
    rules_.requireMainThread("gui is_api_supported must be called on the main thread");
    return PluginGui::supports(host_, api, floating);
}

bool FilterPlugin::createGui(const char* api, bool floating) {
    rules_.requireMainThread("gui create must be called on the main thread");
    rules_.require(gui_ == nullptr, "gui create called while the plug-in has a window");
    if (gui_ != nullptr || !PluginGui::supports(host_, api, floating)) return false;
    try {
        gui_ = PluginGui::create(host_, *this);
    } catch (const std::bad_alloc&) {
        gui_.reset();
    }
    return gui_ != nullptr;
}

void FilterPlugin::destroyGui() {
    rules_.requireMainThread("gui destroy must be called on the main thread");
    gui_.reset();
}
#endif

const clap_plugin* createFilterPlugin(const clap_host* host, const char* pluginId) {
    if (host == nullptr || pluginId == nullptr) return nullptr;
    const bool mono = std::strcmp(pluginId, kFilterPluginId) == 0;
    if (!mono && std::strcmp(pluginId, kStereoFilterPluginId) != 0) return nullptr;
    if (host->clap_version.major < 1) return nullptr;  // versions 0.x were drafts of another layout
    try {
        const FilterPlugin* plugin = new (std::nothrow) FilterPlugin(host, mono ? 1 : 2);
        return plugin == nullptr ? nullptr : plugin->record();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
