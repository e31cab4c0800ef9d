// SPDX-License-Identifier: MIT
// Where the editor puts everything, in its own units (device pixels divided by the scale):
// the response picture across the top, and under it the controls: the five types and the
// four slopes as rows of choices, the resonance's text, and the sliders "Smooth", "Dry/Wet"
// and "Level" with their texts. The size suits a laptop at 600 by 360 units; the picture
// takes what the window gains or loses beyond that, down to the smallest size.
#pragma once

#include <array>
#include <optional>

#include "core/parameter_table.h"
#include "drawing/response_geometry.h"

struct EditorSize {
    double width = 0.0, height = 0.0;
};

inline constexpr EditorSize kEditorDefaultSize{600.0, 360.0};
inline constexpr EditorSize kEditorSmallestSize{420.0, 270.0};
inline constexpr EditorSize kEditorLargestSize{2400.0, 1600.0};

// The parameters shown as sliders, in the order they stand.
inline constexpr std::array<ParameterIndex, 3> kSliderParameters = {kParameterSmoothing, kParameterDryWet,
                                                                   kParameterLevel};

struct SliderBoxes {
    ParameterIndex parameter;
    Box label;  // the name on the left, the value's text on the right
    Box track;
};

struct EditorLayout {
    EditorSize size;
    Box response;  // the response picture; the curve's handle moves inside its plot
    double fontSize = 11.0;
    double handleRadius = 7.0;
    double handleReach = 12.0;  // a press this near the handle's centre takes it
    Box typeLabel;
    std::array<Box, 5> typeChoices;
    Box cutoffLabel;
    std::array<Box, 4> cutoffChoices;
    Box resonanceText;
    std::array<SliderBoxes, kSliderParameters.size()> sliders;
};

// The size held within the smallest and largest, a non-finite side taking the default.
EditorSize heldEditorSize(EditorSize size);
EditorLayout layOutEditor(EditorSize size);

// What lies under a point: a choice of "Type" or "Cutoff" (the setting in `item`), or a
// slider (its parameter); the handle is found by the editor, which knows where the curve is.
struct ControlHit {
    ParameterIndex parameter;
    int item = 0;
};
std::optional<ControlHit> controlAt(const EditorLayout& layout, double x, double y);

inline bool contains(const Box& box, double x, double y) {
    return x >= box.x && x < box.right() && y >= box.y && y < box.bottom();
}

// A slider's value at a point's x on its track, 0 at the left end and 1 at the right.
float sliderValueAt(const SliderBoxes& slider, double x);
