// Parameters named on the command line or in an automation file: "NAME=VALUE" or
// "INDEX=VALUE", resolved against the names the loaded module reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class LoadedEffect;

struct ParameterSetting {
    std::int32_t index;
    float value;
};

// The module's parameter names, asked for once.
class ParameterNames {
public:
    explicit ParameterNames(LoadedEffect& effect);
    explicit ParameterNames(std::vector<std::string> names) : names_(std::move(names)) {}

    // An exact name, else a name that matches ignoring case, else a decimal index below the
    // parameter count. Throws ToolError listing the known names otherwise.
    std::int32_t resolve(const std::string& nameOrIndex) const;
    const std::string& name(std::int32_t index) const { return names_.at(static_cast<std::size_t>(index)); }
    std::size_t size() const { return names_.size(); }

private:
    std::vector<std::string> names_;
};

// A whole decimal number, nothing else around it, finite. Throws ToolError naming `what`.
float parseParameterValue(const std::string& text, const std::string& what);

// "NAME=VALUE" or "INDEX=VALUE".
ParameterSetting parseSetting(const std::string& assignment, const ParameterNames& names);

// Hosts send normalized values from 0 to 1; one outside that range is sent unchanged (that is
// what the tool is for, among other things) but earns a warning on standard error.
void warnIfOutsideNormalRange(const ParameterSetting& setting, const ParameterNames& names);

void applySettings(LoadedEffect& effect, const std::vector<ParameterSetting>& settings);
