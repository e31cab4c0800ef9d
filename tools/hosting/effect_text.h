// SPDX-License-Identifier: MIT
// Texts written by a module into our buffers are zero-terminated single-byte strings. Our
// module's only byte outside ASCII is 0xB0, the Mac Roman infinity sign; other modules may
// write UTF-8. Everything the tool prints or puts in JSON must be valid UTF-8.
#pragma once

#include <cstddef>
#include <string>

// Reads up to the first zero byte (or `capacity` bytes) and returns valid UTF-8: text that
// already is UTF-8 is kept, 0xB0 becomes "∞", any other invalid byte becomes U+FFFD.
std::string moduleTextToUtf8(const char* buffer, std::size_t capacity);
