// SPDX-License-Identifier: MIT
// Parameters named on the command line or in an automation file: "NAME=VALUE" or
// "INDEX=VALUE", resolved against the names the plug-in reports. On the command line a value
// is a number in the parameter's range (0 to 1 for VST), or one of the parameter's own
// display texts, with or without its unit ("HighPass", "24 dB/Oct", "2565.072").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/hosting/plugin_instance.h"

struct ParameterSetting {
    std::int32_t index;
    float value;
};

// The plug-in's parameter names, asked for once, with their symbols, ids and ranges where the
// format has them.
class ParameterNames {
public:
    explicit ParameterNames(PluginInstance& plugin);
    explicit ParameterNames(std::vector<std::string> names) : names_(std::move(names)) {}

    // An exact name, else an exact symbol, else a name or symbol that matches ignoring case,
    // else a decimal number that numberedParameter takes. Throws ToolError listing the known
    // names otherwise.
    std::int32_t resolve(const std::string& nameOrIndex) const;
    // The index of the parameter with this id where the format has ids (CLAP), else the
    // index itself when it is below the parameter count; nullopt when there is none.
    std::optional<std::int32_t> numberedParameter(std::int64_t number) const;
    const std::string& name(std::int32_t index) const { return names_.at(static_cast<std::size_t>(index)); }
    std::size_t size() const { return names_.size(); }
    // The values the parameter takes: 0 to 1 unless the plug-in was asked for its range.
    ParameterRange range(std::int32_t index) const;

private:
    std::vector<std::string> names_;
    std::vector<std::uint32_t> ids_;  // empty where the format has none
    std::vector<ParameterRange> ranges_;
    // Empty, or one per name (empty where a parameter has none).
    std::vector<std::string> symbols_;
};

// A whole decimal number, nothing else around it, finite. Throws ToolError naming `what`.
float parseParameterValue(const std::string& text, const std::string& what);

// "NAME=VALUE" or "INDEX=VALUE", the value as resolveParameterValue finds it.
ParameterSetting parseSetting(const std::string& assignment, const ParameterNames& names, PluginInstance& plugin);

// The value for a text:
//   1. a number inside the parameter's range is the value itself;
//   2. else the format's own text-to-value, where it has one;
//   3. else the parameter's display texts are searched: each is compared with the text
//      ignoring case and surrounding spaces, with or without the unit after it; a number is
//      found among numeric display texts by bisection, the nearest one with a warning when
//      none shows it exactly;
//   4. else a number outside the range is sent unchanged, with a warning.
// The parameter holds its old value afterwards. Throws ToolError, listing the display texts,
// for a text that matches none.
float resolveParameterValue(PluginInstance& plugin, std::int32_t index, const std::string& text,
                            const std::string& parameterName);

// The value whose display text (or display text and unit) is `text`, found by setting values
// across the range and reading the texts back; nullopt if there is none. `nearest`, when
// given, is set to whether only the nearest numeric text was found.
std::optional<float> findValueByDisplayText(PluginInstance& plugin, std::int32_t index, const std::string& text,
                                            bool* nearest = nullptr);

// A value outside the parameter's range (0 to 1 for VST) is sent unchanged (probing how a
// plug-in takes it is among the tool's uses) but earns a warning on standard error; so does a
// value the format does not send as it is (an LV2 enumeration takes its nearest scale point).
void warnAboutValueSent(PluginInstance& plugin, const ParameterSetting& setting, const ParameterNames& names);

void applySettings(PluginInstance& plugin, const std::vector<ParameterSetting>& settings);
