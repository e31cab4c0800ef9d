// SPDX-License-Identifier: MIT
// Where the rendered signal comes from: one or more channels of samples, read block by block
// so that memory stays constant however long the signal is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <sndfile.h>

class SignalSource {
public:
    virtual ~SignalSource() = default;
    virtual int channelCount() const = 0;
    // Fills up to `frames` samples of each channel; returns how many (0 at the end).
    virtual std::int64_t read(float* const* channels, std::int64_t frames) = 0;
    virtual std::int64_t totalFrames() const = 0;
    virtual double sampleRate() const = 0;
};

// An audio file read through libsndfile. Throws ToolError when the file is missing,
// unreadable, of a format libsndfile does not read, or holds no frames.
class AudioFileSource : public SignalSource {
public:
    AudioFileSource(const std::filesystem::path& path, std::int64_t maximumBlock);
    ~AudioFileSource() override;
    AudioFileSource(const AudioFileSource&) = delete;
    AudioFileSource& operator=(const AudioFileSource&) = delete;

    int channelCount() const override { return info_.channels; }
    std::int64_t read(float* const* channels, std::int64_t frames) override;
    // The frames the file holds: libsndfile's count from the data it finds.
    std::int64_t totalFrames() const override { return info_.frames; }
    double sampleRate() const override { return info_.samplerate; }
    // The frames the header declares, when it declares more than the file holds (a file cut
    // short); otherwise 0.
    std::int64_t declaredFramesBeyondData() const { return declaredFrames_; }

private:
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    std::vector<float> interleaved_;
    std::filesystem::path path_;
    std::int64_t declaredFrames_ = 0;
};

// One channel of samples already in memory (used by tests and by the response measurement).
class MemorySource : public SignalSource {
public:
    MemorySource(std::vector<float> samples, double sampleRate)
        : samples_(std::move(samples)), sampleRate_(sampleRate) {}
    int channelCount() const override { return 1; }
    std::int64_t read(float* const* channels, std::int64_t frames) override;
    std::int64_t totalFrames() const override { return static_cast<std::int64_t>(samples_.size()); }
    double sampleRate() const override { return sampleRate_; }

private:
    std::vector<float> samples_;
    double sampleRate_;
    std::size_t position_ = 0;
};
