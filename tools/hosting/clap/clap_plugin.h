// SPDX-License-Identifier: MIT
// The CLAP implementation of PluginInstance: one plug-in of a .clap module, reached only
// through its record and extension tables, as a CLAP host reaches it.
//
// The life cycle: create and init; activate(rate, 1, largest block) and start_processing
// for every render; process blocks; stop_processing and deactivate; destroy. Parameter
// changes inside a block go with it as parameter-value events at their offsets; changes
// between blocks, and all of them while the plug-in is not active, go through the params
// flush (on the audio thread while active, on the main thread otherwise).
//
// The tool's channels are those of every audio port in port order (port 0's channels first):
// input c of the tool is the c-th channel counted over all input ports, and likewise for the
// outputs. Samples are 32-bit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/clap/clap_abi.h"
#include "tools/hosting/clap/clap_event_lists.h"
#include "tools/hosting/clap/clap_host_side.h"
#include "tools/hosting/clap/clap_module.h"
#include "tools/hosting/plugin_instance.h"

class ClapPlugin : public PluginInstance {
public:
    // `path` is the .clap file, optionally followed by "#ID" to choose a plug-in of the
    // module by id (by default its first). Throws ToolError when the module cannot be opened
    // (clap_module.h), the id is unknown, the plug-in's version is incompatible, or creating
    // or initialising it fails.
    static std::unique_ptr<ClapPlugin> load(const std::string& path);

    // Stops and deactivates it if active, destroys it, and closes the module.
    ~ClapPlugin() override;
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    // PluginInstance.
    const PluginDescription& description() const override { return description_; }
    std::int32_t parameterCount() const override { return static_cast<std::int32_t>(parameters_.size()); }
    std::string parameterName(std::int32_t index) override;
    // CLAP's texts carry their unit themselves.
    std::string parameterUnit(std::int32_t) override { return ""; }
    float parameterValue(std::int32_t index) override;
    // value_to_text of the current value; where the plug-in gives none, the value as a number.
    std::string parameterDisplay(std::int32_t index) override;
    ParameterRange parameterRange(std::int32_t index) override;
    void setParameter(std::int32_t index, float value) override;
    bool hasTextToValue() const override { return params_ != nullptr && params_->text_to_value != nullptr; }
    std::optional<float> valueForText(std::int32_t index, const std::string& text) override;
    std::optional<std::uint32_t> parameterId(std::int32_t index) override;
    std::vector<FormatFact> parameterFacts(std::int32_t index) override;
    // CLAP has no programs; presets are states.
    std::int32_t programCount() const override { return 0; }
    std::int32_t currentProgram() override { return 0; }
    void selectProgram(std::int32_t) override {}
    std::vector<std::string> programNames() override { return {}; }
    void activate(double sampleRate, std::int32_t maximumBlock) override;
    void deactivate() override;
    bool active() const override { return active_; }
    void process(float** inputs, float** outputs, std::int32_t frameCount) override;
    bool canAccumulate() const override { return false; }
    void processAccumulating(float** inputs, float** outputs, std::int32_t frameCount) override;
    // The whole block in one call, the changes as events at their offsets.
    std::int32_t processBlock(float** inputs, float** outputs, std::int32_t frameCount,
                              const std::vector<BlockParameterChange>& changes, bool accumulate) override;
    std::optional<double> meter() override { return std::nullopt; }

private:
    explicit ClapPlugin(std::unique_ptr<ClapModule> module) : module_(std::move(module)) {}
    void create(const clap_plugin_descriptor& descriptor);
    void readPortsAndParameters();
    void describe(const clap_plugin_descriptor& descriptor);
    // What the plug-in asked for from any thread, served here on the main thread.
    void serveRequests();
    // One process call with the events in `inputEvents_`.
    void processWithEvents(float** inputs, float** outputs, std::int32_t frameCount);
    // The events in `inputEvents_` through the params flush, on the thread CLAP assigns it.
    void flushEvents();
    void readLatency();

    std::unique_ptr<ClapModule> module_;
    ClapHostSide hostSide_;
    const clap_plugin* plugin_ = nullptr;
    const clap_plugin_params* params_ = nullptr;
    const clap_plugin_audio_ports* audioPorts_ = nullptr;
    std::vector<clap_audio_port_info> inputPorts_, outputPorts_;
    std::vector<clap_param_info> parameters_;
    PluginDescription description_;

    ClapInputEvents inputEvents_;
    ClapOutputEvents outputEvents_;
    std::vector<clap_audio_buffer> inputBuffers_, outputBuffers_;
    // Changes made while the plug-in has no flush; they go with the next block, at its start.
    std::vector<BlockParameterChange> unflushed_;
    std::int64_t steadyTime_ = 0;
    // Blocks the plug-in answered with an error, written as silence.
    std::int64_t failedBlocks_ = 0;
    bool active_ = false;
    bool restartPending_ = false;
    double sampleRate_ = 0.0;
    std::int32_t maximumBlock_ = 0;
};
