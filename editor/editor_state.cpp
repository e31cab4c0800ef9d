// SPDX-License-Identifier: MIT
#include "editor/editor_state.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/filter_response.h"
#include "drawing/response_drawing.h"
#include "core/parameter_units.h"

namespace {

constexpr std::array<ParameterIndex, kEditorFocusCount> kFocusParameters = {
    kParameterFrequency, kParameterType, kParameterCutoff, kParameterSmoothing, kParameterDryWet, kParameterLevel};

// Controls a double click tells apart: the handle, then each parameter's own.
constexpr int kHandleControl = kParameterCount;

EditorState::Values defaultValues() {
    EditorState::Values values{};
    for (const ParameterInfo& parameter : kParameterTable) values[parameter.index] = parameter.defaultValue;
    return values;
}

// Whether the processor's settings run toward the settings the values select: what the
// curve shows then is on its way to the values, not left over from before them.
bool headsFor(const FilterSettings& running, const FilterSettings& target) {
    return running.stages[0].type == target.stages[0].type && running.stageCount == target.stageCount &&
           running.targetFrequencyRow == target.targetFrequencyRow &&
           std::bit_cast<std::uint32_t>(running.dryWet) == std::bit_cast<std::uint32_t>(target.dryWet) &&
           std::bit_cast<std::uint32_t>(running.stages[0].level) == std::bit_cast<std::uint32_t>(target.stages[0].level);
}

}  // namespace

EditorState::EditorState(EditorHost& host, float sampleRate)
    : host_(host),
      sampleRate_(sampleRate > 0.0f && std::isfinite(sampleRate) ? sampleRate : 44100.0f),
      values_(defaultValues()),
      layout_(layOutEditor(kEditorDefaultSize)),
      targetSettings_(settingsForValues(values_)) {}

void EditorState::parameterChanged(ParameterIndex index, float value) {
    if (!isParameterIndex(index) || std::isnan(value)) return;
    const float held = std::clamp(value, 0.0f, 1.0f);
    if (std::bit_cast<std::uint32_t>(values_[index]) == std::bit_cast<std::uint32_t>(held)) return;
    values_[index] = held;
    valuesChanged();
}

void EditorState::meterPeak(float peak, double seconds) {
    meter_.peak(peak, seconds);
    tick(seconds);
}

void EditorState::setSampleRate(float sampleRate) {
    if (!(sampleRate > 0.0f) || !std::isfinite(sampleRate) || sampleRate == sampleRate_) return;
    sampleRate_ = sampleRate;
    changed();
}

void EditorState::setSize(EditorSize size) {
    const EditorLayout layout = layOutEditor(size);
    if (layout.size.width == layout_.size.width && layout.size.height == layout_.size.height) return;
    layout_ = layout;
    changed();
}

void EditorState::setPixelsPerUnit(double pixelsPerUnit) {
    if (!(pixelsPerUnit > 0.0) || !std::isfinite(pixelsPerUnit) || pixelsPerUnit == pixelsPerUnit_) return;
    pixelsPerUnit_ = pixelsPerUnit;
    changed();
}

void EditorState::valuesChanged() {
    targetSettings_ = settingsForValues(values_);
    FilterSettings ignored;
    std::uint32_t publications = 0;
    publicationsKnown_ = host_.runningSettings(ignored, publications);
    publicationsAtValueChange_ = publications;
    running_.reset();
    changed();
}

void EditorState::tick(double seconds) {
    meter_.fall(seconds);
    const float meter = meter_.shown();
    // The bar moves by whole decibels, and a meter below the floor shows nothing.
    const auto step = [](float peak) { return peak > 0.0f ? std::lround(20.0 * std::log10(peak)) : -1000L; };
    if (step(meter) != step(shownMeter_)) changed();
    shownMeter_ = meter;

    FilterSettings settings;
    std::uint32_t publications = 0;
    std::optional<FilterSettings> running;
    if (host_.runningSettings(settings, publications)) {
        const bool publishedSince = !publicationsKnown_ || publications != publicationsAtValueChange_;
        if (publishedSince && headsFor(settings, targetSettings_)) running = settings;
    }
    if (running != running_) {
        running_ = running;
        changed();
    }
}

FilterSettings EditorState::settingsToShow() const {
    return running_ ? *running_ : targetSettings_;
}

