#include "tools/parameter_settings.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "tools/loaded_effect.h"
#include "tools/tool_error.h"

namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool isDecimalIndex(const std::string& text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

ParameterNames::ParameterNames(LoadedEffect& effect) {
    const std::int32_t count = effect.record().parameterCount;
    for (std::int32_t i = 0; i < count; ++i) names_.push_back(effect.parameterName(i));
}

std::int32_t ParameterNames::resolve(const std::string& nameOrIndex) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == nameOrIndex) return static_cast<std::int32_t>(i);
    }
    std::int32_t found = -1;
    int matches = 0;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (equalIgnoringCase(names_[i], nameOrIndex)) {
            found = static_cast<std::int32_t>(i);
            ++matches;
        }
    }
    if (matches == 1) return found;
    if (isDecimalIndex(nameOrIndex)) {
        const long index = std::strtol(nameOrIndex.c_str(), nullptr, 10);
        if (index < static_cast<long>(names_.size())) return static_cast<std::int32_t>(index);
    }
    std::string known;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        known += (i == 0 ? "" : ", ") + std::to_string(i) + " \"" + names_[i] + "\"";
    }
    throw ToolError("unknown parameter \"" + nameOrIndex + "\"; the module has " +
                    (names_.empty() ? std::string("no parameters") : known));
}

float parseParameterValue(const std::string& text, const std::string& what) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(begin, &end);
    const bool wholeText = end != begin && *end == '\0' && !std::isspace(static_cast<unsigned char>(text.front()));
    if (!wholeText || errno == ERANGE || !std::isfinite(value) || std::fabs(value) > 3.4e38) {
        throw ToolError("value \"" + text + "\" for " + what + " is not a number");
    }
    return static_cast<float>(value);
}

ParameterSetting parseSetting(const std::string& assignment, const ParameterNames& names) {
    const std::size_t equals = assignment.rfind('=');
    if (equals == std::string::npos || equals == 0) {
        throw ToolError("setting \"" + assignment + "\" is not of the form NAME=VALUE or INDEX=VALUE");
    }
    const std::int32_t index = names.resolve(assignment.substr(0, equals));
    const float value = parseParameterValue(assignment.substr(equals + 1), "parameter \"" + names.name(index) + "\"");
    return {index, value};
}

void warnIfOutsideNormalRange(const ParameterSetting& setting, const ParameterNames& names) {
    if (setting.value < 0.0f || setting.value > 1.0f) {
        std::cerr << "bramsoliket-host: warning: value " << setting.value << " for \"" << names.name(setting.index)
                  << "\" is outside 0..1; it is sent unchanged\n";
    }
}

void applySettings(LoadedEffect& effect, const std::vector<ParameterSetting>& settings) {
    for (const ParameterSetting& setting : settings) effect.setParameter(setting.index, setting.value);
}
