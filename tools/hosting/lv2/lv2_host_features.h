// SPDX-License-Identifier: MIT
// The LV2 features the tool gives an instance: urid:map and urid:unmap, options:options
// (the sample rate, the smallest and largest block and the size of the atom buffers), and
// bufsz:boundedBlockLength (no run is longer than the largest block told at instantiation).
// Plug-ins that require any other feature are refused before they are instantiated, and so
// are those that require an option the tool does not give.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

class Lv2HostFeatures {
public:
    Lv2HostFeatures();
    Lv2HostFeatures(const Lv2HostFeatures&) = delete;
    Lv2HostFeatures& operator=(const Lv2HostFeatures&) = delete;

    // The same number for the same URI, from 1 up; 0 is never given.
    LV2_URID map(const std::string& uri);
    // The URI of a number given by map, or null.
    const char* unmap(LV2_URID urid) const;

    // The option values for the next instantiation; the addresses handed over stay valid as
    // long as this object lives and until the next call.
    void setRunConditions(double sampleRate, std::int32_t maximumBlock, std::int32_t sequenceSize);
    // The null-terminated list handed to lilv_plugin_instantiate.
    const LV2_Feature* const* features() const { return featureList_.data(); }

    // Whether the tool serves this feature URI (those above, and lv2:hardRTCapable, a plug-in
    // property some descriptions list among their features, which asks nothing of the host).
    static bool serves(const std::string& featureUri);
    // Whether the tool gives this option (a key of options:options).
    static bool givesOption(const std::string& optionUri);
    // The short names of what the tool provides, for messages: "urid:map, urid:unmap, ...".
    static std::string servedFeaturesText();

private:
    static LV2_URID mapCallback(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid);

    std::unordered_map<std::string, LV2_URID> numbers_;
    // URIs by number - 1; a deque keeps each string where it is, since unmap returns it.
    std::deque<std::string> uris_;

    LV2_URID_Map mapFeatureData_{};
    LV2_URID_Unmap unmapFeatureData_{};
    float sampleRate_ = 0.0f;
    std::int32_t minimumBlock_ = 1;
    std::int32_t maximumBlock_ = 0;
    std::int32_t sequenceSize_ = 0;
    std::vector<LV2_Options_Option> options_;
    LV2_Feature mapFeature_{};
    LV2_Feature unmapFeature_{};
    LV2_Feature optionsFeature_{};
    LV2_Feature boundedBlockFeature_{};
    std::vector<const LV2_Feature*> featureList_;
};
