// SPDX-License-Identifier: MIT
// The LV2 implementation of PluginInstance: one plug-in found and instantiated through lilv,
// as an LV2 host does.
//
// Its parameters are the control input ports in port order, in host units (hertz, decibels,
// scale-point values; a port with lv2:sampleRate has its range and default multiplied by the
// rate), named by their lv2:name or their symbol. Their values live in the host's port
// storage, so they need no instance and survive a new one. An instance is made at the first
// activation, for its rate and largest block (LV2 fixes both at instantiation), and made
// again when a later activation asks for another rate or a larger block; a control no one has
// set follows the rate (its default is a fraction of it), one that was set keeps its value.
//
// Ports are connected as hosts do: the audio inputs and outputs in port order to the buffers
// of each block; control outputs to storage read after every run; CV inputs to silence and CV
// outputs to scratch buffers; atom inputs to an empty sequence and atom outputs to a chunk of
// the buffer size before every run. A plug-in with a port of any other kind that is not
// lv2:connectionOptional, or that requires a feature or option the tool does not give
// (lv2_host_features.h), is refused with one line when it is first instantiated.
//
// The meter is a control output that names itself one: its designation, symbol or name says
// "meter", "peak" or "level" (our "peak"); of several, one that says it meters the output
// (Calf's "meter_outL" before "meter_inL"). A port in decibels is read as such.
#pragma once

#include <lilv/lilv.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/hosting/lv2/lv2_host_features.h"
#include "tools/hosting/lv2/lv2_plugin_facts.h"
#include "tools/hosting/lv2/lv2_plugin_lookup.h"
#include "tools/hosting/plugin_instance.h"

class Lv2Plugin : public PluginInstance {
public:
    // Finds the plug-in `--plugin` names (lv2_plugin_lookup.h). Throws ToolError when there
    // is none.
    static std::unique_ptr<Lv2Plugin> load(const std::string& bundleOrUri);

    // Deactivates an active instance and frees it.
    ~Lv2Plugin() override;
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    // The rate the ranges of lv2:sampleRate ports are shown at until an activation tells one.
    static constexpr double kRateBeforeActivation = 44100.0;

    // PluginInstance. The description's facts (the ports and their current values) are those
    // of the moment it is asked for.
    const PluginDescription& description() const override;
    std::int32_t parameterCount() const override { return static_cast<std::int32_t>(controlInputs_.size()); }
    std::string parameterName(std::int32_t index) override { return control(index).name; }
    std::string parameterSymbol(std::int32_t index) override { return control(index).symbol; }
    std::string parameterUnit(std::int32_t index) override;
    float parameterValue(std::int32_t index) override;
    std::string parameterDisplay(std::int32_t index) override;
    ParameterRange parameterRange(std::int32_t index) override;
    // The value the port's properties allow (lv2_port_values.h: allowedValue).
    float valueAsSent(std::int32_t index, float value) const override;
    void setParameter(std::int32_t index, float value) override;
    // Scale-point labels, "on"/"off", and numbers with the port's unit.
    bool hasTextToValue() const override { return true; }
    std::optional<float> valueForText(std::int32_t index, const std::string& text) override;
    // LV2 plug-ins have presets rather than programs; the tool offers none.
    std::int32_t programCount() const override { return 0; }
    std::int32_t currentProgram() override { return 0; }
    void selectProgram(std::int32_t) override {}
    std::vector<std::string> programNames() override { return {}; }
    void activate(double sampleRate, std::int32_t maximumBlock) override;
    void deactivate() override;
    bool active() const override { return active_; }
    void process(float** inputs, float** outputs, std::int32_t frameCount) override;
    // LV2 has no call that adds to the outputs.
    bool canAccumulate() const override { return false; }
    void processAccumulating(float** inputs, float** outputs, std::int32_t frameCount) override;
    // The meter port's highest value in the runs since the last call (its value when there
    // was none), as a level.
    std::optional<double> meter() override;

    const Lv2PluginFacts& facts() const { return facts_; }

private:
    Lv2Plugin(std::unique_ptr<Lv2World> world, const LilvPlugin* plugin);
    const Lv2Port& control(std::int32_t index) const;
    // Throws ToolError naming what the tool cannot give: a feature, an option or a port.
    void checkServable() const;
    void instantiate(double sampleRate, std::int32_t maximumBlock);
    void prepareEventBuffers();

    std::unique_ptr<Lv2World> world_;
    const LilvPlugin* plugin_;
    Lv2PluginFacts facts_;
    Lv2HostFeatures features_;
    LilvInstance* instance_ = nullptr;
    double instanceRate_ = 0.0;
    std::int32_t instanceBlock_ = 0;
    double rate_ = kRateBeforeActivation;
    bool active_ = false;

    // Port indices: the parameters' ports, then the audio ports in order.
    std::vector<std::uint32_t> controlInputs_;
    std::vector<std::uint32_t> audioInputs_;
    std::vector<std::uint32_t> audioOutputs_;
    std::vector<bool> setByHost_;
    // Per port: the control value, and the buffers of CV and atom ports.
    std::vector<float> portValues_;
    std::vector<std::vector<float>> cvBuffers_;
    std::vector<std::vector<std::uint64_t>> atomBuffers_;
    std::uint32_t atomBufferBytes_ = 0;

    std::optional<std::uint32_t> meterPort_;
    std::optional<std::uint32_t> latencyPort_;
    double meterPeak_ = 0.0;
    bool meterHasRun_ = false;

    mutable PluginDescription description_;
};
