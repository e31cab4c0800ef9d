// SPDX-License-Identifier: MIT
// The rendered result, written through libsndfile into an output (see output_file.h): a
// temporary file renamed over the destination only when everything has been written, or
// standard output, a device or a pipe written directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sndfile.h>

#include "tools/audio/frame_sink.h"
#include "tools/audio/output_file.h"

// libsndfile's format for an extension (".wav", or "wav" as --format gives it): the major
// format whose extension matches (a few common aliases such as "aif" and "ogg" included),
// with 32-bit float samples where the format takes them, else 24-bit, 16-bit, Vorbis or
// Opus. No extension: 32-bit float WAV. Throws ToolError for an extension libsndfile cannot
// write, or a channel count the format cannot hold.
int outputFormatFor(const std::string& extension, int channels, int sampleRate, const std::string& shownName);

class AudioFileSink : public FrameSink {
public:
    // `format` is an extension that overrides the output's own (empty: the output's).
    AudioFileSink(const std::string& output, bool noClobber, const std::string& format, int channels, int sampleRate,
                  std::int64_t maximumBlock);
    ~AudioFileSink() override;
    AudioFileSink(const AudioFileSink&) = delete;
    AudioFileSink& operator=(const AudioFileSink&) = delete;

    int channelCount() const override { return channels_; }
    // In a format without values beyond full scale (integer or compressed), samples are
    // clipped, NaN is written as 0 and infinities as full scale of their sign.
    void write(const float* const* channels, std::int64_t frames) override;
    // Closes the file and puts it in place.
    void commit();
    bool clipsBeyondFullScale() const { return clips_; }
    const OutputFile& output() const { return output_; }

private:
    OutputFile output_;
    SNDFILE* file_ = nullptr;
    int channels_;
    std::vector<float> interleaved_;
    bool clips_ = false;
};
