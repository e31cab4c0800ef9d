// SPDX-License-Identifier: MIT
// response: the magnitude response measured through the plug-in and drawn, optionally
// with one curve per value of a parameter and the numbers as CSV.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>

#include "tools/commands/command_support.h"
#include "tools/response/frequency_response.h"
#include "tools/audio/output_file.h"
#include "tools/response/response_plot.h"
#include "tools/tool_error.h"

namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "Type: LowPass", "Freq: 5101.878 Hz": the plug-in's own texts for the parameter.
std::string describeParameter(PluginInstance& plugin, std::int32_t index) {
    std::string text = plugin.parameterName(index) + ": " + trimmed(plugin.parameterDisplay(index));
    const std::string unit = trimmed(plugin.parameterUnit(index));
    if (!unit.empty() && unit != "type") text += " " + unit;
    return text;
}

std::string valueText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

}  // namespace

int runResponse(const CommonOptions& common, const ResponseCommand& command) {
    auto plugin = loadChosenPlugin(common);
    const PluginDescription& description = plugin->description();
    if (description.isInstrument) {
        throw ToolError(description.path.filename().string() +
                        " is an instrument: it sounds only when it gets notes, which this tool cannot send (no MIDI "
                        "input), so it has no response to measure");
    }
    const double rate = common.rate.value_or(kDefaultRate);
    checkRate(rate);
    announceRate(*plugin, rate, kDefaultBlock);
    const ParameterNames names(*plugin);
    const std::vector<ParameterSetting> settings = resolveSettings(*plugin, names, common.settings);

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
            comparedValues.push_back(resolveParameterValue(*plugin, *compared, value, names.name(*compared)));
            warnAboutValueSent(*plugin, {*compared, comparedValues.back()}, names);
        }
    }
    if (command.out.output == "-" && command.csv == "-") {
        throw ToolError("the plot and the CSV cannot both go to standard output");
    }
    // Check that the outputs will be allowed before measuring anything.
    checkOutputAllowed(command.out.output, command.out.noClobber);
    if (!command.csv.empty()) checkOutputAllowed(command.csv, command.out.noClobber);

    ResponseOptions options;
    options.sampleRate = rate;
    std::vector<ResponseCurve> curves;
    if (compared) {
        for (float value : comparedValues) {
            std::vector<ParameterSetting> curveSettings = settings;
            curveSettings.push_back({*compared, value});
            FrequencyResponse response = measureResponse(*plugin, curveSettings, options);
            curves.push_back({describeParameter(*plugin, *compared), std::move(response)});
        }
        // Values the plug-in shows alike get the values themselves added, so that no two
        // curves share a label.
        std::vector<ResponseCurve*> same;
        for (std::size_t i = 0; i < curves.size(); ++i) {
            for (std::size_t j = 0; j < curves.size(); ++j) {
                if (i != j && curves[i].label == curves[j].label) {
                    same.push_back(&curves[i]);
                    break;
                }
            }
        }
        for (std::size_t i = 0; i < curves.size(); ++i) {
            for (ResponseCurve* curve : same) {
                if (curve == &curves[i]) curve->label += " (" + valueText(comparedValues[i]) + ")";
            }
        }
    } else {
        FrequencyResponse response = measureResponse(*plugin, settings, options);
        std::string label;
        for (const ParameterSetting& setting : settings) {
            label += (label.empty() ? "" : ", ") + describeParameter(*plugin, setting.index);
        }
        curves.push_back({label.empty() ? "default settings" : label, std::move(response)});
    }
    for (const ResponseCurve& curve : curves) {
        if (curve.response.silent()) {
            warn("curve \"" + curve.label + "\" is silent (no output at any frequency); it is drawn along the bottom edge");
        }
    }

    std::string title = description.path.filename().string() + ": magnitude response at " +
                        std::to_string(static_cast<long>(std::lround(rate))) + " Hz";
    if (compared) {
        std::string fixed;
        for (const ParameterSetting& setting : settings) {
            if (setting.index != *compared) fixed += ", " + describeParameter(*plugin, setting.index);
        }
        title += fixed;
    }
    const bool toStandardOutput = command.out.output == "-" || command.csv == "-";
    std::ostream& report = toStandardOutput ? std::cerr : std::cout;
    drawResponsePlot(curves, title, command.out.output, command.out.noClobber, command.out.format);
    if (!command.out.quiet) report << "response plot written to " << command.out.output << '\n';
    if (!command.csv.empty()) {
        writeResponseCsv(curves, command.csv, command.out.noClobber, command.csvPoints);
        if (!command.out.quiet) report << "response data written to " << command.csv << '\n';
    }
    return 0;
}
