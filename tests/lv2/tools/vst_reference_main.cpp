// SPDX-License-Identifier: MIT
// The VST module's side of the tests that run the LV2 bundle through other programs (lilv's
// lv2apply, Ardour): the controls a user types for a VST setting, and the comparison of a
// program's output file with the VST module's render of the same input and setting.
//
//   vst_reference controls RATE SETTING...
//       prints "symbol value" for each LV2 control: what the VST build shows for the
//       setting at RATE (every parameter; those not given keep their defaults)
//   vst_reference compare [--lead-in FRAMES [--search WINDOW]] [--each-channel] [--dry] INPUT OUTPUT SETTING...
//       renders INPUT's first channel, after FRAMES of silence (none by default), through
//       the VST module at INPUT's rate with the setting applied before the first block, and
//       compares every channel of OUTPUT with it bit for bit; exit 0 when they are equal,
//       1 when not or when the render is silent (a silent render proves nothing). With
//       --search, for a host that places INPUT in OUTPUT itself, INPUT is also placed up to
//       WINDOW frames either side of FRAMES, nearest first, with silence after it to
//       OUTPUT's length, and the placement that gives an equal output is printed. With
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
#include <utility>
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

// What OUTPUT's channels are compared with: for every channel the render of INPUT's first
// channel, or with `eachChannel` of INPUT's channel of the same number; with `dry` the input
// channel itself instead of its render.
struct Expectation {
    std::size_t channels = 1;
    bool eachChannel = false;
    bool dry = false;
};

// The VST module's render of INPUT's channel `channel` after `leadIn` frames of silence, and
// of silence after it up to `length` frames in all where that is longer (for `dry` that
// signal itself).
std::vector<float> renderChannel(std::size_t leadIn, const AudioFile& input, int channel, bool dry,
                                 const std::vector<Setting>& settings, std::size_t length) {
    testing_support::ScriptedSession session;
    session.sampleRate = static_cast<float>(input.rate);
    session.input.assign(leadIn, 0.0f);
    for (std::size_t i = static_cast<std::size_t>(channel); i < input.frames.size();
         i += static_cast<std::size_t>(input.channels)) {
        session.input.push_back(input.frames[i]);
    }
    if (session.input.size() < length) session.input.resize(length, 0.0f);
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

// What each of OUTPUT's channels is compared with.
std::vector<std::vector<float>> render(std::size_t leadIn, const AudioFile& input, const Expectation& expectation,
                                       const std::vector<Setting>& settings, std::size_t length = 0) {
    std::vector<std::vector<float>> channels;
    for (std::size_t channel = 0; channel < expectation.channels; ++channel) {
        if (channel == 0 || expectation.eachChannel) {
            channels.push_back(renderChannel(leadIn, input, expectation.eachChannel ? static_cast<int>(channel) : 0,
                                             expectation.dry, settings, length));
        } else {
            channels.push_back(channels.front());
        }
    }
    return channels;
}

// The first channel and frame where OUTPUT differs from `expected`, as a line, or none.
std::optional<std::string> difference(const std::vector<std::vector<float>>& expected, int rate,
                                      const AudioFile& output) {
    const auto frames = output.frames.size() / static_cast<std::size_t>(output.channels);
    char line[200];
    if (output.rate != rate || frames != expected.front().size()) {
        std::snprintf(line, sizeof line, "the output has %zu frames at %d Hz, the VST render %zu at %d Hz", frames,
                      output.rate, expected.front().size(), rate);
        return line;
    }
    for (int channel = 0; channel < output.channels; ++channel) {
        const std::vector<float>& wanted = expected[static_cast<std::size_t>(channel)];
        for (std::size_t frame = 0; frame < frames; ++frame) {
            const float got = output.frames[frame * static_cast<std::size_t>(output.channels) + channel];
            if (std::memcmp(&got, &wanted[frame], sizeof got) != 0) {
                std::snprintf(line, sizeof line, "channel %d, frame %zu: %.9g, the VST render %.9g", channel, frame,
                              static_cast<double>(got), static_cast<double>(wanted[frame]));
                return line;
            }
        }
    }
    return std::nullopt;
}

int compare(std::size_t leadIn, std::size_t window, Expectation expectation, const AudioFile& input,
            const AudioFile& output, const std::vector<Setting>& settings) {
    expectation.channels = static_cast<std::size_t>(output.channels);
    if (expectation.eachChannel && input.channels < output.channels) {
        std::printf("differ: the output has %d channels, the input only %d\n", output.channels, input.channels);
        return 1;
    }
    const auto expected = render(leadIn, input, expectation, settings);
    for (const std::vector<float>& channel : expected) {
        if (std::all_of(channel.begin(), channel.end(), [](float sample) { return sample == 0.0f; })) {
            std::printf("differ: the VST render is silent, so the comparison would prove nothing\n");
            return 1;
        }
    }
    const auto frames = output.frames.size() / static_cast<std::size_t>(output.channels);
    const auto differs = difference(expected, input.rate, output);
    if (!differs) {
        std::printf("equal: %d channels of %zu frames, bit for bit\n", output.channels, frames);
        return 0;
    }
    for (std::size_t distance = 1; distance <= window; ++distance) {
        for (const bool later : {false, true}) {
            if (!later && distance > leadIn) continue;
            const std::size_t tried = later ? leadIn + distance : leadIn - distance;
            // The input must end within the output.
            if (tried + input.frames.size() / static_cast<std::size_t>(input.channels) > frames) continue;
            if (difference(render(tried, input, expectation, settings, frames), input.rate, output)) continue;
            std::printf("equal: %d channels of %zu frames, bit for bit, with the input at frame %zu, %zu %s than %zu\n",
                        output.channels, frames, tried, distance, later ? "later" : "earlier", leadIn);
            return 0;
        }
    }
    std::printf("differ: %s%s\n", differs->c_str(), window > 0 ? " (and at every other lead-in searched)" : "");
    return 1;
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
        std::size_t window = 0;
        for (const auto& [option, value] : {std::pair{"--lead-in", &leadIn}, std::pair{"--search", &window}}) {
            if (next + 1 < argc && std::strcmp(argv[next], option) == 0) {
                char* end = nullptr;
                *value = std::strtoul(argv[next + 1], &end, 10);
                if (*end != '\0') return kUsageError;
                next += 2;
            }
        }
        Expectation expectation;
        for (const auto& [option, flag] : {std::pair{"--each-channel", &expectation.eachChannel},
                                           std::pair{"--dry", &expectation.dry}}) {
            *flag = next < argc && std::strcmp(argv[next], option) == 0;
            next += *flag ? 1 : 0;
        }
        if (next + 2 > argc) return kUsageError;
        const auto settings = parseSettings(argc - next - 2, argv + next + 2);
        const auto input = readAudioFile(argv[next]);
        const auto output = readAudioFile(argv[next + 1]);
        if (!settings || !input || !output) return kUsageError;
        return compare(leadIn, window, expectation, *input, *output, *settings);
    }
    if (command == "interleave" && argc == 5) {
        const auto left = readAudioFile(argv[2]);
        const auto right = readAudioFile(argv[3]);
        if (!left || !right) return kUsageError;
        return interleave(*left, *right, argv[4]);
    }
    std::fprintf(stderr,
                 "usage: vst_reference controls RATE SETTING...\n"
                 "       vst_reference compare [--lead-in FRAMES [--search WINDOW]] [--each-channel] [--dry] INPUT "
                 "OUTPUT SETTING...\n"
                 "       vst_reference interleave LEFT RIGHT OUTPUT\n");
    return kUsageError;
}
