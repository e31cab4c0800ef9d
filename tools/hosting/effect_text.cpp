// SPDX-License-Identifier: MIT
#include "tools/hosting/effect_text.h"

#include <cstring>

namespace {

constexpr unsigned char kMacRomanInfinity = 0xB0;
constexpr const char* kInfinityUtf8 = "\xE2\x88\x9E";
constexpr const char* kReplacementUtf8 = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence starting at text[0], or 0 if there is none.
std::size_t utf8SequenceLength(const unsigned char* text, std::size_t available) {
    const unsigned char lead = text[0];
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    } else {
        return 0;
    }
    if (length > available) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

}  // namespace

std::string moduleTextToUtf8(const char* buffer, std::size_t capacity) {
    const std::size_t size = ::strnlen(buffer, capacity);
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    std::string text;
    for (std::size_t i = 0; i < size;) {
        if (bytes[i] < 0x80) {
            text.push_back(static_cast<char>(bytes[i]));
            ++i;
        } else if (const std::size_t length = utf8SequenceLength(bytes + i, size - i); length > 0) {
            text.append(buffer + i, length);
            i += length;
        } else {
            text += bytes[i] == kMacRomanInfinity ? kInfinityUtf8 : kReplacementUtf8;
            ++i;
        }
    }
    return text;
}
