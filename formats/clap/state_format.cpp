// SPDX-License-Identifier: MIT
#include "formats/clap/state_format.h"

#include <bit>
#include <cmath>

#include "core/parameter_units.h"

namespace {

constexpr std::uint8_t kMark[4] = {'B', 'r', 'S', 'k'};
constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kCountOffset = 6;
constexpr std::size_t kValuesOffset = 8;

constexpr std::uint16_t kFirstVersion = 1;
constexpr std::uint16_t kFirstVersionCount = kParameterCount;

constexpr std::size_t checksumOffset(std::size_t count) { return kValuesOffset + 4 * count; }
static_assert(checksumOffset(kClapParameterCount) + 4 == kStateSize);

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

// A host value as the parameter's info declares it: within its range, and a whole number
// for a stepped parameter. The comparisons are false for NaN.
bool isHostValue(clap_id id, float value) {
    clap_param_info info;
    clapParameterInfo(id, &info);
    if (!(value >= info.min_value && value <= info.max_value)) return false;
    return (info.flags & kClapParamIsStepped) == 0 || value == std::floor(value);
}

// The mark, the version and its count, the size and the checksum of a record of `count` values.
bool isRecord(const std::uint8_t* bytes, std::size_t size, std::uint16_t version, std::size_t count) {
    const std::size_t end = checksumOffset(count);
    if (size != end + 4) return false;
    for (std::size_t i = 0; i < sizeof kMark; ++i) {
        if (bytes[i] != kMark[i]) return false;
    }
    return get16(bytes + kVersionOffset) == version && get16(bytes + kCountOffset) == count &&
           get32(bytes + end) == stateChecksum(bytes, end);
}

float valueAt(const std::uint8_t* bytes, std::size_t index) {
    return std::bit_cast<float>(get32(bytes + kValuesOffset + 4 * index));
}

// Version 1: seven normalized values; the stepped ones become host values, the bypass is off.
std::optional<ParameterValues> decodeFirstVersion(const std::uint8_t* bytes) {
    ParameterValues values{};
    for (std::int32_t i = 0; i < kParameterCount; ++i) {
        const float normalized = valueAt(bytes, static_cast<std::size_t>(i));
        if (!(normalized >= 0.0f && normalized <= 1.0f)) return std::nullopt;
        values[static_cast<std::size_t>(i)] = static_cast<float>(hostValueOf(static_cast<clap_id>(i), normalized));
    }
    values[kBypassParameterId] = 0.0f;
    return values;
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
    put16(bytes.data() + kCountOffset, kClapParameterCount);
    for (std::size_t i = 0; i < kClapParameterCount; ++i) {
        put32(bytes.data() + kValuesOffset + 4 * i, std::bit_cast<std::uint32_t>(values[i]));
    }
    const std::size_t end = checksumOffset(kClapParameterCount);
    put32(bytes.data() + end, stateChecksum(bytes.data(), end));
    return bytes;
}

std::optional<ParameterValues> decodeState(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr) return std::nullopt;
    if (isRecord(bytes, size, kFirstVersion, kFirstVersionCount)) return decodeFirstVersion(bytes);
    if (!isRecord(bytes, size, kStateFormatVersion, kClapParameterCount)) return std::nullopt;
    ParameterValues values{};
    for (std::size_t i = 0; i < kClapParameterCount; ++i) {
        values[i] = valueAt(bytes, i);
        if (!isHostValue(static_cast<clap_id>(i), values[i])) return std::nullopt;
    }
    return values;
}
