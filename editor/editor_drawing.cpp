// SPDX-License-Identifier: MIT
#include "editor/editor_drawing.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "drawing/response_drawing.h"
#include "core/parameter_units.h"

namespace {

constexpr Colour kPanelColour{0.13, 0.14, 0.15};
constexpr Colour kChoiceColour{0.20, 0.21, 0.23};
constexpr Colour kTextColour{0.78, 0.80, 0.82};
constexpr Colour kDimTextColour{0.58, 0.61, 0.64};
constexpr Colour kChosenTextColour{0.08, 0.08, 0.09};
constexpr Colour kFocusColour{0.55, 0.80, 1.0};
constexpr Colour kTroughColour{0.09, 0.10, 0.11};
constexpr Colour kHandleEdgeColour{0.95, 0.95, 0.95};

void setColour(cairo_t* cr, Colour colour, double alpha = 1.0) {
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, alpha);
}

void roundedBox(cairo_t* cr, const Box& box, double radius) {
    const double r = std::min(radius, std::min(box.width, box.height) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, box.right() - r, box.y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, box.right() - r, box.bottom() - r, r, 0, M_PI / 2);
    cairo_arc(cr, box.x + r, box.bottom() - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, box.x + r, box.y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

enum class Align { Left, Centre, Right };

// A text on one line inside `box`, vertically centred; nothing where the fonts failed.
void writeIn(cairo_t* cr, const std::string& text, const Box& box, Align align, bool fonts) {
    if (!fonts || text.empty()) return;
    cairo_save(cr);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    // A text too wide for its box is written smaller, down to a size still legible.
    constexpr double kPad = 3.0, kSmallestFont = 7.0;
    if (extents.x_advance > box.width - kPad) {
        cairo_matrix_t matrix;
        cairo_get_font_matrix(cr, &matrix);
        const double size = std::max(kSmallestFont, matrix.xx * (box.width - kPad) / extents.x_advance);
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, text.c_str(), &extents);
    }
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double x = box.x;
    if (align == Align::Centre) x = box.x + (box.width - extents.x_advance) / 2;
    if (align == Align::Right) x = box.right() - extents.x_advance;
    const double baseline = box.y + (box.height + font.ascent - font.descent) / 2;
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

// Whether cairo can make the font the editor writes with: without one, writing a text would
// put the whole drawing into an error state.
bool fontsWork(cairo_t* cr) {
    cairo_scaled_font_t* font = cairo_get_scaled_font(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS && font != nullptr &&
           cairo_scaled_font_status(font) == CAIRO_STATUS_SUCCESS;
}

void drawFocus(cairo_t* cr, const Box& box, double pixelsPerUnit) {
    setColour(cr, kFocusColour);
    cairo_set_line_width(cr, 1.5 / std::max(1.0, pixelsPerUnit / 2));
    roundedBox(cr, {box.x - 2, box.y - 2, box.width + 4, box.height + 4}, 5.0);
    cairo_stroke(cr);
}

template <std::size_t Count>
void drawChoices(cairo_t* cr, const EditorScene& scene, ParameterIndex parameter, const Box& label,
                 const std::array<Box, Count>& boxes, bool focused, bool fonts, double pixelsPerUnit) {
    setColour(cr, kDimTextColour);
    writeIn(cr, kParameterTable[parameter].name, label, Align::Left, fonts);
    const int chosen = parameter_units::settingOf(parameter, scene.values[parameter]);
    for (std::size_t i = 0; i < Count; ++i) {
        const bool isChosen = static_cast<int>(i) == chosen;
        setColour(cr, isChosen ? kCurveColour : kChoiceColour);
        roundedBox(cr, boxes[i], 4.0);
        cairo_fill(cr);
        setColour(cr, isChosen ? kChosenTextColour : kTextColour);
        writeIn(cr, parameter_units::choiceLabel(parameter, static_cast<int>(i)).value_or(""), boxes[i], Align::Centre,
                fonts);
    }
    if (focused) {
        const Box whole{boxes.front().x, boxes.front().y, boxes.back().right() - boxes.front().x, boxes.front().height};
        drawFocus(cr, whole, pixelsPerUnit);
    }
}

void drawSlider(cairo_t* cr, const EditorScene& scene, const SliderBoxes& slider, bool focused, bool fonts,
                double pixelsPerUnit) {
    const float value = scene.values[slider.parameter];
    setColour(cr, kDimTextColour);
    writeIn(cr, kParameterTable[slider.parameter].name, slider.label, Align::Left, fonts);
    setColour(cr, kTextColour);
    writeIn(cr, parameter_units::text(slider.parameter, value, scene.sampleRate).value_or(""), slider.label,
            Align::Right, fonts);
    const Box& track = slider.track;
    setColour(cr, kTroughColour);
    roundedBox(cr, track, 3.0);
    cairo_fill(cr);
    const double filled = std::clamp(static_cast<double>(value), 0.0, 1.0) * track.width;
    setColour(cr, kCurveColour, 0.55);
    roundedBox(cr, {track.x, track.y, std::max(filled, 1.0), track.height}, 3.0);
    cairo_fill(cr);
    setColour(cr, kCurveColour);
    cairo_rectangle(cr, track.x + filled - 1.5, track.y - 1, 3.0, track.height + 2);
    cairo_fill(cr);
    if (focused) drawFocus(cr, track, pixelsPerUnit);
}

void drawHandle(cairo_t* cr, const EditorScene& scene, double pixelsPerUnit) {
    const double radius = scene.layout.handleRadius * (scene.handleHeld ? 1.2 : 1.0);
    cairo_new_path(cr);
    cairo_arc(cr, scene.handleX, scene.handleY, radius, 0, 2 * M_PI);
    setColour(cr, kCurveColour);
    cairo_fill_preserve(cr);
    setColour(cr, kHandleEdgeColour);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    if (scene.focus == EditorFocus::Handle) {
        cairo_new_path(cr);
        cairo_arc(cr, scene.handleX, scene.handleY, radius + 3.5, 0, 2 * M_PI);
        setColour(cr, kFocusColour);
        cairo_set_line_width(cr, 1.5 / std::max(1.0, pixelsPerUnit / 2));
        cairo_stroke(cr);
    }
}

}  // namespace

void drawEditor(cairo_t* cr, const EditorScene& scene, double pixelsPerUnit) {
    const EditorLayout& layout = scene.layout;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    setColour(cr, kPanelColour);
    cairo_rectangle(cr, 0.0, 0.0, layout.size.width, layout.size.height);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);

    // The response, in a group of its own: whatever state the drawing leaves cairo in stays there.
    cairo_save(cr);
    cairo_translate(cr, layout.response.x, layout.response.y);
    drawResponse(cr, scene.picture, layout.response.width, layout.response.height, pixelsPerUnit);
    cairo_restore(cr);
    drawHandle(cr, scene, pixelsPerUnit);

    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, layout.fontSize);
    const bool fonts = fontsWork(cr);
    drawChoices(cr, scene, kParameterType, layout.typeLabel, layout.typeChoices, scene.focus == EditorFocus::Type,
                fonts, pixelsPerUnit);
    drawChoices(cr, scene, kParameterCutoff, layout.cutoffLabel, layout.cutoffChoices,
                scene.focus == EditorFocus::Cutoff, fonts, pixelsPerUnit);
    setColour(cr, kDimTextColour);
    writeIn(cr, "Res", layout.resonanceText, Align::Left, fonts);
    setColour(cr, kTextColour);
    const float resonance = scene.values[kParameterResonance];
    writeIn(cr, parameter_units::text(kParameterResonance, resonance, scene.sampleRate).value_or(""),
            layout.resonanceText, Align::Right, fonts);
    for (std::size_t i = 0; i < layout.sliders.size(); ++i) {
        const EditorFocus focus = static_cast<EditorFocus>(static_cast<int>(EditorFocus::Smoothing) + static_cast<int>(i));
        drawSlider(cr, scene, layout.sliders[i], scene.focus == focus, fonts, pixelsPerUnit);
    }
    cairo_restore(cr);
}
