// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

#include "tools/commands/command_support.h"
#include "tools/hosting/lv2/lv2_plugin_listing.h"
#include "tools/hosting/lv2/lv2_port_values.h"
#include "tools/hosting/lv2/standard_error_capture.h"
#include "tools/tool_error.h"

namespace {

// Atom buffers hold this many bytes, or what the largest rsz:minimumSize asks for.
constexpr std::uint32_t kAtomBufferBytes = 65536;

bool namesAMeter(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* word : {"meter", "peak", "level"}) {
        if (text.find(word) != std::string::npos) return true;
    }
    return false;
}

bool saysOutput(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text.find("out") != std::string::npos;
}

// A designation that names a meter first; then, among the ports whose symbol or name does,
// one that says it meters the output ("meter_outL" before "meter_inL"), else the first.
std::optional<std::uint32_t> chooseMeterPort(const Lv2PluginFacts& facts) {
    std::vector<const Lv2Port*> named;
    for (const Lv2Port& port : facts.ports) {
        if (port.kind != Lv2PortKind::Control || port.input || port.reportsLatency) continue;
        if (!port.designation.empty() && namesAMeter(shortUriName(port.designation))) return port.index;
        if (namesAMeter(port.symbol) || namesAMeter(port.name)) named.push_back(&port);
    }
    for (const Lv2Port* port : named) {
        if (saysOutput(port->symbol) || saysOutput(port->name)) return port->index;
    }
    if (named.empty()) return std::nullopt;
    return named.front()->index;
}

std::optional<std::uint32_t> chooseLatencyPort(const Lv2PluginFacts& facts) {
    for (const Lv2Port& port : facts.ports) {
        if (port.kind == Lv2PortKind::Control && !port.input && port.reportsLatency) return port.index;
    }
    return std::nullopt;
}

std::string portText(const Lv2Port& port) {
    return "port " + std::to_string(port.index) + " \"" + port.symbol + "\" (" + portKindText(port) + ")";
}

}  // namespace

std::unique_ptr<Lv2Plugin> Lv2Plugin::load(const std::string& bundleOrUri) {
    auto world = std::make_unique<Lv2World>();
    const LilvPlugin* plugin = findLv2Plugin(*world, parseLv2PluginChoice(bundleOrUri));
    return std::unique_ptr<Lv2Plugin>(new Lv2Plugin(std::move(world), plugin));
}

Lv2Plugin::Lv2Plugin(std::unique_ptr<Lv2World> world, const LilvPlugin* plugin)
    : world_(std::move(world)), plugin_(plugin), facts_(readLv2PluginFacts(world_->get(), plugin)) {
    portValues_.assign(facts_.ports.size(), 0.0f);
    cvBuffers_.resize(facts_.ports.size());
    atomBuffers_.resize(facts_.ports.size());
    atomBufferBytes_ = kAtomBufferBytes;
    for (const Lv2Port& port : facts_.ports) {
        if (port.kind == Lv2PortKind::Audio) (port.input ? audioInputs_ : audioOutputs_).push_back(port.index);
        if (port.kind == Lv2PortKind::Control && port.input) {
            controlInputs_.push_back(port.index);
            portValues_[port.index] = initialValue(port, rate_);
        }
        if (port.kind == Lv2PortKind::Atom) atomBufferBytes_ = std::max(atomBufferBytes_, port.minimumBufferSize);
    }
    // Whole atoms of 8 bytes.
    atomBufferBytes_ = (atomBufferBytes_ + 7) / 8 * 8;
    setByHost_.assign(controlInputs_.size(), false);
    meterPort_ = chooseMeterPort(facts_);
    latencyPort_ = chooseLatencyPort(facts_);
}

Lv2Plugin::~Lv2Plugin() {
    deactivate();
    if (instance_ != nullptr) lilv_instance_free(instance_);
}

const Lv2Port& Lv2Plugin::control(std::int32_t index) const {
    return facts_.ports.at(controlInputs_.at(static_cast<std::size_t>(index)));
}

