// SPDX-License-Identifier: MIT
#include "formats/clap/stream_io.h"

std::optional<std::size_t> readWholeStream(const clap_istream* stream, std::uint8_t* buffer, std::size_t capacity) {
    if (stream == nullptr || stream->read == nullptr || buffer == nullptr) return std::nullopt;
    std::size_t total = 0;
    while (total < capacity) {
        const std::uint64_t asked = capacity - total;
        const std::int64_t got = stream->read(stream, buffer + total, asked);
        if (got < 0 || static_cast<std::uint64_t>(got) > asked) return std::nullopt;
        if (got == 0) return total;
        total += static_cast<std::size_t>(got);
    }
    // Full: the stream must end here.
    std::uint8_t beyond = 0;
    const std::int64_t more = stream->read(stream, &beyond, 1);
    if (more != 0) return std::nullopt;
    return total;
}

bool writeWholeStream(const clap_ostream* stream, const std::uint8_t* bytes, std::size_t size) {
    if (stream == nullptr || stream->write == nullptr || bytes == nullptr) return false;
    std::size_t total = 0;
    while (total < size) {
        const std::uint64_t asked = size - total;
        const std::int64_t written = stream->write(stream, bytes + total, asked);
        if (written <= 0 || static_cast<std::uint64_t>(written) > asked) return false;
        total += static_cast<std::size_t>(written);
    }
    return true;
}
