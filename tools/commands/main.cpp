// SPDX-License-Identifier: MIT
// bramsoliket-host: loads a plug-in the way a host does and shows what it is (info), streams
// audio through it (render), or measures and draws its magnitude response (response).
//
// Exit status: 0 done, 1 failed (bad input, plug-in or output), 2 command-line error,
// 128 + the signal's number when interrupted (see interrupt_cleanup.h).
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/commands/commands.h"
#include "tools/commands/interrupt_cleanup.h"
#include "tools/tool_error.h"

namespace {

constexpr const char* kProgram = "bramsoliket-host";
constexpr int kUsageError = 2;
constexpr int kFailure = 1;

const char* const kExitStatus =
    "Exit status:\n"
    "  0    done\n"
    "  1    failed: bad input, plug-in or output (one line on standard error says why)\n"
    "  2    command-line error\n"
    "  130, 143, 129\n"
    "       interrupted by SIGINT (Ctrl-C), SIGTERM or SIGHUP; no partial output is left\n";

const char* const kOverview =
    "bramsoliket-host: load a plug-in as a host does, render audio through it, plot its response\n"
    "\n"
    "Usage: bramsoliket-host COMMAND [OPTIONS]\n"
    "       bramsoliket-host help [COMMAND]\n"
    "       bramsoliket-host --version\n"
    "\n"
    "Commands:\n"
    "  info       show the plug-in, its programs and parameters as a host sees them\n"
    "  render     stream an audio file (or the built-in test signal) through the plug-in\n"
    "  response   measure and draw the magnitude response\n"
    "  help       show this page, or a command's options: help render\n"
    "\n"
    "Examples:\n"
    "  bramsoliket-host info --plugin /usr/lib/vst/MVerb-vst.so\n"
    "  bramsoliket-host render -i in.wav -o out.wav --set Type=HighPass --set Freq=0.4\n"
    "  bramsoliket-host response -o types.png --compare Type=0,0.25,0.5,0.75,1\n"
    "\n";

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

int reportUsageError(const std::string& message) {
    std::cerr << kProgram << ": error: " << message << " (see " << kProgram << " help)\n";
    return kUsageError;
}

// CLI11's messages, made one line.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

struct CommandLine {
    CommonOptions common;
    InfoCommand info;
    RenderCommand render;
    ResponseCommand response;
};

void addCommonOptions(CLI::App& app, CommonOptions& common) {
    app.add_option("--plugin", common.plugin,
                   "Plug-in to load: a module, a CLAP file (FILE.clap, or FILE.clap#ID for another of its plug-ins), an "
                   "LV2 bundle (BUNDLE.lv2, or BUNDLE.lv2#URI for one of several) or an LV2 plug-in URI found in "
                   "LV2_PATH (default: BRAMSOLIKET.so beside this tool, or in ../lib/vst when "
                   "installed)")
        ->type_name("PATH");
    app.add_option("--set", common.settings,
                   "Set parameters first; VALUE is a number in the parameter's range (0 to 1 for VST, host units such "
                   "as Hz or dB for LV2) or a display text (Type=HighPass, \"Cutoff=24 dB/Oct\"); several may follow "
                   "one --set")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(true)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void addOutputOptions(CLI::App& app, OutputOptions& out) {
    app.add_flag("--no-clobber", out.noClobber, "Do not replace an existing file (exit 1 instead)");
    app.add_flag("-q,--quiet", out.quiet, "Print nothing but warnings and errors");
    app.add_option("--format", out.format, "Format by extension instead of the output's own (wav, flac, au, png, svg...)")
        ->type_name("EXT");
}

std::unique_ptr<CLI::App> makeInfo(CommandLine& line) {
    auto app = std::make_unique<CLI::App>("Show the plug-in, its programs and parameters as a host sees them",
                                          std::string(kProgram) + " info");
    addCommonOptions(*app, line.common);
    app->add_option("--rate", line.common.rate, "Tell the plug-in this sample rate first (texts may depend on it)")
        ->type_name("HZ");
    app->add_flag("--json", line.info.json, "Print JSON instead of text");
    app->footer(std::string("Examples:\n"
                            "  bramsoliket-host info\n"
                            "  bramsoliket-host info --plugin /usr/lib/vst/3BandEQ-vst.so --json\n"
                            "  bramsoliket-host info --plugin bramsoliket.lv2 --rate 48000 --set freq=2566 type=HighPass\n"
                            "  bramsoliket-host info --rate 48000 --set Freq=0.3 --set Type=BandPass\n\n") +
                kExitStatus);
    return app;
}

std::unique_ptr<CLI::App> makeRender(CommandLine& line) {
    RenderCommand& render = line.render;
    auto app = std::make_unique<CLI::App>("Stream an audio file (or the built-in test signal) through the plug-in",
                                          std::string(kProgram) + " render");
    app->add_option("-i,--input", render.input,
                    "Input audio file (default: the built-in test signal); its channels feed the plug-in's inputs")
        ->type_name("FILE");
    app->add_option("-o,--output", render.out.output,
                    "Output file with all of the plug-in's outputs; - for standard output; format from the extension")
        ->type_name("FILE");
    app->add_flag("-n,--null", render.out.discard, "Render but discard the output (as -o /dev/null)");
    addCommonOptions(*app, line.common);
    addOutputOptions(*app, render.out);
    app->add_option("--program", render.program, "Select this program before processing")->type_name("N");
    app->add_option("--rate", line.common.rate,
                    "Sample rate told to the plug-in (default: the input's rate, 44100 for the test signal)")
        ->type_name("HZ");
    app->add_option("--block", render.block, "Block size in samples")->type_name("N")->capture_default_str();
    app->add_option("--tail", render.tailSeconds, "Seconds of silence rendered after the input, for reverb tails")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.0, 3600.0).description(""))
        ->capture_default_str();
    app->add_option("--input-channel", render.channels.inputChannel,
                    "Feed only this input channel (counted from 0) to every plug-in input")
        ->type_name("N");
    app->add_flag("--mix-down", render.channels.mixDown, "Feed the average of all input channels to every plug-in input");
    app->add_flag("--accumulate", render.accumulate, "Use the accumulating process call, onto zeroed outputs");
    app->add_option("--automation", render.automation, "JSON list of {seconds|sample, parameter, value} changes")
        ->type_name("FILE");
    app->add_flag("--meter", render.meter, "Print the plug-in's meter after every block");
    app->footer(std::string("Examples:\n"
                            "  bramsoliket-host render -o test.wav\n"
                            "  bramsoliket-host render -i in.wav -o out.flac --set Type=HighPass \"Cutoff=24 dB/Oct\"\n"
                            "  bramsoliket-host render -i dry.wav -o wet.wav --plugin /usr/lib/vst/MVerb-vst.so --tail 3\n"
                            "  bramsoliket-host render -i in.wav -o - --format au | play -\n\n") +
                kExitStatus);
    return app;
}

