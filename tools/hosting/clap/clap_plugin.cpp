// SPDX-License-Identifier: MIT
#include "tools/hosting/clap/clap_plugin.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tools/hosting/effect_text.h"
#include "tools/tool_error.h"

namespace {

constexpr double kLatencyProbeRate = 44100.0;
constexpr std::int32_t kLatencyProbeBlock = 512;

std::string textOf(const char* text) { return text != nullptr ? moduleTextToUtf8(text, std::strlen(text)) : ""; }

// A fixed field of the interface, which a plug-in may have left unterminated.
template <std::size_t Size>
std::string fieldText(const char (&field)[Size]) {
    return moduleTextToUtf8(field, Size);
}

FormatFact fact(std::string key, std::string label, std::string text, nlohmann::ordered_json value) {
    return {std::move(key), std::move(label), std::move(text), std::move(value)};
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string hexText(std::uint32_t bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", bits);
    return text;
}

struct NamedBit {
    std::uint32_t bit;
    const char* name;
};

constexpr NamedBit kParameterFlags[] = {
    {kClapParamIsStepped, "stepped"},
    {kClapParamIsPeriodic, "periodic"},
    {kClapParamIsHidden, "hidden"},
    {kClapParamIsReadonly, "readonly"},
    {kClapParamIsBypass, "bypass"},
    {kClapParamIsAutomatable, "automatable"},
    {kClapParamIsAutomatablePerNoteId, "automatablePerNoteId"},
    {kClapParamIsAutomatablePerKey, "automatablePerKey"},
    {kClapParamIsAutomatablePerChannel, "automatablePerChannel"},
    {kClapParamIsAutomatablePerPort, "automatablePerPort"},
    {kClapParamIsModulatable, "modulatable"},
    {kClapParamIsModulatablePerNoteId, "modulatablePerNoteId"},
    {kClapParamIsModulatablePerKey, "modulatablePerKey"},
    {kClapParamIsModulatablePerChannel, "modulatablePerChannel"},
    {kClapParamIsModulatablePerPort, "modulatablePerPort"},
    {kClapParamRequiresProcess, "requiresProcess"},
    {kClapParamIsEnum, "enum"},
};

constexpr NamedBit kPortFlags[] = {
    {kClapAudioPortIsMain, "main"},
    {kClapAudioPortSupports64Bits, "supports64Bits"},
    {kClapAudioPortPrefers64Bits, "prefers64Bits"},
    {kClapAudioPortRequiresCommonSampleSize, "requiresCommonSampleSize"},
};

// The set bits by name, lowest first; bits without one as "bit 0x...".
template <std::size_t Count>
std::vector<std::string> bitNames(std::uint32_t bits, const NamedBit (&names)[Count]) {
    std::vector<std::string> shown;
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((bits & bit) == 0) continue;
        const auto* named = std::find_if(std::begin(names), std::end(names), [bit](const NamedBit& n) { return n.bit == bit; });
        shown.push_back(named != std::end(names) ? named->name : "bit " + hexText(bit));
    }
    return shown;
}

std::uint32_t channelsOf(const std::vector<clap_audio_port_info>& ports) {
    std::uint32_t channels = 0;
    for (const clap_audio_port_info& port : ports) channels += port.channel_count;
    return channels;
}

FormatFact portsFact(const char* key, const char* label, const std::vector<clap_audio_port_info>& ports) {
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    std::string text;
    for (const clap_audio_port_info& port : ports) {
        const std::string type = textOf(port.port_type);
        const std::vector<std::string> flags = bitNames(port.flags, kPortFlags);
        json.push_back({{"id", port.id},
                        {"name", fieldText(port.name)},
                        {"channels", port.channel_count},
                        {"type", type},
                        {"flags", flags},
                        {"inPlacePair", port.in_place_pair == kClapInvalidId ? nlohmann::ordered_json(nullptr)
                                                                             : nlohmann::ordered_json(port.in_place_pair)}});
        std::string shown = "\"" + fieldText(port.name) + "\" (id " + std::to_string(port.id) + ", " +
                            std::to_string(port.channel_count) +
                            (port.channel_count == 1 ? " channel" : " channels");
        if (!type.empty()) shown += ", " + type;
        if (!flags.empty()) shown += ", " + joined(flags);
        text += (text.empty() ? "" : "; ") + shown + ")";
    }
    return fact(key, label, text.empty() ? "none" : text, json);
}

}  // namespace

