// SPDX-License-Identifier: MIT
#include "tools/hosting/vst/vst_record_text.h"

#include <cstdio>

#include "interfaces/vst/aeffect.h"

namespace {

struct NamedFlag {
    std::int32_t bit;
    const char* name;
};

// The bits hosts read. Our own module uses those of EffectFlags; the others are set by
// modules with an editor window, a synthesizer, or state saved as one block of bytes.
constexpr NamedFlag kNamedFlags[] = {
    {1, "hasEditor"},
    {kFlagReportsClipping, "reportsClipping"},
    {kFlagHasMeter, "hasMeter"},
    {kFlagCanMono, "canMono"},
    {kFlagCanReplace, "canReplace"},
    {32, "programChunks"},
    {256, "isSynth"},
    {512, "noSoundInStop"},
};

}  // namespace

std::vector<std::string> vstFlagNames(std::int32_t flags) {
    std::vector<std::string> names;
    for (int bit = 0; bit < 32; ++bit) {
        const auto value = static_cast<std::int32_t>(1u << bit);
        if ((flags & value) == 0) continue;
        const char* name = nullptr;
        for (const NamedFlag& flag : kNamedFlags) {
            if (flag.bit == value) name = flag.name;
        }
        if (name != nullptr) {
            names.emplace_back(name);
        } else {
            char text[24];
            std::snprintf(text, sizeof text, "bit 0x%X", static_cast<unsigned>(value));
            names.emplace_back(text);
        }
    }
    return names;
}

std::string fourCharacterText(std::int32_t value) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned byte = (static_cast<std::uint32_t>(value) >> shift) & 0xFFu;
        if (byte >= 0x20 && byte < 0x7F) {
            text.push_back(static_cast<char>(byte));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

std::string hexWord(std::int32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
    return text;
}
