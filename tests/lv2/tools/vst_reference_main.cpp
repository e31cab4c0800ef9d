// SPDX-License-Identifier: MIT
// The VST module's side of the tests that run the LV2 bundle through other programs (lilv's
// lv2apply, Ardour): the controls a user types for a VST setting, and the comparison of a
// program's output file with the VST module's render of the same input and setting.
//
//   vst_reference controls RATE SETTING...
//       prints "symbol value" for each LV2 control: what the VST build shows for the
//       setting at RATE (every parameter; those not given keep their defaults)
//   vst_reference compare [--lead-in FRAMES [--search WINDOW]] INPUT OUTPUT SETTING...
//       renders INPUT's first channel, after FRAMES of silence (none by default), through
//       the VST module at INPUT's rate with the setting applied before the first block, and
//       compares every channel of OUTPUT with it bit for bit; exit 0 when they are equal,
//       1 when not or when the render is silent (a silent render proves nothing). With
//       --search, for a host that places INPUT in OUTPUT itself, INPUT is also placed up to
//       WINDOW frames either side of FRAMES, nearest first, with silence after it to
//       OUTPUT's length, and the placement that gives an equal output is printed
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

// The VST module's render of INPUT's first channel after `leadIn` frames of silence, and of
// silence after it up to `length` frames in all where that is longer.
std::vector<float> render(std::size_t leadIn, const AudioFile& input, const std::vector<Setting>& settings,
                          std::size_t length = 0) {
    testing_support::ScriptedSession session;
    session.sampleRate = static_cast<float>(input.rate);
    session.input.assign(leadIn, 0.0f);
    for (std::size_t i = 0; i < input.frames.size(); i += static_cast<std::size_t>(input.channels)) {
        session.input.push_back(input.frames[i]);
    }
    if (session.input.size() < length) session.input.resize(length, 0.0f);
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

// The first channel and frame where OUTPUT differs from `expected`, as a line, or none.
std::optional<std::string> difference(const std::vector<float>& expected, int rate, const AudioFile& output) {
    const auto frames = output.frames.size() / static_cast<std::size_t>(output.channels);
    char line[200];
    if (output.rate != rate || frames != expected.size()) {
        std::snprintf(line, sizeof line, "the output has %zu frames at %d Hz, the VST render %zu at %d Hz", frames,
                      output.rate, expected.size(), rate);
        return line;
    }
    for (int channel = 0; channel < output.channels; ++channel) {
        for (std::size_t frame = 0; frame < frames; ++frame) {
            const float got = output.frames[frame * static_cast<std::size_t>(output.channels) + channel];
            if (std::memcmp(&got, &expected[frame], sizeof got) != 0) {
                std::snprintf(line, sizeof line, "channel %d, frame %zu: %.9g, the VST render %.9g", channel, frame,
                              static_cast<double>(got), static_cast<double>(expected[frame]));
                return line;
            }
        }
    }
    return std::nullopt;
}

int compare(std::size_t leadIn, std::size_t window, const AudioFile& input, const AudioFile& output,
            const std::vector<Setting>& settings) {
    const auto expected = render(leadIn, input, settings);
    if (std::all_of(expected.begin(), expected.end(), [](float sample) { return sample == 0.0f; })) {
        std::printf("differ: the VST render is silent, so the comparison would prove nothing\n");
        return 1;
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
            if (difference(render(tried, input, settings, frames), input.rate, output)) continue;
            std::printf("equal: %d channels of %zu frames, bit for bit, with the input at frame %zu, %zu %s than %zu\n",
                        output.channels, frames, tried, distance, later ? "later" : "earlier", leadIn);
            return 0;
        }
    }
    std::printf("differ: %s%s\n", differs->c_str(), window > 0 ? " (and at every other lead-in searched)" : "");
    return 1;
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
        if (next + 2 > argc) return kUsageError;
        const auto settings = parseSettings(argc - next - 2, argv + next + 2);
        const auto input = readAudioFile(argv[next]);
        const auto output = readAudioFile(argv[next + 1]);
        if (!settings || !input || !output) return kUsageError;
        return compare(leadIn, window, *input, *output, *settings);
    }
    std::fprintf(stderr,
                 "usage: vst_reference controls RATE SETTING...\n"
                 "       vst_reference compare [--lead-in FRAMES [--search WINDOW]] INPUT OUTPUT SETTING...\n");
    return kUsageError;
}