const PluginDescription& Lv2Plugin::description() const {
    PluginDescription& d = description_;
    d.name = facts_.name;
    d.format = "LV2";
    d.path = facts_.bundle;
    d.inputCount = static_cast<std::int32_t>(audioInputs_.size());
    d.outputCount = static_cast<std::int32_t>(audioOutputs_.size());
    d.latency = latencyPort_ ? static_cast<std::int32_t>(std::lround(portValues_[*latencyPort_])) : 0;
    d.properties = lv2PluginProperties(facts_);
    d.isInstrument = isLv2Instrument(facts_);
    d.hasEditor = facts_.hasUserInterface;
    d.hasMeter = meterPort_.has_value();
    d.formatFacts = lv2FormatFacts(facts_, portValues_, rate_, meterPort_, latencyPort_);
    return d;
}

std::string Lv2Plugin::parameterUnit(std::int32_t index) { return unitShownFor(control(index), parameterValue(index)); }

float Lv2Plugin::parameterValue(std::int32_t index) { return portValues_[control(index).index]; }

std::string Lv2Plugin::parameterDisplay(std::int32_t index) {
    return displayText(control(index), parameterValue(index));
}

ParameterRange Lv2Plugin::parameterRange(std::int32_t index) { return portRange(control(index), rate_); }

float Lv2Plugin::valueAsSent(std::int32_t index, float value) const { return allowedValue(control(index), value); }

void Lv2Plugin::setParameter(std::int32_t index, float value) {
    portValues_[control(index).index] = valueAsSent(index, value);
    setByHost_[static_cast<std::size_t>(index)] = true;
}

std::optional<float> Lv2Plugin::valueForText(std::int32_t index, const std::string& text) {
    return ::valueForText(control(index), text);
}

void Lv2Plugin::checkServable() const {
    std::vector<std::string> missing;
    for (const std::string& feature : facts_.requiredFeatures) {
        if (!Lv2HostFeatures::serves(feature)) missing.push_back(compactLv2Uri(feature));
    }
    if (!missing.empty()) {
        std::string list;
        for (std::size_t i = 0; i < missing.size(); ++i) list += (i == 0 ? "" : ", ") + missing[i];
        throw ToolError("LV2 plug-in " + facts_.uri + " requires the feature" + (missing.size() > 1 ? "s " : " ") + list +
                        ", which this tool does not provide (it provides " + Lv2HostFeatures::servedFeaturesText() +
                        ")");
    }
    for (const std::string& option : facts_.requiredOptions) {
        if (!Lv2HostFeatures::givesOption(option)) {
            throw ToolError("LV2 plug-in " + facts_.uri + " requires the option " + compactLv2Uri(option) +
                            ", which this tool does not give");
        }
    }
    for (const Lv2Port& port : facts_.ports) {
        if (port.connectionOptional) continue;
        if (port.kind == Lv2PortKind::Event) {
            throw ToolError("LV2 plug-in " + facts_.uri + " has an event " + portText(port) +
                            " of the old event extension, which this tool does not serve");
        }
        if (port.kind == Lv2PortKind::Unknown) {
            throw ToolError("LV2 plug-in " + facts_.uri + " has " + portText(port) +
                            " of a kind this tool does not know");
        }
        if (port.kind == Lv2PortKind::Atom && !port.takesSequence) {
            throw ToolError("LV2 plug-in " + facts_.uri + " has an atom " + portText(port) +
                            " that takes no atom:Sequence, the only atom buffer this tool serves");
        }
    }
}

