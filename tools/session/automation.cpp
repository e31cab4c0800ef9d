// SPDX-License-Identifier: MIT
#include "tools/session/automation.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/tool_error.h"

namespace {

// Positions beyond this many samples are surely a mistake (over 500 years at 1 MHz).
constexpr double kLatestFrame = 1.6e16;

std::int32_t parameterOf(const nlohmann::json& field, const ParameterNames& names, const std::string& where) {
    if (field.is_string()) {
        try {
            return names.resolve(field.get<std::string>());
        } catch (const ToolError& error) {
            throw ToolError(where + ": " + error.what());
        }
    }
    if (field.is_number_integer()) {
        if (const std::optional<std::int32_t> index = names.numberedParameter(field.get<std::int64_t>())) return *index;
    }
    throw ToolError(where + ": unknown parameter " + field.dump());
}

}  // namespace

std::vector<AutomationEvent> parseAutomation(const std::string& jsonText, const ParameterNames& names,
                                             double sampleRate, const std::string& sourceName) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(jsonText);
    } catch (const nlohmann::json::exception& error) {
        throw ToolError("automation file " + sourceName + " is not valid JSON: " + error.what());
    }
    if (!document.is_array()) {
        throw ToolError("automation file " + sourceName +
                        " must hold a list of {\"seconds\"|\"sample\", \"parameter\", \"value\"} entries");
    }
    std::vector<AutomationEvent> events;
    for (std::size_t i = 0; i < document.size(); ++i) {
        const nlohmann::json& entry = document[i];
        const std::string where = "automation file " + sourceName + ", entry " + std::to_string(i);
        if (!entry.is_object()) throw ToolError(where + ": not an object");
        const bool hasSeconds = entry.contains("seconds");
        const bool hasSample = entry.contains("sample");
        if (hasSeconds == hasSample) throw ToolError(where + ": needs exactly one of \"seconds\" or \"sample\"");
        if (!entry.contains("parameter")) throw ToolError(where + ": \"parameter\" is missing");
        if (!entry.contains("value")) throw ToolError(where + ": \"value\" is missing");
        for (const auto& [key, unused] : entry.items()) {
            if (key != "seconds" && key != "sample" && key != "parameter" && key != "value") {
                throw ToolError(where + ": unknown field \"" + key + "\"");
            }
        }
        const nlohmann::json& time = hasSeconds ? entry["seconds"] : entry["sample"];
        if (!time.is_number()) throw ToolError(where + ": the time " + time.dump() + " is not a number");
        double frame = time.get<double>();
        if (hasSample && !time.is_number_integer()) {
            throw ToolError(where + ": \"sample\" must be a whole number, not " + time.dump());
        }
        if (hasSeconds) frame = std::round(frame * sampleRate);
        if (!std::isfinite(frame) || frame < 0.0 || frame > kLatestFrame) {
            throw ToolError(where + ": the time " + time.dump() + " is negative or out of range");
        }
        const std::int32_t parameter = parameterOf(entry["parameter"], names, where);
        const nlohmann::json& value = entry["value"];
        if (!value.is_number()) throw ToolError(where + ": the value " + value.dump() + " is not a number");
        const double number = value.get<double>();
        if (!std::isfinite(number) || std::fabs(number) > 3.4e38) {
            throw ToolError(where + ": the value " + value.dump() + " is out of range");
        }
        events.push_back({static_cast<std::int64_t>(frame), {parameter, static_cast<float>(number)}});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const AutomationEvent& a, const AutomationEvent& b) { return a.frame < b.frame; });
    return events;
}

std::vector<AutomationEvent> readAutomationFile(const std::filesystem::path& path, const ParameterNames& names,
                                                double sampleRate) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) throw ToolError("automation file not found: " + path.string());
    std::ifstream file(path);
    if (!file.is_open() || std::filesystem::is_directory(path, error)) {
        throw ToolError("automation file cannot be read: " + path.string());
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parseAutomation(text.str(), names, sampleRate, path.string());
}
