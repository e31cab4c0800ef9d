// SPDX-License-Identifier: MIT
// Minimal checking for the Windows test host, which runs under Wine without a test
// framework: each failed check prints where and what, and the program's exit status says
// whether any failed. Each macro evaluates its arguments exactly once.
#pragma once

#include <cstdio>
#include <string>

namespace windows_checks {

inline int& failureCount() {
    static int count = 0;
    return count;
}

inline void check(bool condition, const char* file, int line, const std::string& what) {
    if (condition) return;
    ++failureCount();
    std::printf("%s:%d: FAILED: %s\n", file, line, what.c_str());
}

inline std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        }
    }
    return out + "\"";
}

}  // namespace windows_checks

#define CHECK(condition) ::windows_checks::check((condition), __FILE__, __LINE__, #condition)
#define CHECK_TEXT(actual, expected)                                                                   \
    do {                                                                                               \
        const std::string actualText(actual);                                                          \
        const std::string expectedText(expected);                                                      \
        ::windows_checks::check(actualText == expectedText, __FILE__, __LINE__,                         \
                                ::windows_checks::quoted(actualText) + " should be " +                  \
                                    ::windows_checks::quoted(expectedText));                            \
    } while (false)
#define CHECK_EQUAL(actual, expected)                                                                  \
    do {                                                                                               \
        const auto actualValue = (actual);                                                             \
        const auto expectedValue = (expected);                                                         \
        ::windows_checks::check(actualValue == expectedValue, __FILE__, __LINE__,                       \
                                std::string(#actual) + " = " + std::to_string(actualValue) +             \
                                    ", expected " + std::to_string(expectedValue));                     \
    } while (false)
