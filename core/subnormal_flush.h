// SPDX-License-Identifier: MIT
// Output samples below the smallest normal float become zero (of their sign); every other
// sample, zeros, infinities and NaN included, keeps its bits. Hosts and the plug-ins after
// this one then never meet a subnormal number from it, which many processors handle a
// hundred times slower. The filter itself flushes its state at 1e-10; a subnormal input on
// the dry path or through the "Thru" type would otherwise come out unchanged.
#pragma once

#include <cstdint>
#include <cstring>

inline void flushSubnormals(float* samples, std::uint32_t count) {
    constexpr std::uint32_t kExponentBits = 0x7F800000u;
    constexpr std::uint32_t kSignBit = 0x80000000u;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, samples + i, sizeof bits);
        bits &= (bits & kExponentBits) == 0 ? kSignBit : ~0u;
        std::memcpy(samples + i, &bits, sizeof bits);
    }
}
