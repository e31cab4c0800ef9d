// SPDX-License-Identifier: MIT
// The editor without its window: the seven values it shows, what the user's pointer and keys
// do with them, the meter, and the picture of the response to draw. It knows no window
// system; the window (x11_editor_window.h) hands it input in the editor's units, and the
// drawing (editor_drawing.h) shows its scene.
//
// Every change the user makes goes to the host (EditorHost) inside a gesture, and shows at
// once; every change the host reports (parameterChanged) shows at once too. A drag changes
// its parameters as often as the pointer moves to another setting, inside one gesture per
// parameter, begun with its first change and ended when the button is released.
//
// The curve: the settings the processor runs now, with any glide in progress, where the host
// lets the editor see them and they belong to the values shown (the processor has published
// since the values last changed, and what it runs toward is what they select); otherwise the
// settings the values reach once their glides have ended. The marker and its text always
// follow the value of "Freq".
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/filter_settings.h"
#include "drawing/response_picture.h"
#include "editor/editor_host.h"
#include "editor/editor_layout.h"
#include "editor/meter_ballistics.h"

enum class EditorKey { Left, Right, Up, Down, PageUp, PageDown, Home, End, Tab, BackTab };

// The controls the keyboard moves between, in the order Tab visits them.
enum class EditorFocus { Handle, Type, Cutoff, Smoothing, DryWet, Level };
inline constexpr int kEditorFocusCount = 6;

// What one frame shows, in the editor's units.
struct EditorScene {
    EditorLayout layout;
    ResponsePicture picture;
    ResponseLayout responseLayout;     // inside layout.response, from its corner
    std::optional<ResponseAxes> axes;  // the picture's axes, from the response's corner
    double handleX = 0.0, handleY = 0.0;  // the handle's centre in the editor
    EditorFocus focus = EditorFocus::Handle;
    bool handleHeld = false;
    std::array<float, kParameterCount> values{};
    float sampleRate = 44100.0f;
};

class EditorState {
public:
    using Values = std::array<float, kParameterCount>;

    // Two presses on one control within this time are a double click.
    static constexpr std::uint32_t kDoubleClickMilliseconds = 400;
    static constexpr double kDoubleClickReach = 5.0;
    static constexpr int kRowsPerPage = 10;
    static constexpr float kSliderStep = 0.01f;
    static constexpr float kSliderPage = 0.1f;

    EditorState(EditorHost& host, float sampleRate);

    // What the host reports: a parameter's value, the meter's peak, the sample rate.
    void parameterChanged(ParameterIndex index, float value);
    void meterPeak(float peak, double seconds);
    void setSampleRate(float sampleRate);
    void setSize(EditorSize size);
    // Device pixels per unit: the curve is sampled, and the handle placed, as it is drawn.
    void setPixelsPerUnit(double pixelsPerUnit);

    // Time passes: the meter falls and the processor's settings are looked at again.
    void tick(double seconds);

    // Input in the editor's units. Presses carry the time of the window system's event.
    void pointerPressed(double x, double y, std::uint32_t milliseconds);
    void pointerMoved(double x, double y);
    void pointerReleased();
    void wheel(double x, double y, int notches);  // positive: away from the user (up)
    void key(EditorKey key);
    // The window lost the pointer or its focus for good: any drag ends.
    void cancelDrag();

    const Values& values() const { return values_; }
    EditorFocus focus() const { return focus_; }
    const EditorLayout& layout() const { return layout_; }
    float sampleRate() const { return sampleRate_; }

    // The frame to draw, and a count that moves on whenever it would look different.
    const EditorScene& scene();
    std::uint64_t version() const { return version_; }

private:
    struct HandleDrag {
        double grabOffsetX;
        double startY;
        int startResonance;
    };
    struct SliderDrag {
        ParameterIndex parameter;
    };

    // A change the user made: inside the drag's gesture when one is under way, else in a
    // gesture of its own. Nothing is sent when the value stays as it is.
    void change(ParameterIndex index, float value);
    void endDragGestures();
    void stepSetting(ParameterIndex index, int steps);
    void stepSlider(ParameterIndex index, float amount);
    void setToDefault(ParameterIndex index);
    bool isDoubleClick(double x, double y, std::uint32_t milliseconds, int control) const;
    std::optional<ParameterIndex> focusedSlider() const;
    // The settings the curve shows now.
    FilterSettings settingsToShow() const;
    void valuesChanged();
    void changed() { ++version_; sceneValid_ = false; }

    EditorHost& host_;
    float sampleRate_;
    double pixelsPerUnit_ = 1.0;
    Values values_;
    EditorLayout layout_;
    EditorFocus focus_ = EditorFocus::Handle;

    std::optional<HandleDrag> handleDrag_;
    std::optional<SliderDrag> sliderDrag_;
    std::array<bool, kParameterCount> inGesture_{};
    bool dragging_ = false;

    // The last press, for double clicks: where, when and on which control (-1 for none).
    double lastPressX_ = 0.0, lastPressY_ = 0.0;
    std::uint32_t lastPressTime_ = 0;
    int lastPressControl_ = -1;

    FilterSettings targetSettings_;
    std::optional<FilterSettings> running_;
    std::uint32_t publicationsAtValueChange_ = 0;
    bool publicationsKnown_ = false;

    MeterBallistics meter_;
    float shownMeter_ = 0.0f;

    EditorScene scene_;
    bool sceneValid_ = false;
    std::uint64_t version_ = 1;
};
