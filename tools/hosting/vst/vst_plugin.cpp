// SPDX-License-Identifier: MIT
#include "tools/hosting/vst/vst_plugin.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "tools/hosting/effect_text.h"
#include "tools/tool_error.h"
#include "tools/hosting/vst/vst_record_text.h"

namespace {

using ModuleMain = AEffect*(BRAMSOLIKET_CALL*)(HostCallback);

// Text buffers handed to the module. Our module writes at most 9 bytes (24 for program
// names); other modules are known to write more, so the buffer is generous and zeroed.
constexpr std::size_t kTextCapacity = 256;
constexpr std::int32_t kFlagHasEditor = 1;
constexpr std::int32_t kFlagIsSynth = 256;
// Scale of the meter value the dispatcher returns.
constexpr double kMeterFullScale = 32767.0;

FormatFact fact(std::string key, std::string label, std::string text, nlohmann::ordered_json value) {
    return {std::move(key), std::move(label), std::move(text), std::move(value)};
}

PluginDescription describeRecord(const AEffect& record, const std::filesystem::path& modulePath) {
    PluginDescription description;
    // The interface has no request for the effect's name: the module's file name stands for it.
    description.name = modulePath.stem().string();
    description.format = "VST";
    description.path = modulePath;
    description.inputCount = record.inputCount;
    description.outputCount = record.outputCount;
    description.latency = record.initialDelay;
    description.properties = vstFlagNames(record.flags);
    description.isInstrument = (record.flags & kFlagIsSynth) != 0;
    description.hasEditor = (record.flags & kFlagHasEditor) != 0;
    description.hasMeter = (record.flags & kFlagHasMeter) != 0;
    std::string flagsText = std::to_string(record.flags);
    for (std::size_t i = 0; i < description.properties.size(); ++i) {
        flagsText += (i == 0 ? " (" : ", ") + description.properties[i];
    }
    if (!description.properties.empty()) flagsText += ")";
    description.formatFacts = {
        fact("magic", "magic", hexWord(record.magic) + " \"" + fourCharacterText(record.magic) + "\"", record.magic),
        fact("magicText", "", "", fourCharacterText(record.magic)),
        fact("uniqueId", "unique id",
             "\"" + fourCharacterText(record.uniqueId) + "\" (" + std::to_string(record.uniqueId) + ", " +
                 hexWord(record.uniqueId) + ")",
             record.uniqueId),
        fact("uniqueIdText", "", "", fourCharacterText(record.uniqueId)),
        fact("version", "version", std::to_string(record.version), record.version),
        fact("initialDelay", "initial delay", std::to_string(record.initialDelay), record.initialDelay),
        fact("flags", "flags", flagsText, record.flags),
        fact("flagNames", "", "", description.properties),
    };
    return description;
}

}  // namespace

std::intptr_t BRAMSOLIKET_CALL answerHostRequest(AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*,
                                                 float) {
    return opcode == kHostVersion ? kVersionAnsweredToEffects : 0;
}

std::unique_ptr<VstPlugin> VstPlugin::load(const std::filesystem::path& modulePath) {
    const std::string shown = modulePath.string();
    std::error_code error;
    if (!std::filesystem::exists(modulePath, error)) {
        throw ToolError("plug-in module not found: " + shown);
    }
    if (std::filesystem::is_directory(modulePath, error)) {
        throw ToolError("plug-in module is a directory, not a shared object: " + shown);
    }
    if (!std::ifstream(modulePath, std::ios::binary).is_open()) {
        throw ToolError("plug-in module cannot be read: " + shown);
    }
    // A path without a slash would make dlopen search the library path instead.
    const std::string openPath = modulePath.has_parent_path() ? shown : "./" + shown;
    void* library = ::dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        throw ToolError("cannot load plug-in module " + shown + " (not a loadable shared object?): " +
                        (reason != nullptr ? reason : "unknown reason"));
    }
    ::dlerror();
    void* symbol = ::dlsym(library, "main");
    if (symbol == nullptr) {
        ::dlclose(library);
        throw ToolError("plug-in module " + shown + " does not export the entry function \"main\"");
    }
    const auto moduleMain = reinterpret_cast<ModuleMain>(symbol);
    AEffect* record = moduleMain(&answerHostRequest);
    if (record == nullptr) {
        ::dlclose(library);
        throw ToolError("plug-in module " + shown + ": \"main\" returned no effect (null)");
    }
    if (const std::int32_t magic = record->magic; magic != kEffectMagic) {
        // The record is not one we can talk to, so not even its close request is sent.
        ::dlclose(library);
        throw ToolError("plug-in module " + shown + ": the record has the wrong magic " + hexWord(magic) +
                        " (expected " + hexWord(kEffectMagic) + ", \"VstP\")");
    }
    if (record->processReplacingEntry == nullptr && record->processEntry == nullptr) {
        ::dlclose(library);
        throw ToolError("plug-in module " + shown + ": the record has no process entry");
    }
    std::unique_ptr<VstPlugin> effect(new VstPlugin(library, record, modulePath));
    effect->dispatch(kEffectOpen);
    return effect;
}

VstPlugin::VstPlugin(void* library, AEffect* record, std::filesystem::path modulePath)
    : library_(library), record_(record), description_(describeRecord(*record, modulePath)) {}

VstPlugin::~VstPlugin() {
    deactivate();
    record_->dispatchEntry(record_, kEffectClose, 0, 0, nullptr, 0.0f);
    ::dlclose(library_);
}

std::vector<std::string> VstPlugin::programNames() {
    std::vector<std::string> names;
    const std::int32_t current = currentProgram();
    for (std::int32_t program = 0; program < record_->programCount; ++program) {
        selectProgram(program);
        names.push_back(askText(kEffectGetProgramName, 0));
    }
    if (record_->programCount > 0) selectProgram(current);
    return names;
}

void VstPlugin::activate(double sampleRate, std::int32_t maximumBlock) {
    deactivate();
    dispatch(kEffectSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(kEffectSetBlockSize, 0, maximumBlock);
    dispatch(kEffectProcessingSwitch, 0, 1);
    active_ = true;
}

void VstPlugin::deactivate() {
    if (!active_) return;
    dispatch(kEffectProcessingSwitch, 0, 0);
    active_ = false;
}

std::optional<double> VstPlugin::meter() {
    if (!description_.hasMeter) return std::nullopt;
    return meterValue() / kMeterFullScale;
}

std::intptr_t VstPlugin::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                     float opt) {
    return record_->dispatchEntry(record_, opcode, index, value, ptr, opt);
}

void VstPlugin::setParameter(std::int32_t index, float value) { record_->setParameterEntry(record_, index, value); }

float VstPlugin::getParameter(std::int32_t index) { return record_->getParameterEntry(record_, index); }

void VstPlugin::process(float** inputs, float** outputs, std::int32_t frameCount) {
    if (canReplace()) {
        record_->processReplacingEntry(record_, inputs, outputs, frameCount);
        return;
    }
    for (std::int32_t c = 0; c < std::max<std::int32_t>(record_->outputCount, 1); ++c) {
        std::fill_n(outputs[c], frameCount, 0.0f);
    }
    record_->processEntry(record_, inputs, outputs, frameCount);
}

void VstPlugin::processAccumulating(float** inputs, float** outputs, std::int32_t frameCount) {
    record_->processEntry(record_, inputs, outputs, frameCount);
}

std::string VstPlugin::askText(std::int32_t opcode, std::int32_t index) {
    std::array<char, kTextCapacity> buffer{};
    dispatch(opcode, index, 0, buffer.data());
    return moduleTextToUtf8(buffer.data(), buffer.size());
}

