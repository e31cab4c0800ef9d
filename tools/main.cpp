// bramsoliket-host: loads a plug-in module the way a host does and shows its record and
// parameters (info), streams audio through it (render), or measures and draws its magnitude
// response (response).
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>

#include <CLI/CLI.hpp>

#include "tools/audio_file_sink.h"
#include "tools/background_io.h"
#include "tools/automation.h"
#include "tools/effect_info.h"
#include "tools/frequency_response.h"
#include "tools/loaded_effect.h"
#include "tools/module_search.h"
#include "tools/parameter_settings.h"
#include "tools/progress_bar.h"
#include "tools/renderer.h"
#include "tools/response_plot.h"
#include "tools/test_signal.h"
#include "tools/tool_error.h"

namespace {

constexpr double kDefaultRate = 44100.0;
constexpr int kDefaultBlock = 512;
constexpr int kLargestBlock = 1 << 20;
constexpr double kLowestRate = 1.0;
constexpr double kHighestRate = 1.0e7;

struct CommonOptions {
    std::string plugin;
    std::vector<std::string> settings;
};

std::unique_ptr<LoadedEffect> loadEffect(const CommonOptions& options) {
    return LoadedEffect::load(options.plugin.empty() ? defaultModulePath() : std::filesystem::path(options.plugin));
}

std::vector<ParameterSetting> resolveSettings(const std::vector<std::string>& assignments,
                                              const ParameterNames& names) {
    std::vector<ParameterSetting> settings;
    for (const std::string& assignment : assignments) {
        settings.push_back(parseSetting(assignment, names));
        warnIfOutsideNormalRange(settings.back(), names);
    }
    return settings;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "Type: LowPass", "Freq: 5101.878 Hz": the module's own texts for the parameter.
std::string describeParameter(LoadedEffect& effect, std::int32_t index) {
    std::string text = effect.parameterName(index) + ": " + trimmed(effect.parameterDisplay(index));
    const std::string label = trimmed(effect.parameterLabel(index));
    if (!label.empty() && label != "type") text += " " + label;
    return text;
}

std::string decibelsText(double level) {
    char text[32];
    if (level > 0.0) {
        std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(level));
    } else {
        std::snprintf(text, sizeof text, "-inf dBFS");
    }
    return text;
}

void checkRate(double rate) {
    if (!(rate >= kLowestRate && rate <= kHighestRate)) {
        throw ToolError("sample rate " + std::to_string(rate) + " is out of range");
    }
}

int runInfo(const CommonOptions& common, bool json) {
    auto effect = loadEffect(common);
    const EffectInfo info = describeEffect(*effect);
    if (json) {
        std::cout << effectInfoToJson(info).dump(2) << '\n';
    } else {
        printEffectInfo(info, std::cout);
    }
    return 0;
}

struct RenderCommand {
    std::string input;
    std::string output;
    std::optional<int> program;
    std::optional<double> rate;
    int block = kDefaultBlock;
    bool accumulate = false;
    std::string automation;
    bool meter = false;
};

int runRender(const CommonOptions& common, const RenderCommand& command) {
    // Everything is checked before the output file is created.
    auto effect = loadEffect(common);
    const ParameterNames names(*effect);
    const std::vector<ParameterSetting> settings = resolveSettings(common.settings, names);
    if (command.program && (*command.program < 0 || *command.program >= effect->record().programCount)) {
        throw ToolError("program " + std::to_string(*command.program) + " does not exist; the module has " +
                        std::to_string(effect->record().programCount));
    }
    if (command.block < 1 || command.block > kLargestBlock) {
        throw ToolError("block size " + std::to_string(command.block) + " is out of range (1 to " +
                        std::to_string(kLargestBlock) + ")");
    }
    if (command.rate) checkRate(*command.rate);
    std::unique_ptr<SignalSource> source;
    if (command.input.empty()) {
        source = std::make_unique<TestSignal>(command.rate.value_or(kDefaultRate));
    } else {
        // Read ahead on a thread of its own, in large chunks.
        source = std::make_unique<PrefetchingSource>(std::make_unique<AudioFileSource>(command.input, kIoChunkFrames));
    }
    const double streamRate = source->sampleRate();
    const double pluginRate = command.rate.value_or(streamRate);
    std::vector<AutomationEvent> automation;
    if (!command.automation.empty()) automation = readAutomationFile(command.automation, names, streamRate);
    for (const AutomationEvent& event : automation) warnIfOutsideNormalRange(event.setting, names);

    AudioFileSink file(command.output, static_cast<int>(std::lround(streamRate)), kIoChunkFrames);
    BackgroundSink sink(file);  // writes behind, in large chunks, on a thread of its own
    if (command.program) effect->selectProgram(*command.program);
    applySettings(*effect, settings);

    ProgressBar progress;
    RenderOptions options;
    options.pluginSampleRate = pluginRate;
    options.blockSize = command.block;
    options.accumulate = command.accumulate;
    options.meterOutput = command.meter ? &std::cout : nullptr;
    if (progress.enabled()) options.progress = [&progress](std::int64_t done, std::int64_t total) {
        progress.update(done, total);
    };
    const RenderSummary summary = renderStream(*effect, *source, sink, automation, options);
    sink.finish();
    progress.finish();
    file.commit();

    if (file.clipsBeyondFullScale() && summary.peak > 1.0f) {
        std::cerr << "bramsoliket-host: warning: the output format holds no values beyond full scale; samples up to "
                  << summary.peak << " were clipped (use .wav for 32-bit float)\n";
    }
    if (summary.eventsNotReached > 0) {
        std::cerr << "bramsoliket-host: warning: " << summary.eventsNotReached
                  << " automation change(s) lie at or beyond the end of the signal and were not applied\n";
    }
    const double audioSeconds = static_cast<double>(summary.frames) / streamRate;
    char line[320];
    std::snprintf(line, sizeof line,
                  "rendered %lld samples (%.3f s of audio at %g Hz) in %.3f s, %.1fx real time, peak %.6f (%s) -> %s\n",
                  static_cast<long long>(summary.frames), audioSeconds, streamRate, summary.wallSeconds,
                  summary.wallSeconds > 0.0 ? audioSeconds / summary.wallSeconds : INFINITY,
                  static_cast<double>(summary.peak), decibelsText(summary.peak).c_str(), command.output.c_str());
    std::cout << line;
    return 0;
}

struct ResponseCommand {
    std::string output;
    double rate = kDefaultRate;
    std::string compare;
    std::string csv;
};

int runResponse(const CommonOptions& common, const ResponseCommand& command) {
    auto effect = loadEffect(common);
    const ParameterNames names(*effect);
    const std::vector<ParameterSetting> settings = resolveSettings(common.settings, names);
    checkRate(command.rate);

    // --compare NAME=V1,V2,...: one curve per value, on top of the --set values.
    std::optional<std::int32_t> compared;
    std::vector<float> comparedValues;
    if (!command.compare.empty()) {
        const std::size_t equals = command.compare.rfind('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == command.compare.size()) {
            throw ToolError("--compare \"" + command.compare + "\" is not of the form NAME=V1,V2,...");
        }
        compared = names.resolve(command.compare.substr(0, equals));
        std::stringstream values(command.compare.substr(equals + 1));
        for (std::string value; std::getline(values, value, ',');) {
            comparedValues.push_back(parseParameterValue(value, "parameter \"" + names.name(*compared) + "\""));
            warnIfOutsideNormalRange({*compared, comparedValues.back()}, names);
        }
    }
    // Check that the outputs can be written before measuring anything.
    { TemporaryOutput probe(command.output); }
    if (!command.csv.empty()) { TemporaryOutput probe(command.csv); }

    ResponseOptions options;
    options.sampleRate = command.rate;
    std::vector<ResponseCurve> curves;
    if (compared) {
        for (float value : comparedValues) {
            std::vector<ParameterSetting> curveSettings = settings;
            curveSettings.push_back({*compared, value});
            FrequencyResponse response = measureResponse(*effect, curveSettings, options);
            curves.push_back({describeParameter(*effect, *compared), std::move(response)});
        }
    } else {
        FrequencyResponse response = measureResponse(*effect, settings, options);
        std::string label;
        for (const ParameterSetting& setting : settings) {
            label += (label.empty() ? "" : ", ") + describeParameter(*effect, setting.index);
        }
        curves.push_back({label.empty() ? "default settings" : label, std::move(response)});
    }

    std::string title = effect->modulePath().filename().string() + ": magnitude response at " +
                        std::to_string(static_cast<long>(std::lround(command.rate))) + " Hz";
    if (compared) {
        std::string fixed;
        for (const ParameterSetting& setting : settings) {
            if (setting.index != *compared) fixed += ", " + describeParameter(*effect, setting.index);
        }
        title += fixed;
    }
    drawResponsePlot(curves, title, command.output);
    std::cout << "response plot written to " << command.output << '\n';
    if (!command.csv.empty()) {
        writeResponseCsv(curves, command.csv);
        std::cout << "response data written to " << command.csv << '\n';
    }
    return 0;
}

void addCommonOptions(CLI::App* command, CommonOptions& common, bool withSettings) {
    command->add_option("--plugin", common.plugin,
                        "Plug-in module to load (default: BRAMSOLIKET.so next to this tool)");
    if (withSettings) {
        command->add_option("--set", common.settings, "Set a parameter before processing: NAME=VALUE or INDEX=VALUE")
            ->take_last()
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"bramsoliket-host: load a plug-in module as a host does, render audio through it, plot its response"};
    app.require_subcommand(1);
    CommonOptions common;

    bool json = false;
    CLI::App* info = app.add_subcommand("info", "Show the record, programs and parameters as a host sees them");
    addCommonOptions(info, common, false);
    info->add_flag("--json", json, "Print JSON instead of text");

    RenderCommand render;
    CLI::App* renderApp = app.add_subcommand("render", "Stream an audio file (or the built-in test signal) through the plug-in");
    addCommonOptions(renderApp, common, true);
    renderApp->add_option("-i,--input", render.input, "Input audio file; channel 0 feeds the plug-in (default: built-in test signal)");
    renderApp->add_option("-o,--output", render.output, "Output file, two channels; format from the extension (default 32-bit float WAV)")
        ->required();
    renderApp->add_option("--program", render.program, "Select this program before processing");
    renderApp->add_option("--rate", render.rate, "Sample rate told to the plug-in (default: the input's rate, 44100 for the test signal)");
    renderApp->add_option("--block", render.block, "Block size in samples")->capture_default_str();
    renderApp->add_flag("--accumulate", render.accumulate, "Use the accumulating process entry, onto zeroed outputs");
    renderApp->add_option("--automation", render.automation, "JSON list of {seconds|sample, parameter, value} changes");
    renderApp->add_flag("--meter", render.meter, "Print the plug-in's meter after every block");

    ResponseCommand response;
    CLI::App* responseApp = app.add_subcommand("response", "Measure and draw the magnitude response");
    addCommonOptions(responseApp, common, true);
    responseApp->add_option("-o,--output", response.output, "Plot file, .png or .svg")->required();
    responseApp->add_option("--rate", response.rate, "Sample rate told to the plug-in")->capture_default_str();
    responseApp->add_option("--compare", response.compare, "Overlay one curve per value: NAME=V1,V2,...");
    responseApp->add_option("--csv", response.csv, "Also write the numbers as CSV");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    try {
        if (info->parsed()) return runInfo(common, json);
        if (renderApp->parsed()) return runRender(common, render);
        return runResponse(common, response);
    } catch (const ToolError& error) {
        std::cerr << "bramsoliket-host: error: " << error.what() << '\n';
    } catch (const std::exception& error) {
        std::cerr << "bramsoliket-host: error: " << error.what() << '\n';
    }
    return 1;
}
