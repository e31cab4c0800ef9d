// SPDX-License-Identifier: MIT
// The floating-point mode the effect's arithmetic assumes, set for the duration of a call
// from the host and undone before returning to it. The effect's results must not depend on
// the host's choice of rounding or of flushing subnormal numbers: hosts commonly run their
// audio threads with flush-to-zero and denormals-are-zero set, and some change the rounding.
// The effect flushes small values itself, where its rules say so.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#define BRAMSOLIKET_FLOAT_ENVIRONMENT_MXCSR 1
#include <xmmintrin.h>
#else
#include <cfenv>
#endif

// Saves the caller's mode on construction, sets round-to-nearest with flush-to-zero and
// denormals-are-zero off and every exception masked, and restores the caller's mode,
// status flags included, on destruction.
class FloatEnvironmentGuard {
public:
#if defined(BRAMSOLIKET_FLOAT_ENVIRONMENT_MXCSR)
    // MXCSR: all six exceptions masked (bits 7 to 12), round to nearest (bits 13 and 14
    // clear), flush-to-zero (bit 15) and denormals-are-zero (bit 6) off, no status flags.
    static constexpr unsigned int kEffectMxcsr = 0x1F80;

    FloatEnvironmentGuard() : callerMxcsr(_mm_getcsr()) {
        // Writing MXCSR can stall the pipeline: skip it when the caller's mode already fits.
        if (callerMxcsr != kEffectMxcsr) {
            _mm_setcsr(kEffectMxcsr);
        }
#if defined(__i386__) && defined(__GNUC__)
        // The library's mathematical functions may still use the x87 unit on 32-bit x86:
        // give it full precision and round-to-nearest as well.
        __asm__ volatile("fnstcw %0" : "=m"(callerX87Control));
        if (callerX87Control != kEffectX87Control) {
            __asm__ volatile("fldcw %0" : : "m"(kEffectX87Control));
        }
#endif
    }

    ~FloatEnvironmentGuard() {
#if defined(__i386__) && defined(__GNUC__)
        if (callerX87Control != kEffectX87Control) {
            __asm__ volatile("fldcw %0" : : "m"(callerX87Control));
        }
#endif
        if (_mm_getcsr() != callerMxcsr) {
            _mm_setcsr(callerMxcsr);
        }
    }
#else
    FloatEnvironmentGuard() {
        std::fegetenv(&callerEnvironment);
        std::fesetenv(FE_DFL_ENV);
    }
    ~FloatEnvironmentGuard() { std::fesetenv(&callerEnvironment); }
#endif

    FloatEnvironmentGuard(const FloatEnvironmentGuard&) = delete;
    FloatEnvironmentGuard& operator=(const FloatEnvironmentGuard&) = delete;

private:
#if defined(BRAMSOLIKET_FLOAT_ENVIRONMENT_MXCSR)
    unsigned int callerMxcsr;
#if defined(__i386__) && defined(__GNUC__)
    // x87 control word: exceptions masked, 64-bit significand, round to nearest.
    static constexpr unsigned short kEffectX87Control = 0x037F;
    unsigned short callerX87Control = 0;
#endif
#else
    std::fenv_t callerEnvironment;
#endif
};
