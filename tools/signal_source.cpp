#include "tools/signal_source.h"

#include <algorithm>
#include <fstream>

#include "tools/tool_error.h"

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
}

AudioFileSource::~AudioFileSource() {
    if (file_ != nullptr) ::sf_close(file_);
}

std::int64_t AudioFileSource::read(float* channel0, std::int64_t frames) {
    const std::int64_t capacity = static_cast<std::int64_t>(interleaved_.size()) / info_.channels;
    frames = std::min(frames, capacity);
    const sf_count_t got = ::sf_readf_float(file_, interleaved_.data(), frames);
    if (got < 0 || (got < frames && ::sf_error(file_) != SF_ERR_NO_ERROR)) {
        throw ToolError("error while reading " + path_.string() + ": " + ::sf_strerror(file_));
    }
    for (sf_count_t i = 0; i < got; ++i) channel0[i] = interleaved_[static_cast<std::size_t>(i * info_.channels)];
    return got;
}

std::int64_t MemorySource::read(float* channel0, std::int64_t frames) {
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(frames), samples_.size() - position_);
    std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(position_), count, channel0);
    position_ += count;
    return static_cast<std::int64_t>(count);
}