std::unique_ptr<CLI::App> makeResponse(CommandLine& line) {
    ResponseCommand& response = line.response;
    auto app = std::make_unique<CLI::App>("Measure and draw the magnitude response", std::string(kProgram) + " response");
    app->add_option("-o,--output", response.out.output, "Plot file, .png or .svg; - for standard output (PNG)")
        ->type_name("FILE");
    addCommonOptions(*app, line.common);
    addOutputOptions(*app, response.out);
    app->add_option("--rate", line.common.rate, "Sample rate told to the plug-in (default 44100)")->type_name("HZ");
    app->add_option("--compare", response.compare, "Overlay one curve per value (numbers or display texts)")
        ->type_name("NAME=V1,V2,...");
    app->add_option("--csv", response.csv, "Also write the numbers as CSV")->type_name("FILE");
    app->add_option("--csv-points", response.csvPoints,
                    "CSV at this many log-spaced frequencies from 10 Hz to half the rate (default: every FFT bin)")
        ->type_name("N")
        ->check(CLI::Range(1, 1000000).description(""));
    app->footer(std::string("Examples:\n"
                            "  bramsoliket-host response -o lowpass.png\n"
                            "  bramsoliket-host response -o types.svg --compare Type=LowPass,HighPass,BandPass --set Res=0.3\n"
                            "  bramsoliket-host response -o eq.png --plugin /usr/lib/vst/3BandEQ-vst.so --csv eq.csv "
                            "--csv-points 200\n\n") +
                kExitStatus);
    return app;
}

std::unique_ptr<CLI::App> makeCommand(const std::string& name, CommandLine& line) {
    if (name == "info") return makeInfo(line);
    if (name == "render") return makeRender(line);
    if (name == "response") return makeResponse(line);
    throw UsageError("unknown command \"" + name + "\"; the commands are info, render, response and help");
}

int run(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) throw UsageError("a command is required: info, render, response or help");
    const std::string& first = arguments.front();
    if (first == "--version" || first == "-V") {
        if (arguments.size() > 1) throw UsageError("--version takes nothing after it");
        std::cout << kProgram << ' ' << BRAMSOLIKET_VERSION << '\n';
        return 0;
    }
    CommandLine line;
    if (first == "help" || first == "--help" || first == "-h") {
        if (arguments.size() > 2) throw UsageError("help takes at most one command");
        if (arguments.size() == 1) {
            std::cout << kOverview << kExitStatus;
        } else {
            std::cout << makeCommand(arguments[1], line)->help();
        }
        return 0;
    }
    if (first.rfind('-', 0) == 0) throw UsageError("a command must come first, not \"" + first + "\"");
    std::unique_ptr<CLI::App> command = makeCommand(first, line);
    std::vector<std::string> rest(arguments.rbegin(), arguments.rend() - 1);  // CLI11 takes them reversed
    try {
        command->parse(rest);
    } catch (const CLI::CallForHelp&) {
        std::cout << command->help();
        return 0;
    } catch (const CLI::ParseError& error) {
        throw UsageError(oneLine(error.what()));
    }
    if (first == "info") return runInfo(line.common, line.info);
    if (first == "render") {
        if (line.render.out.discard && !line.render.out.output.empty()) {
            throw UsageError("render takes either -o FILE or -n, not both");
        }
        if (!line.render.out.discard && line.render.out.output.empty()) {
            throw UsageError("render needs an output: -o FILE, -o - for standard output, or -n to discard it");
        }
        return runRender(line.common, line.render);
    }
    // Checked here rather than by the parser, which would report a missing output before an
    // unknown option.
    if (line.response.out.output.empty()) throw UsageError("response needs an output: -o PLOT.png, PLOT.svg or -");
    return runResponse(line.common, line.response);
}

}  // namespace

int main(int argc, char** argv) {
    installInterruptHandlers();
    try {
        return run(argc, argv);
    } catch (const UsageError& error) {
        return reportUsageError(error.what());
    } catch (const std::exception& error) {
        std::cerr << kProgram << ": error: " << error.what() << '\n';
    }
    return kFailure;
}
