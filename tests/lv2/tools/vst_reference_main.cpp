// SPDX-License-Identifier: MIT
// The VST module's side of the tests that run the LV2 bundle through other programs (lilv's
// lv2apply, Ardour): the controls a user types for a VST setting, and the comparison of a
// program's output file with the VST module's render of the same input and setting.
//
//   vst_reference controls RATE SETTING...
//       prints "symbol value" for each LV2 control: what the VST build shows for the
//       setting at RATE (every parameter; those not given keep their defaults)
//   vst_reference compare [--lead-in FRAMES] [--each-channel] INPUT OUTPUT SETTING...
//       renders INPUT's first channel, after FRAMES of silence (none by default), through
//       the VST module at INPUT's rate with the setting applied before the first block, and
//       compares every channel of OUTPUT with it bit for bit; exit 0 when they are equal,
//       1 when not or when the render is silent (a silent render proves nothing). With
//       --each-channel (a stereo plug-in's output), OUTPUT's channel c is compared with the
//       render of INPUT's channel c, and INPUT needs as many channels as OUTPUT. With --dry
//       (a bypassed plug-in) the input itself stands for the render.
//   vst_reference interleave LEFT RIGHT OUTPUT
//       writes the first channels of two files of one rate and length as one stereo file of
//       32-bit floats, sample for sample (a host that records each channel to its own file)
//
// A SETTING is NAME=VALUE with a parameter's name and its normalized VST value, such as
// Freq=0.3 or Dry/Wet=0.5. Exit 2 for a bad command line or an unreadable file.
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/parameter_table.h"
#include "lv2/lv2_session.h"
#include "support/module_loader.h"
#include "support/record_driver.h"

namespace {

constexpr int kUsageError = 2;

struct Setting {
    ParameterIndex index;
    float value;
};

std::optional<Setting> parseSetting(const std::string& text) {
    const auto equals = text.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string name = text.substr(0, equals);
    char* end = nullptr;
    const float value = std::strtof(text.c_str() + equals + 1, &end);
    if (end == text.c_str() + equals + 1 || *end != '\0') return std::nullopt;
    for (const ParameterInfo& parameter : kParameterTable) {
        if (name == parameter.name) return Setting{parameter.index, value};
    }
    return std::nullopt;
}

std::optional<std::vector<Setting>> parseSettings(int count, char** texts) {
    std::vector<Setting> settings;
    for (int i = 0; i < count; ++i) {
        const auto setting = parseSetting(texts[i]);
        if (!setting) {
            std::fprintf(stderr, "vst_reference: not a setting: %s\n", texts[i]);
            return std::nullopt;
        }
        settings.push_back(*setting);
    }
    return settings;
}

struct AudioFile {
    int rate = 0;
    int channels = 0;
    std::vector<float> frames;  // interleaved
};

std::optional<AudioFile> readAudioFile(const char* path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "vst_reference: cannot read %s: %s\n", path, sf_strerror(nullptr));
        return std::nullopt;
    }
    AudioFile audio{info.samplerate, info.channels, std::vector<float>(static_cast<std::size_t>(info.frames * info.channels))};
    const sf_count_t read = sf_readf_float(file, audio.frames.data(), info.frames);
    sf_close(file);
    if (read != info.frames) {
        std::fprintf(stderr, "vst_reference: %s ended early\n", path);
        return std::nullopt;
    }
    // Only floating-point files carry the samples unchanged.
    if ((info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT) {
        std::fprintf(stderr, "vst_reference: %s does not hold 32-bit floats\n", path);
        return std::nullopt;
    }
    return audio;
}

int printControls(float rate, const std::vector<Setting>& settings) {
    auto controls = lv2_testing::defaultControls(rate);
    for (const Setting& setting : settings) {
        controls[setting.index] = lv2_testing::hostValueShownFor(setting.index, setting.value, rate);
    }
    for (const ParameterInfo& parameter : kParameterTable) {
        std::printf("%s %.9g\n", parameter.symbol, static_cast<double>(controls[parameter.index]));
    }
    return 0;
}

// The VST module's render of INPUT's channel `channel` after `leadIn` frames of silence, or
// for `dry` that channel itself after them.
std::vector<float> vstRender(std::size_t leadIn, const AudioFile& input, int channel, bool dry,
                             const std::vector<Setting>& settings) {
    testing_support::ScriptedSession session;
    session.sampleRate = static_cast<float>(input.rate);
    session.input.assign(leadIn, 0.0f);
    for (std::size_t i = static_cast<std::size_t>(channel); i < input.frames.size();
         i += static_cast<std::size_t>(input.channels)) {
        session.input.push_back(input.frames[i]);
    }
    if (dry) return session.input;
    for (const Setting& setting : settings) {
        session.steps.push_back({testing_support::SessionStep::Kind::SetParameter, setting.index, setting.value, 0});
    }
    constexpr std::int32_t kBlock = 4096;
    for (std::size_t done = 0; done < session.input.size(); done += kBlock) {
        const auto frames = static_cast<std::int32_t>(std::min<std::size_t>(kBlock, session.input.size() - done));
        session.steps.push_back({testing_support::SessionStep::Kind::Process, 0, 0.0f, frames});
    }
    return testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
}

