// SPDX-License-Identifier: MIT
#include "tools/session/parameter_settings.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "tools/hosting/plugin_instance.h"
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
    // Up to the 10 digits of a CLAP id.
    if (text.empty() || text.size() > 10) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A number at the start of `text` followed by nothing or by `unit`.
std::optional<double> numberWithUnit(const std::string& text, const std::string& unit) {
    const std::string t = trimmed(text);
    if (t.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
    const std::string rest = trimmed(end);
    if (!rest.empty() && !equalIgnoringCase(rest, trimmed(unit))) return std::nullopt;
    return value;
}

// Half a unit in the last decimal place the text shows: how close a display text's number
// is to what it stands for.
double halfLastPlace(const std::string& text) {
    const std::string t = trimmed(text);
    const std::size_t point = t.find('.');
    if (point == std::string::npos) return 0.5;
    std::size_t digits = 0;
    for (std::size_t i = point + 1; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) ++digits;
    return 0.5 * std::pow(10.0, -static_cast<double>(digits));
}

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Values across the range, each with its display text and unit.
constexpr int kSearchSteps = 400;
constexpr int kBisections = 48;
constexpr std::size_t kMostListedTexts = 24;

struct Sample {
    float value;
    std::string display;
    std::string unit;
};

class DisplaySearch {
public:
    DisplaySearch(PluginInstance& plugin, std::int32_t index) : plugin_(plugin), index_(index) {
        original_ = plugin.parameterValue(index);
        range_ = plugin.parameterRange(index);
    }
    ~DisplaySearch() { plugin_.setParameter(index_, original_); }
    DisplaySearch(const DisplaySearch&) = delete;
    DisplaySearch& operator=(const DisplaySearch&) = delete;

    Sample at(float value) {
        plugin_.setParameter(index_, value);
        return {value, trimmed(plugin_.parameterDisplay(index_)), trimmed(plugin_.parameterUnit(index_))};
    }
    std::vector<Sample> acrossTheRange() {
        std::vector<Sample> samples;
        for (int step = 0; step <= kSearchSteps; ++step) {
            const double share = static_cast<double>(step) / kSearchSteps;
            samples.push_back(at(static_cast<float>(range_.minimum + share * (range_.maximum - range_.minimum))));
        }
        return samples;
    }

private:
    PluginInstance& plugin_;
    std::int32_t index_;
    float original_;
    ParameterRange range_;
};

bool showsText(const Sample& sample, const std::string& wanted) {
    const std::string text = trimmed(wanted);
    return equalIgnoringCase(sample.display, text) || equalIgnoringCase(sample.display + " " + sample.unit, text) ||
           equalIgnoringCase(sample.display + sample.unit, text);
}

}  // namespace

ParameterNames::ParameterNames(PluginInstance& plugin) {
    const std::int32_t count = plugin.parameterCount();
    bool anySymbol = false;
    for (std::int32_t i = 0; i < count; ++i) {
        names_.push_back(plugin.parameterName(i));
        symbols_.push_back(plugin.parameterSymbol(i));
        anySymbol = anySymbol || !symbols_.back().empty();
        ranges_.push_back(plugin.parameterRange(i));
        if (const std::optional<std::uint32_t> id = plugin.parameterId(i)) ids_.push_back(*id);
    }
    if (!anySymbol) symbols_.clear();
    if (ids_.size() != names_.size()) ids_.clear();
}

std::optional<std::int32_t> ParameterNames::numberedParameter(std::int64_t number) const {
    if (!ids_.empty()) {
        for (std::size_t i = 0; i < ids_.size(); ++i) {
            if (static_cast<std::int64_t>(ids_[i]) == number) return static_cast<std::int32_t>(i);
        }
        return std::nullopt;
    }
    if (number >= 0 && number < static_cast<std::int64_t>(names_.size())) return static_cast<std::int32_t>(number);
    return std::nullopt;
}