std::unique_ptr<ClapPlugin> ClapPlugin::load(const std::string& path) {
    const ClapPluginPath chosen = splitClapPluginPath(path);
    std::unique_ptr<ClapModule> module = ClapModule::open(chosen.module);
    const clap_plugin_descriptor& descriptor = module->choose(chosen.pluginId);
    if (!clapVersionCompatible(descriptor.clap_version)) {
        throw ToolError("CLAP plug-in \"" + std::string(descriptor.id) + "\" follows CLAP " +
                        clapVersionText(descriptor.clap_version) + ", which this host cannot load");
    }
    std::unique_ptr<ClapPlugin> plugin(new ClapPlugin(std::move(module)));
    plugin->create(descriptor);
    return plugin;
}

ClapPlugin::~ClapPlugin() {
    if (plugin_ == nullptr) return;
    deactivate();
    plugin_->destroy(plugin_);
    plugin_ = nullptr;
}

void ClapPlugin::create(const clap_plugin_descriptor& descriptor) {
    const std::string id = descriptor.id;
    const clap_plugin_factory& factory = module_->factory();
    const clap_plugin* created = factory.create_plugin(&factory, hostSide_.host(), descriptor.id);
    if (created == nullptr) throw ToolError("CLAP plug-in \"" + id + "\" could not be created");
    if (created->init == nullptr || created->destroy == nullptr || created->activate == nullptr ||
        created->deactivate == nullptr || created->start_processing == nullptr ||
        created->stop_processing == nullptr || created->process == nullptr || created->get_extension == nullptr ||
        created->on_main_thread == nullptr) {
        // Not even destroy can be trusted to be there: the plug-in is left as it is.
        throw ToolError("CLAP plug-in \"" + id + "\": its record lacks one of its functions");
    }
    if (!created->init(created)) {
        created->destroy(created);
        throw ToolError("CLAP plug-in \"" + id + "\": its init failed");
    }
    plugin_ = created;
    readPortsAndParameters();
    describe(descriptor);
    readLatency();
    serveRequests();
}

void ClapPlugin::readPortsAndParameters() {
    const std::string id = plugin_->desc != nullptr ? textOf(plugin_->desc->id) : "";
    audioPorts_ = static_cast<const clap_plugin_audio_ports*>(plugin_->get_extension(plugin_, kClapExtAudioPorts));
    if (audioPorts_ != nullptr && (audioPorts_->count == nullptr || audioPorts_->get == nullptr)) audioPorts_ = nullptr;
    // Without the extension a plug-in has no audio ports.
    for (const bool isInput : {true, false}) {
        const std::uint32_t count = audioPorts_ != nullptr ? audioPorts_->count(plugin_, isInput) : 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            clap_audio_port_info info{};
            if (!audioPorts_->get(plugin_, i, isInput, &info)) {
                throw ToolError("CLAP plug-in \"" + id + "\": its audio " + (isInput ? "input" : "output") +
                                " port " + std::to_string(i) + " cannot be read");
            }
            (isInput ? inputPorts_ : outputPorts_).push_back(info);
        }
    }
    params_ = static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, kClapExtParams));
    if (params_ != nullptr && (params_->count == nullptr || params_->get_info == nullptr ||
                               params_->get_value == nullptr)) {
        params_ = nullptr;
    }
    const std::uint32_t count = params_ != nullptr ? params_->count(plugin_) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_param_info info{};
        if (!params_->get_info(plugin_, i, &info)) {
            throw ToolError("CLAP plug-in \"" + id + "\": the info of parameter " + std::to_string(i) +
                            " cannot be read");
        }
        parameters_.push_back(info);
    }
}

