// SPDX-License-Identifier: MIT
// The host tool's audio file reader with any bytes as the file (WAV, AIFF, FLAC, Ogg and every
// other format libsndfile knows): it either reads or throws the tool's own error. The file
// lives in memory (memfd) and is opened by its /proc path, as the tool opens a named file.
// Reads never deliver more frames than asked for, nor more than the header announces.
//
// The decoders complain on standard error about every broken frame, so the target runs with
// its standard error closed (-close_fd_mask=2); the rule messages below go to a copy of the
// descriptor taken before libFuzzer closes it.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/audio/signal_source.h"
#include "tools/tool_error.h"

namespace {

constexpr std::int64_t kBlock = 512;
// Headers may announce billions of frames; one input reads no more than this.
constexpr std::int64_t kMostFramesRead = 1 << 16;

std::FILE* reports = stderr;

[[noreturn]] void fail(const char* what) {
    std::fprintf(reports, "audio file reader broke a rule: %s\n", what);
    std::fflush(reports);
    std::abort();
}

}  // namespace

// Runs before libFuzzer reads its flags, and so before -close_fd_mask closes standard error.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const int copy = ::dup(2);
    if (copy >= 0) {
        if (std::FILE* file = ::fdopen(copy, "w")) reports = file;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const int fd = ::memfd_create("fuzz-audio", 0);
    if (fd < 0) return 0;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        AudioFileSource source(path, kBlock);
        if (source.totalFrames() <= 0) fail("a source without frames was opened");
        std::vector<std::vector<float>> channels(static_cast<std::size_t>(source.channelCount()),
                                                 std::vector<float>(kBlock + 1, -1234.5f));
        std::vector<float*> pointers;
        for (std::vector<float>& channel : channels) pointers.push_back(channel.data());
        std::int64_t total = 0;
        while (total < kMostFramesRead) {
            const std::int64_t got = source.read(pointers.data(), kBlock);
            if (got < 0 || got > kBlock) fail("a read outside 0 to the block size");
            for (const std::vector<float>& channel : channels) {
                if (channel[kBlock] != -1234.5f) fail("a read wrote past the block");
            }
            if (got == 0) break;
            total += got;
            if (total > source.totalFrames()) fail("more frames than the header announced");
        }
    } catch (const ToolError&) {
    }
    ::close(fd);
    return 0;
}