const EditorScene& EditorState::scene() {
    if (sceneValid_) return scene_;
    EditorScene scene;
    scene.layout = layout_;
    scene.values = values_;
    scene.sampleRate = sampleRate_;
    scene.focus = focus_;
    scene.handleHeld = handleDrag_.has_value();
    FilterSettings settings = settingsToShow();
    const int row = parameter_units::settingOf(kParameterFrequency, values_[kParameterFrequency]);
    settings.targetFrequencyRow = row;
    scene.picture = responsePicture(settings, sampleRate_, shownMeter_);
    scene.picture.cutoffText =
        parameter_units::text(kParameterFrequency, values_[kParameterFrequency], sampleRate_).value_or("");
    const Box& response = layout_.response;
    scene.responseLayout = layOutResponse(response.width, response.height);
    scene.axes = responseAxes(scene.picture, scene.responseLayout, pixelsPerUnit_);
    // The handle stands on the curve at the row "Freq" selects, inside the plot.
    const double hz = parameter_units::rowFrequencyHz(row, sampleRate_);
    const double db = responseDecibels(filterResponse(settings, hz / sampleRate_));
    const Box& plot = scene.responseLayout.plot;
    const double y = std::isfinite(db) ? scene.axes->y(db) : plot.bottom();
    scene.handleX = response.x + scene.axes->x(hz);
    scene.handleY = response.y + std::clamp(y, plot.y, plot.bottom());
    scene_ = std::move(scene);
    sceneValid_ = true;
    return scene_;
}

void EditorState::change(ParameterIndex index, float value) {
    const float held = std::clamp(value, 0.0f, 1.0f);
    if (std::bit_cast<std::uint32_t>(values_[index]) == std::bit_cast<std::uint32_t>(held)) return;
    const bool ownGesture = !dragging_;
    if (!inGesture_[index]) {
        host_.beginGesture(index);
        inGesture_[index] = true;
    }
    values_[index] = held;
    host_.setValue(index, held);
    if (ownGesture) {
        host_.endGesture(index);
        inGesture_[index] = false;
    }
    valuesChanged();
}

void EditorState::endDragGestures() {
    for (const ParameterInfo& parameter : kParameterTable) {
        if (!inGesture_[parameter.index]) continue;
        host_.endGesture(parameter.index);
        inGesture_[parameter.index] = false;
    }
    dragging_ = false;
}

bool EditorState::isDoubleClick(double x, double y, std::uint32_t milliseconds, int control) const {
    return control == lastPressControl_ && milliseconds - lastPressTime_ <= kDoubleClickMilliseconds &&
           std::hypot(x - lastPressX_, y - lastPressY_) <= kDoubleClickReach;
}

void EditorState::setToDefault(ParameterIndex index) {
    change(index, kParameterTable[index].defaultValue);
}

void EditorState::pointerPressed(double x, double y, std::uint32_t milliseconds) {
    cancelDrag();
    const EditorScene& current = scene();
    int control = -1;
    if (std::hypot(x - current.handleX, y - current.handleY) <= layout_.handleReach) {
        control = kHandleControl;
        focus_ = EditorFocus::Handle;
        if (isDoubleClick(x, y, milliseconds, control)) {
            setToDefault(kParameterFrequency);
            setToDefault(kParameterResonance);
            control = -1;  // a third press starts afresh
        } else {
            handleDrag_ = HandleDrag{x - current.handleX, y,
                                     parameter_units::settingOf(kParameterResonance, values_[kParameterResonance])};
            dragging_ = true;
        }
    } else if (const std::optional<ControlHit> hit = controlAt(layout_, x, y)) {
        control = hit->parameter;
        const auto at = std::find(kFocusParameters.begin(), kFocusParameters.end(), hit->parameter);
        focus_ = static_cast<EditorFocus>(at - kFocusParameters.begin());
        if (hit->parameter == kParameterType || hit->parameter == kParameterCutoff) {
            change(hit->parameter, parameter_units::valueOfSetting(hit->parameter, hit->item));
        } else if (isDoubleClick(x, y, milliseconds, control)) {
            setToDefault(hit->parameter);
            control = -1;
        } else {
            sliderDrag_ = SliderDrag{hit->parameter};
            dragging_ = true;
            for (const SliderBoxes& slider : layout_.sliders) {
                if (slider.parameter == hit->parameter) change(hit->parameter, sliderValueAt(slider, x));
            }
        }
    }
    lastPressX_ = x;
    lastPressY_ = y;
    lastPressTime_ = milliseconds;
    lastPressControl_ = control;
    changed();  // the focus, the held handle
}

void EditorState::pointerMoved(double x, double y) {
    if (handleDrag_) {
        const EditorScene& current = scene();
        const double hz = current.axes->hz(x - handleDrag_->grabOffsetX - layout_.response.x);
        const int row = parameter_units::rowForFrequency(static_cast<float>(hz), sampleRate_);
        // The whole range of "Res" over the plot's height, a setting at a time.
        const int settings = parameter_units::settingCount(kParameterResonance);
        const double unitsPerSetting = current.responseLayout.plot.height / settings;
        const int resonance = std::clamp(
            handleDrag_->startResonance + static_cast<int>(std::lround((handleDrag_->startY - y) / unitsPerSetting)), 0,
            settings - 1);
        if (row != parameter_units::settingOf(kParameterFrequency, values_[kParameterFrequency])) {
            change(kParameterFrequency, parameter_units::valueOfSetting(kParameterFrequency, row));
        }
        if (resonance != parameter_units::settingOf(kParameterResonance, values_[kParameterResonance])) {
            change(kParameterResonance, parameter_units::valueOfSetting(kParameterResonance, resonance));
        }
    } else if (sliderDrag_) {
        for (const SliderBoxes& slider : layout_.sliders) {
            if (slider.parameter == sliderDrag_->parameter) change(slider.parameter, sliderValueAt(slider, x));
        }
    }
}

