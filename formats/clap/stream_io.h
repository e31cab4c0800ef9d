// SPDX-License-Identifier: MIT
// Whole reads and writes through a host's CLAP streams. A host may move fewer bytes per
// call than asked, so both loop; neither trusts the host beyond the interface: a null
// stream or function, an error, a count larger than asked, or a write that makes no
// progress ends the transfer as a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "interfaces/clap/clap_abi.h"

// Reads the stream to its end into `buffer`. The number of bytes read, or nothing when the
// stream fails or holds more than `capacity` bytes (found by asking for one byte more).
std::optional<std::size_t> readWholeStream(const clap_istream* stream, std::uint8_t* buffer, std::size_t capacity);

// Writes all `size` bytes; false if the stream fails or stops taking them.
bool writeWholeStream(const clap_ostream* stream, const std::uint8_t* bytes, std::size_t size);