ParameterRange ParameterNames::range(std::int32_t index) const {
    return static_cast<std::size_t>(index) < ranges_.size() ? ranges_[static_cast<std::size_t>(index)]
                                                            : ParameterRange{};
}

std::int32_t ParameterNames::resolve(const std::string& nameOrIndex) const {
    for (const std::vector<std::string>* list : {&names_, &symbols_}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            if ((*list)[i] == nameOrIndex) return static_cast<std::int32_t>(i);
        }
    }
    // Ignoring case, the name or the symbol of one parameter only.
    std::int32_t found = -1;
    int matches = 0;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (equalIgnoringCase(names_[i], nameOrIndex) ||
            (i < symbols_.size() && equalIgnoringCase(symbols_[i], nameOrIndex))) {
            found = static_cast<std::int32_t>(i);
            ++matches;
        }
    }
    if (matches == 1) return found;
    if (isDecimalIndex(nameOrIndex)) {
        if (const std::optional<std::int32_t> index = numberedParameter(std::strtol(nameOrIndex.c_str(), nullptr, 10))) {
            return *index;
        }
    }
    std::string known;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const std::string number = ids_.empty() ? std::to_string(i) : "id " + std::to_string(ids_[i]);
        known += (i == 0 ? "" : ", ") + number + " \"" + names_[i] + "\"";
        if (i < symbols_.size() && !symbols_[i].empty() && symbols_[i] != names_[i]) known += " (" + symbols_[i] + ")";
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

ParameterSetting parseSetting(const std::string& assignment, const ParameterNames& names, PluginInstance& plugin) {
    const std::size_t last = assignment.rfind('=');
    if (last == std::string::npos || last == 0) {
        throw ToolError("setting \"" + assignment + "\" is not of the form NAME=VALUE or INDEX=VALUE");
    }
    // A name may hold "=" (so the last one is tried first), and so may a text.
    std::size_t equals = last;
    const std::size_t first = assignment.find('=');
    if (first != last && first > 0) {
        try {
            names.resolve(assignment.substr(0, last));
        } catch (const ToolError&) {
            equals = first;
        }
    }
    const std::int32_t index = names.resolve(assignment.substr(0, equals));
    return {index, resolveParameterValue(plugin, index, assignment.substr(equals + 1), names.name(index))};
}

std::optional<float> findValueByDisplayText(PluginInstance& plugin, std::int32_t index, const std::string& text,
                                            bool* nearest) {
    if (nearest != nullptr) *nearest = false;
    DisplaySearch search(plugin, index);
    const std::vector<Sample> samples = search.acrossTheRange();
    // The same text at several values (a choice, or a coarse display): the middle of the
    // first run that shows it.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!showsText(samples[i], text)) continue;
        std::size_t last = i;
        while (last + 1 < samples.size() && showsText(samples[last + 1], text)) ++last;
        return samples[(i + last) / 2].value;
    }
    const std::optional<double> wanted = numberWithUnit(text, samples.front().unit);
    if (!wanted) return std::nullopt;
    // Bisection between neighbouring values whose numeric texts enclose the number.
    std::optional<Sample> best;
    double bestDistance = INFINITY;
    auto consider = [&](const Sample& sample) {
        const std::optional<double> shown = numberWithUnit(sample.display, sample.unit);
        if (shown && std::fabs(*shown - *wanted) < bestDistance) {
            bestDistance = std::fabs(*shown - *wanted);
            best = sample;
        }
        return shown;
    };
    for (std::size_t i = 0; i + 1 < samples.size(); ++i) {
        Sample low = samples[i], high = samples[i + 1];
        std::optional<double> lowShown = consider(low), highShown = consider(high);
        if (!lowShown || !highShown || (*lowShown - *wanted) * (*highShown - *wanted) > 0.0) continue;
        for (int step = 0; step < kBisections; ++step) {
            const float middle = low.value + (high.value - low.value) / 2.0f;
            if (middle == low.value || middle == high.value) break;
            const Sample sample = search.at(middle);
            const std::optional<double> shown = consider(sample);
            if (!shown) break;
            if ((*shown - *wanted) * (*lowShown - *wanted) > 0.0) {
                low = sample;
                lowShown = shown;
            } else {
                high = sample;
                highShown = shown;
            }
        }
        if (bestDistance <= halfLastPlace(best->display) + 1e-9 * std::fabs(*wanted)) return best->value;
    }
    if (!best) return std::nullopt;
    // Inside the span of the texts but shown by none: the nearest.
    double lowest = INFINITY, highest = -INFINITY;
    for (const Sample& sample : samples) {
        if (const std::optional<double> shown = numberWithUnit(sample.display, sample.unit)) {
            lowest = std::min(lowest, *shown);
            highest = std::max(highest, *shown);
        }
    }
    if (*wanted < lowest || *wanted > highest) return std::nullopt;
    if (nearest != nullptr) *nearest = bestDistance > halfLastPlace(best->display);
    return best->value;
}

