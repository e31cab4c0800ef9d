// SPDX-License-Identifier: MIT
// The plug-in's saved state: the eight parameter values as the host reads them, in a small
// versioned binary record. CLAP has no program list, so no program name is kept.
//
//   offset  size  contents
//        0     4  "BrSk", the filter's four-character mark
//        4     2  format version, 2 (unsigned, little-endian)
//        6     2  parameter count, 8 (unsigned, little-endian)
//        8    32  the eight values in id order, IEEE 754 single precision, little-endian
//                 bit patterns: Freq, Res, Smooth (0 to 1), Type (0 to 4), Cutoff (0 to
//                 3), Dry/Wet, Level (0 to 1), Bypass (0 or 1)
//       40     4  CRC-32 (the zlib polynomial) of bytes 0 to 39, little-endian
//
// Version 1, which the plug-in wrote before Type and Cutoff became enumerations and the
// bypass came, is read too: 40 bytes, count 7, the seven values all normalized (0 to 1), and
// the CRC at offset 36. Its "Type" and "Cutoff" become the settings those values select, and
// the bypass is off.
//
// A record is read only whole and only when every field is as written here: the exact size,
// the mark, a known version with its count, every value within its range (the stepped ones
// whole numbers; NaN is none) and a matching checksum. Anything else is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "formats/clap/host_value.h"

using ParameterValues = std::array<float, kClapParameterCount>;

inline constexpr std::size_t kStateSize = 44;
inline constexpr std::uint16_t kStateFormatVersion = 2;

std::array<std::uint8_t, kStateSize> encodeState(const ParameterValues& values);
// The host values a record holds, a version 1 record's converted.
std::optional<ParameterValues> decodeState(const std::uint8_t* bytes, std::size_t size);

// The CRC-32 of zlib and PNG (reflected polynomial 0xEDB88320, initial and final XOR with
// all ones) over `size` bytes.
std::uint32_t stateChecksum(const std::uint8_t* bytes, std::size_t size);
