// The rendered two-channel result, written through libsndfile into a temporary file that is
// renamed to the destination only when everything has been written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <sndfile.h>

#include "tools/frame_sink.h"
#include "tools/temporary_output.h"

// libsndfile's format for a file name: the major format whose extension matches (a few
// common aliases such as "aif" and "ogg" included), with 32-bit float samples where the
// format takes them, else 24-bit, 16-bit, Vorbis or Opus. No extension: 32-bit float WAV.
// Throws ToolError for an extension libsndfile cannot write.
int outputFormatFor(const std::filesystem::path& path, int sampleRate);

class AudioFileSink : public FrameSink {
public:
    AudioFileSink(const std::filesystem::path& destination, int sampleRate, std::int64_t maximumBlock);
    ~AudioFileSink() override;
    AudioFileSink(const AudioFileSink&) = delete;
    AudioFileSink& operator=(const AudioFileSink&) = delete;

    void write(const float* left, const float* right, std::int64_t frames) override;
    // Closes the file and moves it into place.
    void commit();
    // Integer formats cannot hold values beyond full scale: such samples are clipped.
    bool clipsBeyondFullScale() const { return clips_; }

private:
    TemporaryOutput output_;
    SNDFILE* file_ = nullptr;
    std::vector<float> interleaved_;
    bool clips_ = false;
};
