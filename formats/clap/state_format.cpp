// SPDX-License-Identifier: MIT
#include "formats/clap/state_format.h"

#include <bit>
#include <cmath>

namespace {

constexpr std::uint8_t kMark[4] = {'B', 'r', 'S', 'k'};
constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kCountOffset = 6;
constexpr std::size_t kValuesOffset = 8;
constexpr std::size_t kChecksumOffset = kValuesOffset + 4 * kParameterCount;
static_assert(kChecksumOffset + 4 == kStateSize);

constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;

void put16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t get16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t get32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

}  // namespace

std::uint32_t stateChecksum(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1u) != 0 ? kReflectedPolynomial : 0u);
    }
    return crc ^ 0xFFFFFFFFu;
}

std::array<std::uint8_t, kStateSize> encodeState(const ParameterValues& values) {
    std::array<std::uint8_t, kStateSize> bytes{};
    for (std::size_t i = 0; i < sizeof kMark; ++i) bytes[i] = kMark[i];
    put16(bytes.data() + kVersionOffset, kStateFormatVersion);
    put16(bytes.data() + kCountOffset, kParameterCount);
    for (int i = 0; i < kParameterCount; ++i) {
        put32(bytes.data() + kValuesOffset + 4 * i, std::bit_cast<std::uint32_t>(values[i]));
    }
    put32(bytes.data() + kChecksumOffset, stateChecksum(bytes.data(), kChecksumOffset));
    return bytes;
}

std::optional<ParameterValues> decodeState(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size != kStateSize) return std::nullopt;
    for (std::size_t i = 0; i < sizeof kMark; ++i) {
        if (bytes[i] != kMark[i]) return std::nullopt;
    }
    if (get16(bytes + kVersionOffset) != kStateFormatVersion) return std::nullopt;
    if (get16(bytes + kCountOffset) != kParameterCount) return std::nullopt;
    if (get32(bytes + kChecksumOffset) != stateChecksum(bytes, kChecksumOffset)) return std::nullopt;
    ParameterValues values{};
    for (int i = 0; i < kParameterCount; ++i) {
        const float value = std::bit_cast<float>(get32(bytes + kValuesOffset + 4 * i));
        // The comparisons are false for NaN.
        if (!(value >= 0.0f && value <= 1.0f)) return std::nullopt;
        values[i] = value;
    }
    return values;
}
