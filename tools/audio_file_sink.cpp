#include "tools/audio_file_sink.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "tools/tool_error.h"

namespace {

constexpr int kOutputChannels = 2;

std::string lowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
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

}  // namespace

int outputFormatFor(const std::filesystem::path& path, int sampleRate) {
    const std::string extension = lowerExtension(path);
    if (extension.empty()) return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    const std::string wanted = canonicalExtension(extension);
    int majorCount = 0;
    ::sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &majorCount, sizeof majorCount);
    // An ".opus" name asks for the Opus codec in an Ogg container.
    const std::vector<int> subtypes =
        extension == "opus" ? std::vector<int>{SF_FORMAT_OPUS}
                            : std::vector<int>{SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_VORBIS,
                                               SF_FORMAT_OPUS};
    for (int m = 0; m < majorCount; ++m) {
        SF_FORMAT_INFO major{};
        major.format = m;
        ::sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major);
        if (major.extension == nullptr || wanted != major.extension) continue;
        SF_INFO info{};
        info.channels = kOutputChannels;
        info.samplerate = sampleRate;
        for (int subtype : subtypes) {
            info.format = major.format | subtype;
            if (::sf_format_check(&info)) return info.format;
        }
    }
    throw ToolError("unsupported output format \"." + extension + "\" for " + path.string() +
                    " (libsndfile cannot write it); use e.g. .wav, .flac, .aiff or .ogg");
}

AudioFileSink::AudioFileSink(const std::filesystem::path& destination, int sampleRate, std::int64_t maximumBlock)
    : output_(destination) {
    SF_INFO info{};
    info.channels = kOutputChannels;
    info.samplerate = sampleRate;
    info.format = outputFormatFor(destination, sampleRate);
    file_ = ::sf_open_fd(output_.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        throw ToolError("cannot write output " + destination.string() + ": " + ::sf_strerror(nullptr));
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    clips_ = subtype != SF_FORMAT_FLOAT && subtype != SF_FORMAT_DOUBLE;
    if (clips_) ::sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    interleaved_.resize(static_cast<std::size_t>(maximumBlock) * kOutputChannels);
}

AudioFileSink::~AudioFileSink() {
    if (file_ != nullptr) ::sf_close(file_);
}

void AudioFileSink::write(const float* left, const float* right, std::int64_t frames) {
    const std::int64_t capacity = static_cast<std::int64_t>(interleaved_.size()) / kOutputChannels;
    while (frames > 0) {
        const std::int64_t count = std::min(frames, capacity);
        for (std::int64_t i = 0; i < count; ++i) {
            interleaved_[static_cast<std::size_t>(2 * i)] = left[i];
            interleaved_[static_cast<std::size_t>(2 * i + 1)] = right[i];
        }
        if (::sf_writef_float(file_, interleaved_.data(), count) != count) {
            throw ToolError("cannot write output " + output_.destination().string() + ": " + ::sf_strerror(file_));
        }
        left += count;
        right += count;
        frames -= count;
    }
}

void AudioFileSink::commit() {
    const int result = ::sf_close(file_);
    file_ = nullptr;
    if (result != 0) {
        throw ToolError("cannot write output " + output_.destination().string() + ": " + ::sf_error_number(result));
    }
    output_.commit();
}
