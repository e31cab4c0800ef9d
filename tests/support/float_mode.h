// SPDX-License-Identifier: MIT
// Reading and setting the processor's floating-point mode in tests (x86 and x86-64 only).
#pragma once

#if defined(__SSE__) || defined(_M_X64)
#define BRAMSOLIKET_TEST_MXCSR 1
#include <xmmintrin.h>

namespace float_mode {
constexpr unsigned int kDefault = 0x1F80;  // exceptions masked, to nearest, no FTZ/DAZ
constexpr unsigned int kDenormalsAreZero = 0x0040;
constexpr unsigned int kFlushToZero = 0x8000;
constexpr unsigned int kRoundDown = 0x2000;
constexpr unsigned int kRoundUp = 0x4000;
constexpr unsigned int kRoundTowardZero = 0x6000;
constexpr unsigned int kPrecisionFlag = 0x0020;
constexpr unsigned int kInvalidMask = 0x0080;

inline unsigned int read() {
    return _mm_getcsr();
}
inline void write(unsigned int mode) {
    _mm_setcsr(mode);
}
}  // namespace float_mode
#endif

#if defined(__i386__) && defined(__GNUC__)
#define BRAMSOLIKET_TEST_X87 1
namespace float_mode {
constexpr unsigned short kX87Default = 0x037F;
// 24-bit significand, round toward zero, exceptions masked.
constexpr unsigned short kX87SinglePrecisionTowardZero = 0x0C7F;

inline unsigned short readX87() {
    unsigned short control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    return control;
}
inline void writeX87(unsigned short control) {
    __asm__ volatile("fldcw %0" : : "m"(control));
}
}  // namespace float_mode
#endif
