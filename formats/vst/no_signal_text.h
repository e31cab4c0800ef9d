// SPDX-License-Identifier: MIT
// The decibel text of a zero gain, minus infinity, in the host's single-byte 8-character
// field. 0xB0 is the infinity sign of the Mac Roman character set, written as that one byte.
#pragma once

#include <cstring>

inline constexpr char kNoSignalText[] = "   -\xB0   ";

inline void writeNoSignalText(char* text) {
    if (text != nullptr) {
        std::memcpy(text, kNoSignalText, sizeof kNoSignalText);
    }
}
