// SPDX-License-Identifier: MIT
// The plug-in's saved state: the seven normalized parameter values, in a small versioned
// binary record. CLAP has no program list, so no program name is kept.
//
//   offset  size  contents
//        0     4  "BrSk", the filter's four-character mark
//        4     2  format version, 1 (unsigned, little-endian)
//        6     2  parameter count, 7 (unsigned, little-endian)
//        8    28  the seven values in parameter order, IEEE 754 single precision,
//                 little-endian bit patterns
//       36     4  CRC-32 (the zlib polynomial) of bytes 0 to 35, little-endian
//
// A record is read only whole and only when every field is as written here: exactly 40
// bytes, the mark, version 1, seven values each within 0 to 1 (NaN is none) and a matching
// checksum. Anything else is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/parameter_table.h"

using ParameterValues = std::array<float, kParameterCount>;

inline constexpr std::size_t kStateSize = 40;
inline constexpr std::uint16_t kStateFormatVersion = 1;

std::array<std::uint8_t, kStateSize> encodeState(const ParameterValues& values);
std::optional<ParameterValues> decodeState(const std::uint8_t* bytes, std::size_t size);

// The CRC-32 of zlib and PNG (reflected polynomial 0xEDB88320, initial and final XOR with
// all ones) over `size` bytes.
std::uint32_t stateChecksum(const std::uint8_t* bytes, std::size_t size);
