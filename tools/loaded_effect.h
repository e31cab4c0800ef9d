// One effect instance of a plug-in module, reached exactly as a host reaches it: the module
// is opened with dlopen, its exported `main` is called with our host callback, and from then
// on everything goes through the five entries of the returned record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "formats/vst/aeffect.h"

class LoadedEffect {
public:
    // Loads the module and creates one effect. Throws ToolError naming the problem when the
    // file is missing, is not a loadable shared object, exports no `main`, gets null from
    // `main`, or the record does not start with the expected magic.
    static std::unique_ptr<LoadedEffect> load(const std::filesystem::path& modulePath);

    // Closes the effect (dispatcher opcode 1) and unloads the module.
    ~LoadedEffect();
    LoadedEffect(const LoadedEffect&) = delete;
    LoadedEffect& operator=(const LoadedEffect&) = delete;

    const AEffect& record() const { return *record_; }
    const std::filesystem::path& modulePath() const { return modulePath_; }

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    void setParameter(std::int32_t index, float value);
    float getParameter(std::int32_t index);
    void processReplacing(float** inputs, float** outputs, std::int32_t frameCount);
    void processAccumulating(float** inputs, float** outputs, std::int32_t frameCount);
    bool canReplace() const { return (record_->flags & kFlagCanReplace) != 0 && record_->processReplacingEntry != nullptr; }

    // Texts asked for through the dispatcher, turned into UTF-8 (see effect_text.h).
    std::string parameterName(std::int32_t index);
    std::string parameterLabel(std::int32_t index);
    std::string parameterDisplay(std::int32_t index);
    std::string currentProgramName();

    // The dispatcher's host-visible requests, by name.
    void setSampleRate(float rate) { dispatch(kOpcodeSampleRate, 0, 0, nullptr, rate); }
    void setBlockSize(std::int32_t size) { dispatch(kOpcodeBlockSize, 0, size); }
    void suspend() { dispatch(kOpcodeProcessing, 0, 0); }
    void resume() { dispatch(kOpcodeProcessing, 0, 1); }
    void selectProgram(std::int32_t program) { dispatch(kOpcodeSelectProgram, 0, program); }
    std::int32_t currentProgram() { return static_cast<std::int32_t>(dispatch(kOpcodeCurrentProgram)); }
    // The meter as the dispatcher reports it: the peak times 32767.
    std::int32_t meter() { return static_cast<std::int32_t>(dispatch(kOpcodeMeter)); }

    static constexpr std::int32_t kOpcodeOpen = 0;
    static constexpr std::int32_t kOpcodeClose = 1;
    static constexpr std::int32_t kOpcodeSelectProgram = 2;
    static constexpr std::int32_t kOpcodeCurrentProgram = 3;
    static constexpr std::int32_t kOpcodeProgramName = 5;
    static constexpr std::int32_t kOpcodeParameterLabel = 6;
    static constexpr std::int32_t kOpcodeParameterDisplay = 7;
    static constexpr std::int32_t kOpcodeParameterName = 8;
    static constexpr std::int32_t kOpcodeMeter = 9;
    static constexpr std::int32_t kOpcodeSampleRate = 10;
    static constexpr std::int32_t kOpcodeBlockSize = 11;
    static constexpr std::int32_t kOpcodeProcessing = 12;

private:
    LoadedEffect(void* library, AEffect* record, std::filesystem::path modulePath);
    std::string askText(std::int32_t opcode, std::int32_t index);

    void* library_;
    AEffect* record_;
    std::filesystem::path modulePath_;
};

// The host side of the callback: answers the version query (opcode 1) with kHostVersion so
// that modules create their effect, and every other request with 0.
std::intptr_t BRAMSOLIKET_CALL answerHostRequest(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                 std::intptr_t value, void* ptr, float opt);
constexpr std::intptr_t kHostVersion = 2400;