void Lv2Plugin::instantiate(double sampleRate, std::int32_t maximumBlock) {
    checkServable();
    if (instance_ != nullptr) {
        lilv_instance_free(instance_);
        instance_ = nullptr;
    }
    features_.setRunConditions(sampleRate, maximumBlock, static_cast<std::int32_t>(atomBufferBytes_));
    StandardErrorCapture capture;
    instance_ = lilv_plugin_instantiate(plugin_, sampleRate, features_.features());
    const std::vector<std::string> said = capture.finish();
    if (instance_ == nullptr) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%g", sampleRate);
        throw ToolError("LV2 plug-in " + facts_.uri + " could not be instantiated at " + rate + " Hz (" +
                        (said.empty() ? "its module " + facts_.binary.string() + " gave no instance" : said.front()) +
                        ")");
    }
    for (const std::string& line : said) warn("while instantiating " + facts_.uri + ": " + line);
    instanceRate_ = sampleRate;
    instanceBlock_ = maximumBlock;
    for (const Lv2Port& port : facts_.ports) {
        void* buffer = nullptr;
        switch (port.kind) {
            case Lv2PortKind::Control:
                buffer = &portValues_[port.index];
                break;
            case Lv2PortKind::Cv:
                cvBuffers_[port.index].assign(static_cast<std::size_t>(maximumBlock), 0.0f);
                buffer = cvBuffers_[port.index].data();
                break;
            case Lv2PortKind::Atom:
                if (port.takesSequence) {
                    atomBuffers_[port.index].assign(atomBufferBytes_ / 8, 0);
                    buffer = atomBuffers_[port.index].data();
                }
                break;
            case Lv2PortKind::Audio:  // connected to each block's buffers
            case Lv2PortKind::Event:
            case Lv2PortKind::Unknown:
                break;
        }
        lilv_instance_connect_port(instance_, port.index, buffer);
    }
}

void Lv2Plugin::activate(double sampleRate, std::int32_t maximumBlock) {
    deactivate();
    if (sampleRate != rate_) {
        for (std::size_t i = 0; i < controlInputs_.size(); ++i) {
            const Lv2Port& port = facts_.ports[controlInputs_[i]];
            if (!setByHost_[i] && port.sampleRate) portValues_[port.index] = initialValue(port, sampleRate);
        }
        rate_ = sampleRate;
    }
    if (instance_ == nullptr || sampleRate != instanceRate_ || maximumBlock > instanceBlock_) {
        instantiate(sampleRate, maximumBlock);
    }
    lilv_instance_activate(instance_);
    active_ = true;
}

void Lv2Plugin::deactivate() {
    if (!active_) return;
    lilv_instance_deactivate(instance_);
    active_ = false;
}

void Lv2Plugin::prepareEventBuffers() {
    const LV2_URID sequence = features_.map(LV2_ATOM__Sequence);
    const LV2_URID chunk = features_.map(LV2_ATOM__Chunk);
    for (const Lv2Port& port : facts_.ports) {
        if (port.kind != Lv2PortKind::Atom || atomBuffers_[port.index].empty()) continue;
        auto* header = reinterpret_cast<LV2_Atom_Sequence*>(atomBuffers_[port.index].data());
        if (port.input) {
            // An empty sequence of events timed in frames.
            header->atom.size = sizeof(LV2_Atom_Sequence_Body);
            header->atom.type = sequence;
            header->body.unit = 0;
            header->body.pad = 0;
        } else {
            // The space the plug-in may write its sequence into.
            header->atom.size = atomBufferBytes_ - static_cast<std::uint32_t>(sizeof(LV2_Atom));
            header->atom.type = chunk;
        }
    }
}

void Lv2Plugin::process(float** inputs, float** outputs, std::int32_t frameCount) {
    if (!active_) throw std::logic_error("Lv2Plugin::process while not active");
    if (frameCount > instanceBlock_) throw std::logic_error("Lv2Plugin::process with a block above the largest");
    for (std::size_t i = 0; i < audioInputs_.size(); ++i) lilv_instance_connect_port(instance_, audioInputs_[i], inputs[i]);
    for (std::size_t i = 0; i < audioOutputs_.size(); ++i) {
        lilv_instance_connect_port(instance_, audioOutputs_[i], outputs[i]);
    }
    prepareEventBuffers();
    lilv_instance_run(instance_, static_cast<std::uint32_t>(frameCount));
    if (meterPort_) {
        const double level = meterLevel(facts_.ports[*meterPort_], portValues_[*meterPort_]);
        meterPeak_ = meterHasRun_ ? std::max(meterPeak_, level) : level;
        meterHasRun_ = true;
    }
}

void Lv2Plugin::processAccumulating(float**, float**, std::int32_t) {
    throw std::logic_error("LV2 plug-ins have no accumulating process call");
}

std::optional<double> Lv2Plugin::meter() {
    if (!meterPort_) return std::nullopt;
    const double level = meterHasRun_ ? meterPeak_ : meterLevel(facts_.ports[*meterPort_], portValues_[*meterPort_]);
    meterHasRun_ = false;
    return level;
}
