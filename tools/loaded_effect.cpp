#include "tools/loaded_effect.h"

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "tools/effect_text.h"
#include "tools/tool_error.h"

namespace {

using ModuleMain = AEffect*(BRAMSOLIKET_CALL*)(HostCallback);

// Text buffers handed to the module. Our module writes at most 9 bytes (24 for program
// names); other modules are known to write more, so the buffer is generous and zeroed.
constexpr std::size_t kTextCapacity = 256;

std::string hexWord(std::int32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
    return text;
}

}  // namespace

std::intptr_t BRAMSOLIKET_CALL answerHostRequest(AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*,
                                                 float) {
    constexpr std::int32_t kVersionQuery = 1;
    return opcode == kVersionQuery ? kHostVersion : 0;
}

std::unique_ptr<LoadedEffect> LoadedEffect::load(const std::filesystem::path& modulePath) {
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
    std::unique_ptr<LoadedEffect> effect(new LoadedEffect(library, record, modulePath));
    effect->dispatch(kOpcodeOpen);
    return effect;
}

LoadedEffect::LoadedEffect(void* library, AEffect* record, std::filesystem::path modulePath)
    : library_(library), record_(record), modulePath_(std::move(modulePath)) {}

LoadedEffect::~LoadedEffect() {
    record_->dispatchEntry(record_, kOpcodeClose, 0, 0, nullptr, 0.0f);
    ::dlclose(library_);
}

std::intptr_t LoadedEffect::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                     float opt) {
    return record_->dispatchEntry(record_, opcode, index, value, ptr, opt);
}

void LoadedEffect::setParameter(std::int32_t index, float value) { record_->setParameterEntry(record_, index, value); }

float LoadedEffect::getParameter(std::int32_t index) { return record_->getParameterEntry(record_, index); }

void LoadedEffect::processReplacing(float** inputs, float** outputs, std::int32_t frameCount) {
    record_->processReplacingEntry(record_, inputs, outputs, frameCount);
}

void LoadedEffect::processAccumulating(float** inputs, float** outputs, std::int32_t frameCount) {
    record_->processEntry(record_, inputs, outputs, frameCount);
}

std::string LoadedEffect::askText(std::int32_t opcode, std::int32_t index) {
    std::array<char, kTextCapacity> buffer{};
    dispatch(opcode, index, 0, buffer.data());
    return moduleTextToUtf8(buffer.data(), buffer.size());
}

std::string LoadedEffect::parameterName(std::int32_t index) { return askText(kOpcodeParameterName, index); }
std::string LoadedEffect::parameterLabel(std::int32_t index) { return askText(kOpcodeParameterLabel, index); }
std::string LoadedEffect::parameterDisplay(std::int32_t index) { return askText(kOpcodeParameterDisplay, index); }
std::string LoadedEffect::currentProgramName() { return askText(kOpcodeProgramName, 0); }
