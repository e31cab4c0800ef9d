// SPDX-License-Identifier: MIT
// The bits of a single-precision float as an unsigned integer. std::bit_cast does
// this in C++20, but the C++ library of the WebAssembly toolchain the web page is built with
// lacks it; the compilers' builtin behind it is in every compiler the project uses.
#pragma once

#include <cstdint>

constexpr std::uint32_t floatBits(float value) { return __builtin_bit_cast(std::uint32_t, value); }
