// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_host_features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>

Lv2HostFeatures::Lv2HostFeatures() {
    mapFeatureData_ = {this, &Lv2HostFeatures::mapCallback};
    unmapFeatureData_ = {this, &Lv2HostFeatures::unmapCallback};
    mapFeature_ = {LV2_URID__map, &mapFeatureData_};
    unmapFeature_ = {LV2_URID__unmap, &unmapFeatureData_};
    optionsFeature_ = {LV2_OPTIONS__options, nullptr};
    boundedBlockFeature_ = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    featureList_ = {&mapFeature_, &unmapFeature_, &optionsFeature_, &boundedBlockFeature_, nullptr};
}

LV2_URID Lv2HostFeatures::map(const std::string& uri) {
    if (const auto found = numbers_.find(uri); found != numbers_.end()) return found->second;
    uris_.push_back(uri);
    const auto urid = static_cast<LV2_URID>(uris_.size());
    numbers_.emplace(uri, urid);
    return urid;
}

const char* Lv2HostFeatures::unmap(LV2_URID urid) const {
    if (urid == 0 || urid > uris_.size()) return nullptr;
    return uris_[urid - 1].c_str();
}

LV2_URID Lv2HostFeatures::mapCallback(LV2_URID_Map_Handle handle, const char* uri) {
    if (uri == nullptr) return 0;
    return static_cast<Lv2HostFeatures*>(handle)->map(uri);
}

const char* Lv2HostFeatures::unmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    return static_cast<const Lv2HostFeatures*>(handle)->unmap(urid);
}

void Lv2HostFeatures::setRunConditions(double sampleRate, std::int32_t maximumBlock, std::int32_t sequenceSize) {
    sampleRate_ = static_cast<float>(sampleRate);
    maximumBlock_ = maximumBlock;
    sequenceSize_ = sequenceSize;
    const LV2_URID floatType = map(LV2_ATOM__Float);
    const LV2_URID intType = map(LV2_ATOM__Int);
    options_ = {
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_PARAMETERS__sampleRate), sizeof(float), floatType, &sampleRate_},
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__minBlockLength), sizeof(std::int32_t), intType, &minimumBlock_},
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t), intType, &maximumBlock_},
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__sequenceSize), sizeof(std::int32_t), intType, &sequenceSize_},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    optionsFeature_.data = options_.data();
}

bool Lv2HostFeatures::serves(const std::string& featureUri) {
    return featureUri == LV2_URID__map || featureUri == LV2_URID__unmap || featureUri == LV2_OPTIONS__options ||
           featureUri == LV2_BUF_SIZE__boundedBlockLength || featureUri == LV2_CORE__hardRTCapable;
}

bool Lv2HostFeatures::givesOption(const std::string& optionUri) {
    return optionUri == LV2_PARAMETERS__sampleRate || optionUri == LV2_BUF_SIZE__minBlockLength ||
           optionUri == LV2_BUF_SIZE__maxBlockLength || optionUri == LV2_BUF_SIZE__sequenceSize;
}

std::string Lv2HostFeatures::servedFeaturesText() {
    return "urid:map, urid:unmap, options:options (sample rate, block lengths, sequence size) and "
           "bufsz:boundedBlockLength";
}
