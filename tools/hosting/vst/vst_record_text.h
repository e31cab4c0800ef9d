// SPDX-License-Identifier: MIT
// The record's numbers as `info` shows them: the flag bits by name and four-character codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The names of the set bits of a flags word, lowest bit first; bits without a name are
// shown as their value, e.g. "bit 0x40".
std::vector<std::string> vstFlagNames(std::int32_t flags);

// Four characters, most significant byte first; bytes outside printable ASCII as "\xNN".
std::string fourCharacterText(std::int32_t value);

// "0x56737450".
std::string hexWord(std::int32_t word);
