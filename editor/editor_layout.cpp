// SPDX-License-Identifier: MIT
#include "editor/editor_layout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 8.0;
constexpr double kRowHeight = 24.0;
constexpr double kRowGap = 6.0;
constexpr double kLabelWidth = 58.0;  // "Cutoff" and a gap
constexpr double kChoiceGap = 4.0;
constexpr double kSliderGap = 14.0;
constexpr double kSliderLabelHeight = 16.0;
constexpr double kSliderTrackHeight = 14.0;
// The controls under the picture: two rows of choices, then the sliders.
constexpr double kControlsHeight =
    kMargin + 2 * (kRowHeight + kRowGap) + kSliderLabelHeight + 2.0 + kSliderTrackHeight + kMargin;

double held(double value, double lowest, double highest, double fallback) {
    return std::isfinite(value) ? std::clamp(value, lowest, highest) : fallback;
}

template <std::size_t Count>
void spread(std::array<Box, Count>& boxes, double x, double y, double width, double height) {
    const double each = (width - (Count - 1) * kChoiceGap) / Count;
    for (std::size_t i = 0; i < Count; ++i) boxes[i] = {x + i * (each + kChoiceGap), y, each, height};
}

}  // namespace

EditorSize heldEditorSize(EditorSize size) {
    return {held(size.width, kEditorSmallestSize.width, kEditorLargestSize.width, kEditorDefaultSize.width),
            held(size.height, kEditorSmallestSize.height, kEditorLargestSize.height, kEditorDefaultSize.height)};
}

EditorLayout layOutEditor(EditorSize size) {
    EditorLayout layout;
    layout.size = heldEditorSize(size);
    const double width = layout.size.width;
    const double height = layout.size.height;
    layout.response = {0.0, 0.0, width, height - kControlsHeight};

    const double inner = width - 2 * kMargin;
    double y = layout.response.bottom() + kMargin;
    layout.typeLabel = {kMargin, y, kLabelWidth, kRowHeight};
    spread(layout.typeChoices, kMargin + kLabelWidth, y, inner - kLabelWidth, kRowHeight);

    y += kRowHeight + kRowGap;
    layout.cutoffLabel = {kMargin, y, kLabelWidth, kRowHeight};
    // The slopes take the width of three types; the resonance's text the rest of the row.
    const Box& thirdType = layout.typeChoices[2];
    spread(layout.cutoffChoices, kMargin + kLabelWidth, y, thirdType.right() - kMargin - kLabelWidth, kRowHeight);
    const double textLeft = layout.typeChoices[3].x + kChoiceGap;
    layout.resonanceText = {textLeft, y, layout.typeChoices[4].right() - textLeft, kRowHeight};

    y += kRowHeight + kRowGap;
    const double sliderWidth = (inner - (kSliderParameters.size() - 1) * kSliderGap) / kSliderParameters.size();
    for (std::size_t i = 0; i < kSliderParameters.size(); ++i) {
        const double x = kMargin + i * (sliderWidth + kSliderGap);
        layout.sliders[i] = {kSliderParameters[i], {x, y, sliderWidth, kSliderLabelHeight},
                             {x, y + kSliderLabelHeight + 2.0, sliderWidth, kSliderTrackHeight}};
    }
    return layout;
}

std::optional<ControlHit> controlAt(const EditorLayout& layout, double x, double y) {
    for (std::size_t i = 0; i < layout.typeChoices.size(); ++i) {
        if (contains(layout.typeChoices[i], x, y)) return ControlHit{kParameterType, static_cast<int>(i)};
    }
    for (std::size_t i = 0; i < layout.cutoffChoices.size(); ++i) {
        if (contains(layout.cutoffChoices[i], x, y)) return ControlHit{kParameterCutoff, static_cast<int>(i)};
    }
    for (const SliderBoxes& slider : layout.sliders) {
        // The whole slider, its label included, answers: a narrow track is hard to hit.
        const Box whole{slider.label.x, slider.label.y, slider.label.width, slider.track.bottom() - slider.label.y};
        if (contains(whole, x, y)) return ControlHit{slider.parameter, 0};
    }
    return std::nullopt;
}

float sliderValueAt(const SliderBoxes& slider, double x) {
    const double share = (x - slider.track.x) / slider.track.width;
    return static_cast<float>(std::clamp(share, 0.0, 1.0));
}