void ClapPlugin::describe(const clap_plugin_descriptor& descriptor) {
    PluginDescription& d = description_;
    d.name = textOf(descriptor.name);
    d.format = "CLAP";
    d.path = module_->path();
    const std::uint32_t inputChannels = channelsOf(inputPorts_);
    const std::uint32_t outputChannels = channelsOf(outputPorts_);
    d.inputCount = static_cast<std::int32_t>(inputChannels);
    d.outputCount = static_cast<std::int32_t>(outputChannels);
    for (const char* const* feature = descriptor.features; feature != nullptr && *feature != nullptr; ++feature) {
        d.properties.push_back(textOf(*feature));
    }

    std::vector<std::string> extensions;
    for (const char* extension : {kClapExtAudioPorts, kClapExtNotePorts, kClapExtParams, kClapExtState,
                                  kClapExtLatency, kClapExtGui, kClapExtPosixFdSupport, kClapExtTimerSupport}) {
        if (plugin_->get_extension(plugin_, extension) != nullptr) extensions.emplace_back(extension);
    }
    for (const char* extension : kClapOtherPluginExtensions) {
        if (plugin_->get_extension(plugin_, extension) != nullptr) extensions.emplace_back(extension);
    }
    std::sort(extensions.begin(), extensions.end());
    const auto offers = [&extensions](const char* extension) {
        return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
    };

    std::uint32_t noteInputs = 0, noteOutputs = 0;
    const auto* notePorts = static_cast<const clap_plugin_note_ports*>(plugin_->get_extension(plugin_, kClapExtNotePorts));
    if (notePorts != nullptr && notePorts->count != nullptr) {
        noteInputs = notePorts->count(plugin_, true);
        noteOutputs = notePorts->count(plugin_, false);
    }
    const bool instrumentFeature =
        std::find(d.properties.begin(), d.properties.end(), kClapPluginFeatureInstrument) != d.properties.end();
    // An instrument by its feature, or in effect: notes in and no audio in.
    d.isInstrument = instrumentFeature || (noteInputs > 0 && inputChannels == 0);
    d.hasEditor = offers(kClapExtGui);
    d.hasMeter = false;

    std::vector<std::string> inModule;
    for (const clap_plugin_descriptor* other : module_->descriptors()) inModule.push_back(textOf(other->id));
    d.formatFacts = {
        fact("id", "id", textOf(descriptor.id), textOf(descriptor.id)),
        fact("vendor", "vendor", textOf(descriptor.vendor), textOf(descriptor.vendor)),
        fact("version", "version", textOf(descriptor.version), textOf(descriptor.version)),
        fact("description", "description", textOf(descriptor.description), textOf(descriptor.description)),
        fact("url", "", "", textOf(descriptor.url)),
        fact("manualUrl", "", "", textOf(descriptor.manual_url)),
        fact("supportUrl", "", "", textOf(descriptor.support_url)),
        fact("clapVersion", "CLAP version", clapVersionText(descriptor.clap_version),
             clapVersionText(descriptor.clap_version)),
        fact("features", "features", joined(d.properties), d.properties),
        portsFact("audioInputs", "audio inputs", inputPorts_),
        portsFact("audioOutputs", "audio outputs", outputPorts_),
        fact("notePorts", "note ports", std::to_string(noteInputs) + " in, " + std::to_string(noteOutputs) + " out",
             {{"inputs", noteInputs}, {"outputs", noteOutputs}}),
        fact("extensions", "extensions", extensions.empty() ? "none" : joined(extensions), extensions),
        fact("pluginsInModule", "in the module", joined(inModule), inModule),
    };
}

void ClapPlugin::readLatency() {
    const auto* latency = static_cast<const clap_plugin_latency*>(plugin_->get_extension(plugin_, kClapExtLatency));
    if (latency == nullptr || latency->get == nullptr) return;
    // CLAP lets a host ask only while the plug-in is active: once at load, then at every
    // activation (the latency may depend on the rate).
    if (!active_) {
        activate(kLatencyProbeRate, kLatencyProbeBlock);
        deactivate();
        return;
    }
    description_.latency = static_cast<std::int32_t>(std::min<std::uint32_t>(latency->get(plugin_), INT32_MAX));
    for (FormatFact& f : description_.formatFacts) {
        if (f.key == "latency") {
            f.text = std::to_string(description_.latency) + " samples";
            f.value = description_.latency;
            return;
        }
    }
    description_.formatFacts.push_back(
        fact("latency", "latency", std::to_string(description_.latency) + " samples", description_.latency));
}