float resolveParameterValue(PluginInstance& plugin, std::int32_t index, const std::string& text,
                            const std::string& parameterName) {
    const std::string what = "parameter \"" + parameterName + "\"";
    std::optional<float> number;
    try {
        number = parseParameterValue(text, what);
    } catch (const ToolError&) {
    }
    const ParameterRange range = plugin.parameterRange(index);
    if (number && *number >= range.minimum && *number <= range.maximum) return *number;
    if (plugin.hasTextToValue()) {
        if (const std::optional<float> value = plugin.valueForText(index, text)) return *value;
    }
    bool nearest = false;
    if (const std::optional<float> value = findValueByDisplayText(plugin, index, text, &nearest)) {
        if (nearest) {
            DisplaySearch search(plugin, index);
            const Sample shown = search.at(*value);
            std::cerr << "bramsoliket-host: warning: no value of \"" << parameterName << "\" shows \"" << trimmed(text)
                      << "\"; using the nearest, \"" << shown.display << (shown.unit.empty() ? "" : " ") << shown.unit
                      << "\" (" << *value << ")\n";
        }
        return *value;
    }
    if (number) return *number;
    // Nothing matches: say what the parameter shows.
    std::vector<std::string> texts;
    {
        DisplaySearch search(plugin, index);
        for (const Sample& sample : search.acrossTheRange()) {
            if (texts.empty() || texts.back() != sample.display) texts.push_back(sample.display);
        }
    }
    std::string shown;
    if (texts.size() <= kMostListedTexts) {
        for (std::size_t i = 0; i < texts.size(); ++i) shown += (i == 0 ? "" : ", ") + texts[i];
        shown = "one of " + shown;
    } else {
        shown = "texts from " + texts.front() + " to " + texts.back();
    }
    throw ToolError("value \"" + text + "\" for " + what + " is not a number from " + shortNumber(range.minimum) +
                    " to " + shortNumber(range.maximum) + " nor a text the parameter shows (" + shown + ")");
}

void warnAboutValueSent(PluginInstance& plugin, const ParameterSetting& setting, const ParameterNames& names) {
    const float sent = plugin.valueAsSent(setting.index, setting.value);
    const ParameterRange range = plugin.parameterRange(setting.index);
    const std::string what = "value " + shortNumber(setting.value) + " for \"" + names.name(setting.index) + "\"";
    if (sent != setting.value) {
        std::cerr << "bramsoliket-host: warning: " << what << " is sent as " << shortNumber(sent)
                  << ", the nearest value the parameter takes\n";
    } else if (setting.value < range.minimum || setting.value > range.maximum) {
        std::cerr << "bramsoliket-host: warning: " << what << " is outside " << shortNumber(range.minimum) << ".."
                  << shortNumber(range.maximum) << "; it is sent unchanged\n";
    }
}

void applySettings(PluginInstance& plugin, const std::vector<ParameterSetting>& settings) {
    for (const ParameterSetting& setting : settings) plugin.setParameter(setting.index, setting.value);
}
