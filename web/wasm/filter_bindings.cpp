// SPDX-License-Identifier: MIT
// The filter core as a WebAssembly module: a small C interface over FilterProcessor and the
// parameter table, for the page, its audio worklet and its response worker. Every function
// takes plain numbers and addresses in the module's memory, so JavaScript calls it without
// any generated glue. The module is built with em++ (scripts/web.sh) with the same rules for
// floating point as the native builds: no contraction, no fast-math; WebAssembly's float and
// double arithmetic is IEEE single and double precision, so the output equals the native
// modules' bit for bit.
#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "core/filter_processor.h"
#include "core/filter_response.h"
#include "core/filter_settings.h"
#include "core/parameter_display.h"
#include "core/parameter_rules.h"
#include "core/parameter_table.h"
#include "core/parameter_units.h"

namespace {

const ParameterInfo* parameterInfo(std::int32_t index) {
    return isParameterIndex(index) ? &kParameterTable[index] : nullptr;
}

// Copies `text` with its terminator into a buffer of `size` bytes, cutting it where it does
// not fit; returns the bytes written before the terminator.
std::int32_t copyText(const char* text, char* buffer, std::int32_t size) {
    if (buffer == nullptr || size <= 0) return 0;
    std::size_t length = std::strlen(text);
    if (length > static_cast<std::size_t>(size - 1)) length = static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<std::int32_t>(length);
}

}  // namespace

extern "C" {

// The parameter table, for building the page's controls.
EMSCRIPTEN_KEEPALIVE std::int32_t bram_parameter_count() { return kParameterCount; }
EMSCRIPTEN_KEEPALIVE const char* bram_parameter_name(std::int32_t index) {
    const ParameterInfo* info = parameterInfo(index);
    return info ? info->name : "";
}
EMSCRIPTEN_KEEPALIVE const char* bram_parameter_unit(std::int32_t index) {
    const ParameterInfo* info = parameterInfo(index);
    return info ? info->unitLabel : "";
}
EMSCRIPTEN_KEEPALIVE const char* bram_parameter_symbol(std::int32_t index) {
    const ParameterInfo* info = parameterInfo(index);
    return info ? info->symbol : "";
}
EMSCRIPTEN_KEEPALIVE float bram_parameter_default(std::int32_t index) {
    const ParameterInfo* info = parameterInfo(index);
    return info ? info->defaultValue : 0.0f;
}
// How many choices a parameter has (5 types, 4 slopes), 0 for one that is no choice.
EMSCRIPTEN_KEEPALIVE std::int32_t bram_parameter_choice_count(std::int32_t index) {
    return parameter_units::hasChoices(index) ? parameter_units::settingCount(index) : 0;
}
// The value that selects a choice, and the choice a value selects.
EMSCRIPTEN_KEEPALIVE float bram_choice_value(std::int32_t index, std::int32_t choice) {
    return parameter_units::valueOfSetting(index, choice);
}
EMSCRIPTEN_KEEPALIVE std::int32_t bram_choice_of(std::int32_t index, float value) {
    return parameter_units::settingOf(index, value);
}
EMSCRIPTEN_KEEPALIVE std::int32_t bram_program_count() { return kFilterProgramCount; }

// A processor loaded with program 0; null when it cannot be allocated.
EMSCRIPTEN_KEEPALIVE FilterProcessor* bram_create() { return new (std::nothrow) FilterProcessor(); }
EMSCRIPTEN_KEEPALIVE void bram_destroy(FilterProcessor* processor) { delete processor; }

EMSCRIPTEN_KEEPALIVE void bram_set_parameter(FilterProcessor* processor, std::int32_t index, float value) {
    processor->setParameter(index, value);
}
EMSCRIPTEN_KEEPALIVE float bram_get_parameter(FilterProcessor* processor, std::int32_t index) {
    return processor->getParameter(index);
}

// The value's text as the user sees it, in UTF-8 (parameter_units.h): the core's display
// without its padding, then a space and the unit label ("5101.878 Hz", "12 dB/Oct", "-∞ dB");
// a type shows its name alone ("LowPass"). Returns the bytes written before the terminator,
// or -1 for an unknown index.
EMSCRIPTEN_KEEPALIVE std::int32_t bram_display_text(FilterProcessor* processor, std::int32_t index,
                                                    float sampleRate, char* buffer, std::int32_t size) {
    const std::optional<std::string> text = parameter_units::text(index, processor->getParameter(index), sampleRate);
    if (!text) return -1;
    return copyText(text->c_str(), buffer, size);
}

EMSCRIPTEN_KEEPALIVE void bram_set_program(FilterProcessor* processor, std::int32_t program) {
    processor->setProgram(program);
}
EMSCRIPTEN_KEEPALIVE std::int32_t bram_current_program(FilterProcessor* processor) {
    return processor->currentProgram();
}
// The current program's name, at most 23 bytes and the terminator.
EMSCRIPTEN_KEEPALIVE std::int32_t bram_program_name(FilterProcessor* processor, char* buffer, std::int32_t size) {
    char name[FilterProgram::kNameSize];
    processor->getProgramName(name);
    return copyText(name, buffer, size);
}

EMSCRIPTEN_KEEPALIVE void bram_suspend(FilterProcessor* processor) { processor->suspend(); }

// True while a stage of the cascade in use still moves toward its target row: the audio loop
// runs sample by sample until none does.
EMSCRIPTEN_KEEPALIVE std::int32_t bram_is_gliding(FilterProcessor* processor) {
    const int cascade = static_cast<int>(processor->slopeStageCount());
    for (int stage = 0; stage < cascade; ++stage) {
        if (processor->stage(stage).isGliding()) return 1;
    }
    return 0;
}

// Filters `frames` samples of `input` into `left` and `right` (overwritten) and returns the
// call's peak, as FilterProcessor::process does.
EMSCRIPTEN_KEEPALIVE float bram_process(FilterProcessor* processor, const float* input, float* left, float* right,
                                        std::int32_t frames) {
    return processor->process(input, left, right, frames, OutputMode::Replace);
}

// The exact response of a setting, the seven normalized values in `values`, once its glides
// have ended (the core's, which the plug-ins' displays draw too): at `count` frequencies, as
// fractions of the sample rate, the gain in dB into `decibels`, minus infinity for none.
EMSCRIPTEN_KEEPALIVE void bram_response_decibels(const float* values, const double* normalizedFrequencies,
                                                 std::int32_t count, double* decibels) {
    std::array<float, kParameterCount> setting;
    std::memcpy(setting.data(), values, sizeof setting);
    const FilterSettings settings = settingsForValues(setting);
    for (std::int32_t k = 0; k < count; ++k) {
        decibels[k] = responseDecibels(filterResponse(settings, normalizedFrequencies[k]));
    }
}

}  // extern "C"