void ClapPlugin::serveRequests() {
    const ClapHostSide::Requests requests = hostSide_.takeRequests();
    if (requests.callback) plugin_->on_main_thread(plugin_);
    // While active, the next block serves a flush; a restart waits for the block boundary.
    if (requests.flush && !active_ && params_ != nullptr && params_->flush != nullptr) {
        inputEvents_.clear();
        params_->flush(plugin_, inputEvents_.list(), outputEvents_.list());
    }
    if (requests.restart && active_) restartPending_ = true;
}

std::string ClapPlugin::parameterName(std::int32_t index) { return fieldText(parameters_.at(index).name); }

float ClapPlugin::parameterValue(std::int32_t index) {
    const clap_param_info& info = parameters_.at(static_cast<std::size_t>(index));
    double value = info.default_value;
    if (!params_->get_value(plugin_, info.id, &value)) value = info.default_value;
    return static_cast<float>(value);
}

std::string ClapPlugin::parameterDisplay(std::int32_t index) {
    const clap_param_info& info = parameters_.at(static_cast<std::size_t>(index));
    const double value = parameterValue(index);
    if (params_->value_to_text != nullptr) {
        std::array<char, kClapNameSize> buffer{};
        if (params_->value_to_text(plugin_, info.id, value, buffer.data(), buffer.size())) {
            return moduleTextToUtf8(buffer.data(), buffer.size());
        }
    }
    return numberText(value);
}

ParameterRange ClapPlugin::parameterRange(std::int32_t index) {
    const clap_param_info& info = parameters_.at(static_cast<std::size_t>(index));
    return {static_cast<float>(info.min_value), static_cast<float>(info.max_value),
            static_cast<float>(info.default_value)};
}

void ClapPlugin::setParameter(std::int32_t index, float value) {
    const clap_param_info& info = parameters_.at(static_cast<std::size_t>(index));
    if (params_->flush == nullptr) {
        unflushed_.push_back({0, index, value});
        return;
    }
    inputEvents_.clear();
    inputEvents_.add(0, info.id, info.cookie, value);
    flushEvents();
}

void ClapPlugin::flushEvents() {
    if (active_) {
        ClapHostSide::AudioThreadCall audio(hostSide_);
        params_->flush(plugin_, inputEvents_.list(), outputEvents_.list());
    } else {
        params_->flush(plugin_, inputEvents_.list(), outputEvents_.list());
    }
    inputEvents_.clear();
    serveRequests();
}

