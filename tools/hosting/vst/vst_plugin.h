// SPDX-License-Identifier: MIT
// The VST implementation of PluginInstance: one effect of a module reached exactly as a host
// reaches it. The module is opened with dlopen, its exported `main` is called with our host
// callback, and from then on everything goes through the five entries of the returned record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "interfaces/vst/aeffect.h"
#include "interfaces/vst/opcodes.h"
#include "tools/hosting/plugin_instance.h"

class VstPlugin : public PluginInstance {
public:
    // Loads the module and creates one effect. Throws ToolError naming the problem when the
    // file is missing, is not a loadable shared object, exports no `main`, gets null from
    // `main`, or the record does not start with the expected magic.
    static std::unique_ptr<VstPlugin> load(const std::filesystem::path& modulePath);

    // Switches processing off if it is on, closes the effect (dispatcher opcode 1) and
    // unloads the module.
    ~VstPlugin() override;
    VstPlugin(const VstPlugin&) = delete;
    VstPlugin& operator=(const VstPlugin&) = delete;

    // PluginInstance.
    const PluginDescription& description() const override { return description_; }
    std::int32_t parameterCount() const override { return record_->parameterCount; }
    std::string parameterName(std::int32_t index) override { return askText(kEffectGetParameterName, index); }
    std::string parameterUnit(std::int32_t index) override { return askText(kEffectGetParameterLabel, index); }
    float parameterValue(std::int32_t index) override { return getParameter(index); }
    std::string parameterDisplay(std::int32_t index) override { return askText(kEffectGetParameterDisplay, index); }
    // Hosts send normalized values, 0 to 1; the record tells no default.
    ParameterRange parameterRange(std::int32_t) override { return {}; }
    void setParameter(std::int32_t index, float value) override;
    // The interface has no request that turns a text into a value.
    bool hasTextToValue() const override { return false; }
    std::optional<float> valueForText(std::int32_t, const std::string&) override { return std::nullopt; }
    std::int32_t programCount() const override { return record_->programCount; }
    std::int32_t currentProgram() override { return static_cast<std::int32_t>(dispatch(kEffectGetProgram)); }
    void selectProgram(std::int32_t program) override { dispatch(kEffectSetProgram, 0, program); }
    // Each program is selected in turn to read its name; then the current one again.
    std::vector<std::string> programNames() override;
    // The sample rate (opcode 10), the block size (opcode 11), then "processing on" (opcode
    // 12, value 1); when already on, it is switched off first.
    void activate(double sampleRate, std::int32_t maximumBlock) override;
    void deactivate() override;
    bool active() const override { return active_; }
    // The replacing entry when the record's flags have bit 16, else the accumulating one
    // onto outputs cleared to zero.
    void process(float** inputs, float** outputs, std::int32_t frameCount) override;
    bool canAccumulate() const override { return record_->processEntry != nullptr; }
    void processAccumulating(float** inputs, float** outputs, std::int32_t frameCount) override;
    // Opcode 9 divided by 32767, where the flags have bit 4.
    std::optional<double> meter() override;

    // The record and its requests, for what only this format has.
    const AEffect& record() const { return *record_; }
    const std::filesystem::path& modulePath() const { return description_.path; }
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    float getParameter(std::int32_t index);
    // The replacing entry is used where the flags offer it, and where the record has no
    // accumulating one to fall back on.
    bool canReplace() const {
        return record_->processReplacingEntry != nullptr &&
               ((record_->flags & kFlagCanReplace) != 0 || record_->processEntry == nullptr);
    }
    // The meter as the dispatcher reports it: the peak times 32767.
    std::int32_t meterValue() { return static_cast<std::int32_t>(dispatch(kEffectGetMeter)); }

private:
    VstPlugin(void* library, AEffect* record, std::filesystem::path modulePath);
    std::string askText(std::int32_t opcode, std::int32_t index);

    void* library_;
    AEffect* record_;
    PluginDescription description_;
    bool active_ = false;
};

// The host side of the callback: answers the version query (kHostVersion) with
// kVersionAnsweredToEffects so that modules create their effect, and every other request with 0.
std::intptr_t BRAMSOLIKET_CALL answerHostRequest(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                 std::intptr_t value, void* ptr, float opt);
constexpr std::intptr_t kVersionAnsweredToEffects = 2400;