int compare(std::size_t leadIn, bool eachChannel, bool dry, const AudioFile& input, const AudioFile& output,
            const std::vector<Setting>& settings) {
    if (eachChannel && input.channels < output.channels) {
        std::printf("differ: the output has %d channels, the input only %d\n", output.channels, input.channels);
        return 1;
    }
    const auto frames = output.frames.size() / static_cast<std::size_t>(output.channels);
    std::vector<float> expected;
    for (int channel = 0; channel < output.channels; ++channel) {
        if (channel == 0 || eachChannel) {
            expected = vstRender(leadIn, input, eachChannel ? channel : 0, dry, settings);
            if (std::all_of(expected.begin(), expected.end(), [](float sample) { return sample == 0.0f; })) {
                std::printf("differ: the VST render is silent, so the comparison would prove nothing\n");
                return 1;
            }
            if (output.rate != input.rate || frames != expected.size()) {
                std::printf("differ: the output has %zu frames at %d Hz, the VST render %zu at %d Hz\n", frames,
                            output.rate, expected.size(), input.rate);
                return 1;
            }
        }
        for (std::size_t frame = 0; frame < frames; ++frame) {
            const float got = output.frames[frame * static_cast<std::size_t>(output.channels) + channel];
            if (std::memcmp(&got, &expected[frame], sizeof got) != 0) {
                std::printf("differ: channel %d, frame %zu: %.9g, the VST render %.9g\n", channel, frame,
                            static_cast<double>(got), static_cast<double>(expected[frame]));
                return 1;
            }
        }
    }
    std::printf("equal: %d channels of %zu frames, bit for bit\n", output.channels, frames);
    return 0;
}

int interleave(const AudioFile& left, const AudioFile& right, const char* path) {
    const std::size_t frames = left.frames.size() / static_cast<std::size_t>(left.channels);
    if (left.rate != right.rate || right.frames.size() / static_cast<std::size_t>(right.channels) != frames) {
        std::fprintf(stderr, "vst_reference: the two files differ in rate or length\n");
        return kUsageError;
    }
    std::vector<float> stereo;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        stereo.push_back(left.frames[frame * static_cast<std::size_t>(left.channels)]);
        stereo.push_back(right.frames[frame * static_cast<std::size_t>(right.channels)]);
    }
    SF_INFO info{};
    info.samplerate = left.rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path, SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "vst_reference: cannot write %s: %s\n", path, sf_strerror(nullptr));
        return kUsageError;
    }
    const sf_count_t written = sf_writef_float(file, stereo.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    return written == static_cast<sf_count_t>(frames) ? 0 : kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "controls" && argc >= 3) {
        const float rate = std::strtof(argv[2], nullptr);
        const auto settings = parseSettings(argc - 3, argv + 3);
        if (!(rate > 0.0f) || !settings) return kUsageError;
        return printControls(rate, *settings);
    }
    if (command == "compare") {
        int next = 2;
        std::size_t leadIn = 0;
        if (next + 1 < argc && std::strcmp(argv[next], "--lead-in") == 0) {
            char* end = nullptr;
            leadIn = std::strtoul(argv[next + 1], &end, 10);
            if (*end != '\0') return kUsageError;
            next += 2;
        }
        const bool eachChannel = next < argc && std::strcmp(argv[next], "--each-channel") == 0;
        next += eachChannel ? 1 : 0;
        const bool dry = next < argc && std::strcmp(argv[next], "--dry") == 0;
        next += dry ? 1 : 0;
        if (next + 2 > argc) return kUsageError;
        const auto settings = parseSettings(argc - next - 2, argv + next + 2);
        const auto input = readAudioFile(argv[next]);
        const auto output = readAudioFile(argv[next + 1]);
        if (!settings || !input || !output) return kUsageError;
        return compare(leadIn, eachChannel, dry, *input, *output, *settings);
    }
    if (command == "interleave" && argc == 5) {
        const auto left = readAudioFile(argv[2]);
        const auto right = readAudioFile(argv[3]);
        if (!left || !right) return kUsageError;
        return interleave(*left, *right, argv[4]);
    }
    std::fprintf(stderr,
                 "usage: vst_reference controls RATE SETTING...\n"
                 "       vst_reference compare [--lead-in FRAMES] [--each-channel] [--dry] INPUT OUTPUT SETTING...\n"
                 "       vst_reference interleave LEFT RIGHT OUTPUT\n");
    return kUsageError;
}
