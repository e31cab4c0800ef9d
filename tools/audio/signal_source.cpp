// SPDX-License-Identifier: MIT
#include "tools/audio/signal_source.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/tool_error.h"

namespace {

// libsndfile counts the frames in the data it finds and notes in its log when the header
// declared more: "data : 4000 (should be 400)" for a WAV cut short. Returns the declared
// count in that case, else 0.
std::int64_t declaredFramesOf(SNDFILE* file, const SF_INFO& info) {
    std::string log(8192, '\0');
    ::sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    log.resize(std::strlen(log.c_str()));
    const std::size_t data = log.find("\ndata : ");
    if (data == std::string::npos) return 0;
    const std::size_t end = log.find('\n', data + 1);
    const std::string line = log.substr(data + 1, end == std::string::npos ? std::string::npos : end - data - 1);
    long long declaredBytes = 0, foundBytes = 0;
    if (std::sscanf(line.c_str(), "data : %lld (should be %lld)", &declaredBytes, &foundBytes) != 2) return 0;
    if (declaredBytes <= foundBytes || foundBytes <= 0 || info.frames <= 0) return 0;
    // The bytes per frame follow from the data found and the frames counted in it.
    const double bytesPerFrame = static_cast<double>(foundBytes) / static_cast<double>(info.frames);
    const double declared = std::round(static_cast<double>(declaredBytes) / bytesPerFrame);
    // A header may declare anything; no more than a 64-bit count holds.
    return declared < 9.0e18 ? static_cast<std::int64_t>(declared) : std::int64_t{9'000'000'000'000'000'000};
}

}  // namespace

AudioFileSource::AudioFileSource(const std::filesystem::path& path, std::int64_t maximumBlock) : path_(path) {
    const std::string shown = path.string();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw ToolError("input file not found: " + shown);
    if (std::filesystem::is_directory(path, error)) throw ToolError("input is a directory, not an audio file: " + shown);
    if (!std::ifstream(path, std::ios::binary).is_open()) throw ToolError("input file cannot be read: " + shown);
    if (std::filesystem::file_size(path, error) == 0 && !error) {
        throw ToolError("input file " + shown + " is empty (zero length)");
    }
    file_ = ::sf_open(shown.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) {
        throw ToolError("input file " + shown + " is not in a supported audio format: " + ::sf_strerror(nullptr));
    }
    if (info_.frames <= 0 || info_.channels <= 0) {
        ::sf_close(file_);
        file_ = nullptr;
        throw ToolError("input file " + shown + " holds no audio (zero length)");
    }
    interleaved_.resize(static_cast<std::size_t>(maximumBlock) * static_cast<std::size_t>(info_.channels));
    declaredFrames_ = declaredFramesOf(file_, info_);
}

AudioFileSource::~AudioFileSource() {
    if (file_ != nullptr) ::sf_close(file_);
}

std::int64_t AudioFileSource::read(float* const* channels, std::int64_t frames) {
    const std::int64_t capacity = static_cast<std::int64_t>(interleaved_.size()) / info_.channels;
    frames = std::min(frames, capacity);
    const sf_count_t got = ::sf_readf_float(file_, interleaved_.data(), frames);
    if (got < 0 || (got < frames && ::sf_error(file_) != SF_ERR_NO_ERROR)) {
        throw ToolError("error while reading " + path_.string() + ": " + ::sf_strerror(file_));
    }
    const auto count = static_cast<std::size_t>(info_.channels);
    for (std::size_t c = 0; c < count; ++c) {
        for (sf_count_t i = 0; i < got; ++i) channels[c][i] = interleaved_[static_cast<std::size_t>(i) * count + c];
    }
    return got;
}

std::int64_t MemorySource::read(float* const* channels, std::int64_t frames) {
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(frames), samples_.size() - position_);
    std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(position_), count, channels[0]);
    position_ += count;
    return static_cast<std::int64_t>(count);
}
