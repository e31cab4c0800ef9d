// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_port_values.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "tools/hosting/lv2/lv2_units.h"

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

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The text itself, or the text followed by the unit, with or without a space between.
bool namesWithOrWithoutUnit(const std::string& shown, const std::string& unit, const std::string& text) {
    if (equalIgnoringCase(shown, text)) return true;
    return !unit.empty() && (equalIgnoringCase(shown + " " + unit, text) || equalIgnoringCase(shown + unit, text));
}

}  // namespace

float hostUnits(const Lv2Port& port, float written, double sampleRate) {
    return port.sampleRate ? written * static_cast<float>(sampleRate) : written;
}

ParameterRange portRange(const Lv2Port& port, double sampleRate) {
    ParameterRange range;
    range.minimum = hostUnits(port, port.minimum.value_or(0.0f), sampleRate);
    range.maximum = hostUnits(port, port.maximum.value_or(1.0f), sampleRate);
    if (port.defaultValue) range.defaultValue = hostUnits(port, *port.defaultValue, sampleRate);
    return range;
}

float initialValue(const Lv2Port& port, double sampleRate) {
    return hostUnits(port, port.defaultValue.value_or(port.minimum.value_or(0.0f)), sampleRate);
}

float allowedValue(const Lv2Port& port, float value) {
    if (std::isnan(value)) return value;
    if (port.toggled) return value > 0.0f ? 1.0f : 0.0f;
    if (port.enumeration && !port.scalePoints.empty()) {
        const Lv2ScalePoint* nearest = &port.scalePoints.front();
        for (const Lv2ScalePoint& point : port.scalePoints) {
            if (std::fabs(point.value - value) < std::fabs(nearest->value - value)) nearest = &point;
        }
        return nearest->value;
    }
    if (port.integer && std::isfinite(value)) return std::nearbyint(value);
    return value;
}

std::optional<std::string> scalePointLabel(const Lv2Port& port, float value) {
    for (const Lv2ScalePoint& point : port.scalePoints) {
        if (point.value == value) return point.label;
    }
    return std::nullopt;
}

std::string shortestNumberText(float value) {
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string displayText(const Lv2Port& port, float value) {
    if (const std::optional<std::string> label = scalePointLabel(port, value)) return *label;
    if (port.toggled && (value == 0.0f || value == 1.0f)) return value > 0.0f ? "on" : "off";
    return shortestNumberText(value);
}

std::string unitShownFor(const Lv2Port& port, float value) {
    if (scalePointLabel(port, value)) return "";
    return port.unitSymbol;
}

std::optional<float> valueForText(const Lv2Port& port, const std::string& text) {
    const std::string wanted = trimmed(text);
    if (wanted.empty()) return std::nullopt;
    for (const Lv2ScalePoint& point : port.scalePoints) {
        if (namesWithOrWithoutUnit(point.label, port.unitSymbol, wanted)) return point.value;
    }
    if (port.toggled) {
        for (const char* on : {"on", "true"}) {
            if (equalIgnoringCase(wanted, on)) return 1.0f;
        }
        for (const char* off : {"off", "false"}) {
            if (equalIgnoringCase(wanted, off)) return 0.0f;
        }
    }
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(wanted.c_str(), &end);
    if (end == wanted.c_str() || errno == ERANGE || !std::isfinite(number) ||
        std::fabs(number) > std::numeric_limits<float>::max()) {
        return std::nullopt;
    }
    const std::string rest = trimmed(end);
    if (!rest.empty() && (port.unitSymbol.empty() || !equalIgnoringCase(rest, port.unitSymbol))) return std::nullopt;
    return static_cast<float>(number);
}

double meterLevel(const Lv2Port& port, float value) {
    if (shortUriName(port.unitUri) == "db") return std::pow(10.0, static_cast<double>(value) / 20.0);
    return value;
}
