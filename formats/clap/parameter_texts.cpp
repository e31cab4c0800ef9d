// SPDX-License-Identifier: MIT
#include "formats/clap/parameter_texts.h"

#include "core/parameter_units.h"
#include "formats/clap/host_value.h"

namespace {

constexpr const char* kBypassTexts[] = {"Off", "On"};

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> clapValueText(clap_id id, double hostValue, float sampleRate) {
    const std::optional<float> value = pluginValueOf(id, hostValue);
    if (!value) return std::nullopt;
    if (id == kBypassParameterId) return std::string(kBypassTexts[*value > 0.0f ? 1 : 0]);
    return parameter_units::text(static_cast<std::int32_t>(id), *value, sampleRate);
}

std::optional<double> clapTextValue(clap_id id, std::string_view typed, float sampleRate) {
    if (id == kBypassParameterId) {
        for (int setting = 0; setting < 2; ++setting) {
            if (sameLetters(trimmed(typed), kBypassTexts[setting])) return setting;
        }
        return std::nullopt;
    }
    if (id >= kBypassParameterId) return std::nullopt;
    const std::optional<float> value = parameter_units::valueForText(static_cast<std::int32_t>(id), typed, sampleRate);
    if (!value) return std::nullopt;
    return hostValueOf(id, *value);
}
