// SPDX-License-Identifier: MIT
#include "formats/clap/host_value.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/parameter_units.h"

namespace {

constexpr char kBypassName[] = "Bypass";

// The stepped parameters' settings run from 0; a host value selects the nearest.
bool isEnumeration(clap_id id) {
    return id < kBypassParameterId && parameter_units::hasChoices(static_cast<std::int32_t>(id));
}

int nearestStep(double hostValue, int count) {
    const double nearest = std::ceil(hostValue - 0.5);
    return static_cast<int>(std::clamp(nearest, 0.0, static_cast<double>(count - 1)));
}

template <std::size_t Size>
void copyName(char (&field)[Size], const char* name) {
    const std::size_t length = std::min(std::strlen(name), Size - 1);
    std::memcpy(field, name, length);
    field[length] = '\0';
}

}  // namespace

bool clapParameterInfo(std::uint32_t index, clap_param_info* info) {
    if (info == nullptr || index >= kClapParameterCount) return false;
    *info = clap_param_info{};
    info->id = index;
    info->cookie = nullptr;
    info->flags = kClapParamIsAutomatable;
    if (index == kBypassParameterId) {
        info->flags |= kClapParamIsStepped | kClapParamIsBypass;
        copyName(info->name, kBypassName);
        info->min_value = 0.0;
        info->max_value = 1.0;
        info->default_value = 0.0;
        return true;
    }
    const ParameterInfo& parameter = kParameterTable[index];
    copyName(info->name, parameter.name);
    if (isEnumeration(index)) {
        info->flags |= kClapParamIsStepped | kClapParamIsEnum;
        info->min_value = 0.0;
        info->max_value = parameter_units::settingCount(parameter.index) - 1;
    } else {
        info->min_value = 0.0;
        info->max_value = 1.0;
    }
    info->default_value = hostValueOf(index, parameter.defaultValue);
    return true;
}

std::optional<float> pluginValueOf(clap_id id, double hostValue) {
    if (std::isnan(hostValue) || id >= kClapParameterCount) return std::nullopt;
    if (id == kBypassParameterId) return static_cast<float>(nearestStep(hostValue, 2));
    if (isEnumeration(id)) {
        const auto index = static_cast<std::int32_t>(id);
        return parameter_units::valueOfSetting(index, nearestStep(hostValue, parameter_units::settingCount(index)));
    }
    // Both ends are floats, so holding before rounding gives what rounding first would.
    return static_cast<float>(std::clamp(hostValue, 0.0, 1.0));
}

double hostValueOf(clap_id id, float pluginValue) {
    if (isEnumeration(id)) return parameter_units::settingOf(static_cast<std::int32_t>(id), pluginValue);
    return pluginValue;
}
