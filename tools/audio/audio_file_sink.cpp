// SPDX-License-Identifier: MIT
#include "tools/audio/audio_file_sink.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unistd.h>
#include <string>

#include "tools/tool_error.h"

namespace {

std::string withoutDot(std::string extension) {
    if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string canonicalExtension(const std::string& extension) {
    if (extension == "aif") return "aiff";
    if (extension == "ogg" || extension == "opus") return "oga";
    if (extension == "wave") return "wav";
    return extension;
}

// NaN and infinities have no integer sample: NaN becomes silence, an infinity full scale.
float representable(float x) {
    if (std::isnan(x)) return 0.0f;
    if (std::isinf(x)) return x > 0.0f ? 1.0f : -1.0f;
    return x;
}

}  // namespace

int outputFormatFor(const std::string& givenExtension, int channels, int sampleRate, const std::string& shownName) {
    const std::string extension = withoutDot(givenExtension);
    if (extension.empty()) return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    const std::string wanted = canonicalExtension(extension);
    int majorCount = 0;
    ::sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &majorCount, sizeof majorCount);
    // An ".opus" name asks for the Opus codec in an Ogg container.
    const std::vector<int> subtypes =
        extension == "opus" ? std::vector<int>{SF_FORMAT_OPUS}
                            : std::vector<int>{SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_VORBIS,
                                               SF_FORMAT_OPUS};
    bool known = false;
    for (int m = 0; m < majorCount; ++m) {
        SF_FORMAT_INFO major{};
        major.format = m;
        ::sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major);
        if (major.extension == nullptr || wanted != major.extension) continue;
        known = true;
        SF_INFO info{};
        info.channels = channels;
        info.samplerate = sampleRate;
        for (int subtype : subtypes) {
            info.format = major.format | subtype;
            if (::sf_format_check(&info)) return info.format;
        }
    }
    if (known) {
        throw ToolError("the output format \"." + extension + "\" of " + shownName + " cannot hold " +
                        std::to_string(channels) + " channels at " + std::to_string(sampleRate) +
                        " Hz (the plug-in's outputs); use e.g. .wav");
    }
    throw ToolError("unsupported output format \"." + extension + "\" for " + shownName +
                    " (libsndfile cannot write it); use e.g. .wav, .flac, .aiff or .ogg");
}

AudioFileSink::AudioFileSink(const std::string& output, bool noClobber, const std::string& format, int channels,
                             int sampleRate, std::int64_t maximumBlock)
    : output_(output, noClobber), channels_(channels) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = outputFormatFor(format.empty() ? output_.extension() : format, channels, sampleRate, output);
    file_ = ::sf_open_fd(output_.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        std::string message = "cannot write output " + output + ": " + ::sf_strerror(nullptr);
        if (output_.isDirect() && ::lseek(output_.descriptor(), 0, SEEK_CUR) < 0) {
            message += " (a pipe takes a format that needs no seeking, e.g. --format au or --format flac)";
        }
        throw ToolError(message);
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    clips_ = subtype != SF_FORMAT_FLOAT && subtype != SF_FORMAT_DOUBLE;
    if (clips_) ::sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    interleaved_.resize(static_cast<std::size_t>(maximumBlock) * static_cast<std::size_t>(channels));
}

AudioFileSink::~AudioFileSink() {
    if (file_ != nullptr) ::sf_close(file_);
}

void AudioFileSink::write(const float* const* channels, std::int64_t frames) {
    const auto count = static_cast<std::size_t>(channels_);
    const std::int64_t capacity = static_cast<std::int64_t>(interleaved_.size() / count);
    std::int64_t done = 0;
    while (done < frames) {
        const std::int64_t n = std::min(frames - done, capacity);
        float* to = interleaved_.data();
        for (std::size_t c = 0; c < count; ++c) {
            const float* from = channels[c] + done;
            // Two loops, so that the common one (a float format) is a plain copy.
            if (clips_) {
                for (std::int64_t i = 0; i < n; ++i) to[static_cast<std::size_t>(i) * count + c] = representable(from[i]);
            } else {
                for (std::int64_t i = 0; i < n; ++i) to[static_cast<std::size_t>(i) * count + c] = from[i];
            }
        }
        const sf_count_t written = ::sf_writef_float(file_, interleaved_.data(), n);
        if (written != n) {
            const int error = ::sf_error(file_);
            throw ToolError("cannot write output " + output_.name() + ": " +
                            (error != SF_ERR_NO_ERROR
                                 ? std::string(::sf_strerror(file_))
                                 : "libsndfile took " + std::to_string(written) + " of " + std::to_string(n) +
                                       " frames and gave no reason (its encoder refused them)"));
        }
        done += n;
    }
}

void AudioFileSink::commit() {
    const int result = ::sf_close(file_);
    file_ = nullptr;
    if (result != 0) {
        throw ToolError("cannot write output " + output_.name() + ": " + ::sf_error_number(result));
    }
    output_.commit();
}
