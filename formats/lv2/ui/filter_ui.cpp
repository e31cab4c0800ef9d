// SPDX-License-Identifier: MIT
#include "formats/lv2/ui/filter_ui.h"

#include <lv2/atom/atom.h>
#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <new>

#include "formats/lv2/port_layout.h"
#include "formats/lv2/ui/port_values.h"

namespace {

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    if (features == nullptr) return nullptr;
    for (; *features != nullptr; ++features) {
        if ((*features)->URI != nullptr && std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    }
    return nullptr;
}

bool hasFeature(const LV2_Feature* const* features, const char* uri) {
    if (features == nullptr) return false;
    for (; *features != nullptr; ++features) {
        if ((*features)->URI != nullptr && std::strcmp((*features)->URI, uri) == 0) return true;
    }
    return false;
}

// A float option of the host's, where it gives the option as an atom:Float.
std::optional<float> floatOption(const LV2_Options_Option* options, const LV2_URID_Map* map, const char* key) {
    if (options == nullptr || map == nullptr || map->map == nullptr) return std::nullopt;
    const LV2_URID keyId = map->map(map->handle, key);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* option = options; option->key != 0 || option->value != nullptr; ++option) {
        if (option->key == keyId && option->type == floatType && option->size == sizeof(float) &&
            option->value != nullptr) {
            float value;
            std::memcpy(&value, option->value, sizeof value);
            return value;
        }
    }
    return std::nullopt;
}

bool usableRate(float rate) {
    return rate > 0.0f && std::isfinite(rate);
}

}  // namespace

Lv2FilterUi* Lv2FilterUi::create(LV2UI_Write_Function write, LV2UI_Controller controller,
                                 const LV2_Feature* const* features, LV2UI_Widget* widget,
                                 const Lv2PortLayout& layout) {
    if (write == nullptr || widget == nullptr) return nullptr;
    std::unique_ptr<Lv2FilterUi> ui(new (std::nothrow) Lv2FilterUi(write, controller));
    if (ui == nullptr) return nullptr;

    ui->touch_ = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    if (ui->touch_ != nullptr && ui->touch_->touch == nullptr) ui->touch_ = nullptr;
    const auto* portMap = static_cast<const LV2UI_Port_Map*>(featureData(features, LV2_UI__portMap));
    ui->peakPort_ = layout.peak();
    if (portMap != nullptr && portMap->port_index != nullptr) {
        const std::uint32_t peak = portMap->port_index(portMap->handle, kPeakPortNames.symbol);
        if (peak != LV2UI_INVALID_PORT_INDEX) ui->peakPort_ = peak;
    }

    // The plug-in instance and its extension data, where the host gives both.
    ui->instance_ = const_cast<LV2_Handle>(featureData(features, LV2_INSTANCE_ACCESS_URI));
    const auto* dataAccess = static_cast<const LV2_Extension_Data_Feature*>(featureData(features, LV2_DATA_ACCESS_URI));
    if (ui->instance_ != nullptr && dataAccess != nullptr && dataAccess->data_access != nullptr) {
        const auto* running = static_cast<const Lv2RunningSettings*>(dataAccess->data_access(kRunningSettingsUri));
        if (running != nullptr && running->size == sizeof(Lv2RunningSettings) &&
            running->settingsSize == sizeof(FilterSettings) && running->read != nullptr) {
            ui->running_ = running;
        }
    }

    const auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    const float scale = floatOption(options, map, LV2_UI__scaleFactor).value_or(1.0f);
    if (const std::optional<float> rate = floatOption(options, map, LV2_PARAMETERS__sampleRate);
        rate && usableRate(*rate)) {
        ui->sampleRate_ = *rate;
    } else if (ui->running_ != nullptr) {
        float instanceRate = 0.0f;
        ui->running_->read(ui->instance_, nullptr, nullptr, &instanceRate);
        if (usableRate(instanceRate)) ui->sampleRate_ = instanceRate;
    }

    EditorOptions editorOptions;
    // The parent is a window id in the pointer's place; a host that gives none embeds the
    // window the UI returns.
    editorOptions.parent = reinterpret_cast<std::uintptr_t>(featureData(features, LV2_UI__parent));
    if (!hasFeature(features, LV2_UI__parent)) editorOptions.parent = 0;
    // A host resizes the window it gives, and the editor's fills it.
    editorOptions.followParent = editorOptions.parent != 0;
    editorOptions.scale = scale;
    editorOptions.sampleRate = ui->sampleRate_;
    ui->editor_ = Editor::open(*ui, editorOptions);
    if (ui->editor_ == nullptr) return nullptr;

    const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    if (resize != nullptr && resize->ui_resize != nullptr) {
        const PixelSize size = ui->editor_->pixelSize();
        resize->ui_resize(resize->handle, size.width, size.height);
    }
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(ui->editor_->window()));
    return ui.release();
}

std::uint32_t Lv2FilterUi::controlPort(ParameterIndex index) const {
    return controlPortOf(index);
}

void Lv2FilterUi::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    // Only plain float values: the ports are control ports.
    if (format != 0 || size != sizeof(float) || buffer == nullptr) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (port == peakPort_) {
        editor_->meterPeak(value);
        return;
    }
    for (const ParameterInfo& parameter : kParameterTable) {
        if (controlPort(parameter.index) != port) continue;
        if (const std::optional<float> normalized = lv2_ui::normalizedValueOf(parameter.index, value, sampleRate_)) {
            editor_->state().parameterChanged(parameter.index, *normalized);
        }
    }
}

int Lv2FilterUi::idle() {
    editor_->update();
    return editor_->alive() ? 0 : 1;
}

void Lv2FilterUi::beginGesture(ParameterIndex index) {
    if (touch_ != nullptr) touch_->touch(touch_->handle, controlPort(index), true);
}

void Lv2FilterUi::setValue(ParameterIndex index, float value) {
    const float portValue = lv2_ui::portValueOf(index, value, sampleRate_);
    write_(controller_, controlPort(index), sizeof portValue, 0, &portValue);
}

void Lv2FilterUi::endGesture(ParameterIndex index) {
    if (touch_ != nullptr) touch_->touch(touch_->handle, controlPort(index), false);
}

bool Lv2FilterUi::runningSettings(FilterSettings& settings, std::uint32_t& publications) {
    if (running_ == nullptr) return false;
    running_->read(instance_, &settings, &publications, nullptr);
    return true;
}
