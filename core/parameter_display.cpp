// SPDX-License-Identifier: MIT
#include "core/parameter_display.h"

#include <cstring>

#include "core/value_text.h"

void writeDisplayField(const ParameterDisplay& display, const char* noSignalText, char* text) {
    if (text == nullptr) return;
    switch (display.kind) {
        case ParameterDisplay::Kind::Number:
            writeFloatText(display.number, text);
            return;
        case ParameterDisplay::Kind::Integer:
            writeIntegerText(display.integer, text);
            return;
        case ParameterDisplay::Kind::Name:
            std::memcpy(text, display.name, std::strlen(display.name) + 1);
            return;
        case ParameterDisplay::Kind::NoSignal:
            std::memcpy(text, noSignalText, std::strlen(noSignalText) + 1);
            return;
    }
}