std::optional<float> ClapPlugin::valueForText(std::int32_t index, const std::string& text) {
    if (!hasTextToValue()) return std::nullopt;
    double value = 0.0;
    if (!params_->text_to_value(plugin_, parameters_.at(static_cast<std::size_t>(index)).id, text.c_str(), &value) ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

std::optional<std::uint32_t> ClapPlugin::parameterId(std::int32_t index) {
    return parameters_.at(static_cast<std::size_t>(index)).id;
}

std::vector<FormatFact> ClapPlugin::parameterFacts(std::int32_t index) {
    const clap_param_info& info = parameters_.at(static_cast<std::size_t>(index));
    const std::vector<std::string> flags = bitNames(info.flags, kParameterFlags);
    const std::string module = fieldText(info.module);
    return {
        fact("id", "id", std::to_string(info.id), info.id),
        fact("module", "module", "\"" + module + "\"", module),
        fact("flags", "flags", flags.empty() ? "none" : joined(flags), info.flags),
        fact("flagNames", "", "", flags),
        fact("range", "range",
             numberText(info.min_value) + " to " + numberText(info.max_value) + ", default " +
                 numberText(info.default_value),
             {{"minimum", info.min_value}, {"maximum", info.max_value}, {"default", info.default_value}}),
    };
}

void ClapPlugin::activate(double sampleRate, std::int32_t maximumBlock) {
    deactivate();
    serveRequests();
    const auto largest = static_cast<std::uint32_t>(std::max(maximumBlock, 1));
    if (!plugin_->activate(plugin_, sampleRate, 1, largest)) {
        throw ToolError("CLAP plug-in \"" + description_.name + "\" refused to activate at " + numberText(sampleRate) +
                        " Hz with blocks of up to " + std::to_string(largest) + " frames");
    }
    bool started = false;
    {
        ClapHostSide::AudioThreadCall audio(hostSide_);
        started = plugin_->start_processing(plugin_);
    }
    if (!started) {
        plugin_->deactivate(plugin_);
        throw ToolError("CLAP plug-in \"" + description_.name + "\" refused to start processing");
    }
    active_ = true;
    restartPending_ = false;
    sampleRate_ = sampleRate;
    maximumBlock_ = static_cast<std::int32_t>(largest);
    readLatency();
}

void ClapPlugin::deactivate() {
    if (!active_) return;
    {
        ClapHostSide::AudioThreadCall audio(hostSide_);
        plugin_->stop_processing(plugin_);
    }
    plugin_->deactivate(plugin_);
    active_ = false;
    serveRequests();
}

void ClapPlugin::process(float** inputs, float** outputs, std::int32_t frameCount) {
    processBlock(inputs, outputs, frameCount, {}, false);
}

void ClapPlugin::processAccumulating(float**, float**, std::int32_t) {
    throw ToolError("CLAP has no accumulating process call");
}

std::int32_t ClapPlugin::processBlock(float** inputs, float** outputs, std::int32_t frameCount,
                                            const std::vector<BlockParameterChange>& changes, bool accumulate) {
    if (accumulate) processAccumulating(inputs, outputs, frameCount);
    if (!active_) throw ToolError("a CLAP plug-in processes only while active");
    if (frameCount > maximumBlock_) throw ToolError("a block is longer than the plug-in was activated for");
    if (restartPending_) {
        // What the plug-in asked for, at the first block boundary after it asked.
        std::cerr << "bramsoliket-host: warning: the plug-in asked for a restart; it is deactivated and activated again\n";
        const double rate = sampleRate_;
        const std::int32_t block = maximumBlock_;
        deactivate();
        activate(rate, block);
    }
    inputEvents_.clear();
    for (const BlockParameterChange& change : unflushed_) {
        const clap_param_info& info = parameters_.at(static_cast<std::size_t>(change.index));
        inputEvents_.add(0, info.id, info.cookie, change.value);
    }
    unflushed_.clear();
    for (const BlockParameterChange& change : changes) {
        const clap_param_info& info = parameters_.at(static_cast<std::size_t>(change.index));
        inputEvents_.add(static_cast<std::uint32_t>(std::clamp(change.offset, 0, frameCount)), info.id, info.cookie,
                         change.value);
    }
    processWithEvents(inputs, outputs, frameCount);
    inputEvents_.clear();
    serveRequests();
    return 1;
}

void ClapPlugin::processWithEvents(float** inputs, float** outputs, std::int32_t frameCount) {
    // Each port's channels are the next ones of the tool's flat lists.
    const auto fill = [](std::vector<clap_audio_buffer>& buffers, const std::vector<clap_audio_port_info>& ports,
                         float** channels) {
        buffers.resize(ports.size());
        std::size_t first = 0;
        for (std::size_t p = 0; p < ports.size(); ++p) {
            const std::uint32_t count = ports[p].channel_count;
            buffers[p] = clap_audio_buffer{count > 0 ? channels + first : nullptr, nullptr, count, 0, 0};
            first += count;
        }
    };
    fill(inputBuffers_, inputPorts_, inputs);
    fill(outputBuffers_, outputPorts_, outputs);
    const clap_process block{steadyTime_,
                             static_cast<std::uint32_t>(frameCount),
                             nullptr,
                             inputBuffers_.empty() ? nullptr : inputBuffers_.data(),
                             outputBuffers_.empty() ? nullptr : outputBuffers_.data(),
                             static_cast<std::uint32_t>(inputBuffers_.size()),
                             static_cast<std::uint32_t>(outputBuffers_.size()),
                             inputEvents_.list(),
                             outputEvents_.list()};
    clap_process_status status = kClapProcessError;
    {
        ClapHostSide::AudioThreadCall audio(hostSide_);
        status = plugin_->process(plugin_, &block);
    }
    steadyTime_ += frameCount;
    if (status == kClapProcessError) {
        // What the outputs hold is undefined: silence instead.
        for (std::int32_t c = 0; c < description_.outputCount; ++c) std::fill_n(outputs[c], frameCount, 0.0f);
        if (failedBlocks_++ == 0) {
            std::cerr << "bramsoliket-host: warning: the plug-in answered an error for a block; such blocks are "
                         "written as silence\n";
        }
    }
}