void EditorState::pointerReleased() {
    cancelDrag();
}

void EditorState::cancelDrag() {
    const bool held = handleDrag_.has_value();
    handleDrag_.reset();
    sliderDrag_.reset();
    endDragGestures();
    if (held) changed();
}

void EditorState::stepSetting(ParameterIndex index, int steps) {
    const int setting = parameter_units::settingOf(index, values_[index]);
    const int next = std::clamp(setting + steps, 0, parameter_units::settingCount(index) - 1);
    if (next != setting) change(index, parameter_units::valueOfSetting(index, next));
}

void EditorState::stepSlider(ParameterIndex index, float amount) {
    // Whole steps from 0, so that keys reach round values whatever the value was.
    const double steps = std::round(static_cast<double>(values_[index]) / kSliderStep) + amount / kSliderStep;
    change(index, static_cast<float>(std::clamp(steps * kSliderStep, 0.0, 1.0)));
}

void EditorState::wheel(double x, double y, int notches) {
    if (dragging_ || notches == 0) return;
    const EditorScene& current = scene();
    if (std::hypot(x - current.handleX, y - current.handleY) <= layout_.handleReach) {
        stepSetting(kParameterFrequency, notches);
    } else if (const std::optional<ControlHit> hit = controlAt(layout_, x, y)) {
        if (hit->parameter == kParameterType || hit->parameter == kParameterCutoff) {
            stepSetting(hit->parameter, notches);
        } else {
            stepSlider(hit->parameter, notches * kSliderStep);
        }
    }
}

std::optional<ParameterIndex> EditorState::focusedSlider() const {
    switch (focus_) {
        case EditorFocus::Smoothing: return kParameterSmoothing;
        case EditorFocus::DryWet: return kParameterDryWet;
        case EditorFocus::Level: return kParameterLevel;
        default: return std::nullopt;
    }
}

void EditorState::key(EditorKey key) {
    if (dragging_) return;
    if (key == EditorKey::Tab || key == EditorKey::BackTab) {
        const int step = key == EditorKey::Tab ? 1 : kEditorFocusCount - 1;
        focus_ = static_cast<EditorFocus>((static_cast<int>(focus_) + step) % kEditorFocusCount);
        changed();
        return;
    }
    if (focus_ == EditorFocus::Handle) {
        const int rows = parameter_units::settingCount(kParameterFrequency);
        switch (key) {
            case EditorKey::Left: stepSetting(kParameterFrequency, -1); break;
            case EditorKey::Right: stepSetting(kParameterFrequency, 1); break;
            case EditorKey::Up: stepSetting(kParameterResonance, 1); break;
            case EditorKey::Down: stepSetting(kParameterResonance, -1); break;
            case EditorKey::PageUp: stepSetting(kParameterFrequency, kRowsPerPage); break;
            case EditorKey::PageDown: stepSetting(kParameterFrequency, -kRowsPerPage); break;
            case EditorKey::Home: stepSetting(kParameterFrequency, -rows); break;
            case EditorKey::End: stepSetting(kParameterFrequency, rows); break;
            default: break;
        }
        return;
    }
    if (const std::optional<ParameterIndex> slider = focusedSlider()) {
        switch (key) {
            case EditorKey::Left:
            case EditorKey::Down: stepSlider(*slider, -kSliderStep); break;
            case EditorKey::Right:
            case EditorKey::Up: stepSlider(*slider, kSliderStep); break;
            case EditorKey::PageUp: stepSlider(*slider, kSliderPage); break;
            case EditorKey::PageDown: stepSlider(*slider, -kSliderPage); break;
            case EditorKey::Home: change(*slider, 0.0f); break;
            case EditorKey::End: change(*slider, 1.0f); break;
            default: break;
        }
        return;
    }
    const ParameterIndex choice = kFocusParameters[static_cast<int>(focus_)];
    const int count = parameter_units::settingCount(choice);
    switch (key) {
        case EditorKey::Left:
        case EditorKey::Down: stepSetting(choice, -1); break;
        case EditorKey::Right:
        case EditorKey::Up: stepSetting(choice, 1); break;
        case EditorKey::PageUp:
        case EditorKey::End: stepSetting(choice, count); break;
        case EditorKey::PageDown:
        case EditorKey::Home: stepSetting(choice, -count); break;
        default: break;
    }
}
