// SPDX-License-Identifier: MIT
#include "drawing/response_drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/coefficient_tables.h"
#include "core/filter_response.h"

namespace {

constexpr Colour kMinorGridColour{0.17, 0.18, 0.20};
constexpr Colour kMajorGridColour{0.25, 0.27, 0.29};
constexpr Colour kUnityColour{0.42, 0.44, 0.47};
constexpr Colour kLabelColour{0.64, 0.67, 0.70};
constexpr Colour kMarkerColour{0.55, 0.80, 1.0};
constexpr Colour kMeterTroughColour{0.15, 0.16, 0.17};
constexpr Colour kMeterColour{0.30, 0.78, 0.36};
constexpr Colour kMeterHotColour{0.95, 0.80, 0.25};   // within 6 dB of full scale
constexpr Colour kMeterOverColour{0.95, 0.30, 0.25};  // above full scale
constexpr double kMeterHotDb = -6.0;
constexpr double kCurveFillAlpha = 0.16;
constexpr double kSamplesPerPixel = 2.0;
constexpr int kFewestSamples = 256;

void setColour(cairo_t* cr, Colour colour, double alpha = 1.0) {
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, alpha);
}

// A coordinate on the middle of a device pixel, so that a line one pixel wide covers exactly
// one row or column.
double onPixel(double value, double pixelsPerUnit) {
    return (std::floor(value * pixelsPerUnit) + 0.5) / pixelsPerUnit;
}

struct TextSize {
    double width, height;
};

TextSize measure(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return {extents.x_advance, extents.height};
}

// Writes `text` with its left edge at `x` and its baseline at `baseline`.
void writeText(cairo_t* cr, const std::string& text, double x, double baseline) {
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
}

// "20", "500", "1k", "20k".
std::string frequencyLabel(double hz) {
    if (hz >= 1000.0) return std::to_string(static_cast<int>(std::lround(hz / 1000.0))) + "k";
    return std::to_string(static_cast<int>(std::lround(hz)));
}

std::string decibelLabel(double db) {
    const long value = std::lround(db);
    return (value > 0 ? "+" : "") + std::to_string(value);
}

void drawGrid(cairo_t* cr, const ResponseLayout& layout, const ResponseAxes& axes, double pixelsPerUnit) {
    const Box& plot = layout.plot;
    cairo_set_line_width(cr, 1.0 / pixelsPerUnit);
    for (double decade = 10.0; decade <= axes.highestHz(); decade *= 10.0) {
        for (int multiple = 1; multiple <= 9; ++multiple) {
            const double hz = decade * multiple;
            if (hz <= ResponseAxes::kLowestHz || hz >= axes.highestHz()) continue;
            if (multiple != 1 && !layout.minorGrid) continue;
            setColour(cr, multiple == 1 ? kMajorGridColour : kMinorGridColour);
            const double x = onPixel(axes.x(hz), pixelsPerUnit);
            cairo_move_to(cr, x, plot.y);
            cairo_line_to(cr, x, plot.bottom());
            cairo_stroke(cr);
        }
    }
    // A line every grid step; every other one where the plot is too low for all of them.
    const double step = plot.height * pixelsPerUnit < 40.0 ? 2 * ResponseAxes::kGridStepDb : ResponseAxes::kGridStepDb;
    for (double db = axes.topDb() - step; db > axes.bottomDb(); db -= step) {
        setColour(cr, db == 0.0 ? kUnityColour : kMajorGridColour);
        const double y = onPixel(axes.y(db), pixelsPerUnit);
        cairo_move_to(cr, plot.x, y);
        cairo_line_to(cr, plot.right(), y);
        cairo_stroke(cr);
    }
}

void drawLabels(cairo_t* cr, const ResponseLayout& layout, const ResponseAxes& axes) {
    const Box& plot = layout.plot;
    const double font = layout.fontSize;
    const double pad = std::max(1.0, 0.25 * font);
    setColour(cr, kLabelColour);
    // Frequencies: 1k first, then the other decades, then the twos and fives where there is
    // room; each left out where it would run into one already placed or over an edge. Under
    // the plot a label is centred on its line; inside it, it stands right of the line.
    struct Placed {
        double left, right;
    };
    std::vector<Placed> placed;
    const double baseline = layout.labelStrip ? plot.bottom() + font + 2.0 : plot.bottom() - pad;
    std::vector<double> frequencies = {1000.0, 100.0, 10000.0};
    if (layout.minorGrid) {
        for (const double hz : {20.0, 50.0, 200.0, 500.0, 2000.0, 5000.0, 20000.0, 50000.0}) frequencies.push_back(hz);
    }
    for (const double hz : frequencies) {
        if (hz <= ResponseAxes::kLowestHz || hz >= axes.highestHz()) continue;
        const std::string label = frequencyLabel(hz);
        const double width = measure(cr, label).width;
        const double left = layout.labelStrip ? axes.x(hz) - width / 2 : axes.x(hz) + pad;
        const double right = left + width;
        if (left < plot.x + pad || right > plot.right() - pad) continue;
        const bool clear = std::none_of(placed.begin(), placed.end(), [&](const Placed& other) {
            return left < other.right + font && right + font > other.left;
        });
        if (!clear) continue;
        writeText(cr, label, left, baseline);
        placed.push_back({left, right});
    }
    // Decibels: every other grid line, 0 dB among them, at the left just above its line.
    if (!layout.decibelLabels) return;
    for (double db = axes.topDb() - ResponseAxes::kGridStepDb; db > axes.bottomDb(); db -= ResponseAxes::kGridStepDb) {
        if (std::fmod(std::fabs(db), 2 * ResponseAxes::kGridStepDb) != 0.0) continue;
        writeText(cr, decibelLabel(db), plot.x + pad, axes.y(db) - pad);
    }
}

void drawCurve(cairo_t* cr, const ResponseLayout& layout, const ResponseAxes& axes, const SampledResponse& curve) {
    const Box& plot = layout.plot;
    const double lineWidth = std::max(1.5, 0.004 * layout.width);
    // Below the axis (and no output at all) the curve runs along the bottom edge, inside it.
    const double lowestY = plot.bottom() - lineWidth / 2;
    cairo_save(cr);
    cairo_rectangle(cr, plot.x, plot.y, plot.width, plot.height);
    cairo_clip(cr);
    cairo_new_path(cr);
    for (std::size_t k = 0; k < curve.hz.size(); ++k) {
        const double y = std::isfinite(curve.decibels[k]) ? std::min(axes.y(curve.decibels[k]), lowestY) : lowestY;
        cairo_line_to(cr, axes.x(curve.hz[k]), y);
    }
    cairo_path_t* line = cairo_copy_path(cr);
    // The area under the curve, faintly, then the curve.
    cairo_line_to(cr, plot.right(), plot.bottom());
    cairo_line_to(cr, plot.x, plot.bottom());
    cairo_close_path(cr);
    setColour(cr, kCurveColour, kCurveFillAlpha);
    cairo_fill(cr);
    cairo_append_path(cr, line);
    cairo_path_destroy(line);
    setColour(cr, kCurveColour);
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A text on a backing of the background's colour, so that it stays legible over the curve.
void writeBackedText(cairo_t* cr, const std::string& text, double x, double baseline, double font, Colour colour) {
    const TextSize size = measure(cr, text);
    const double pad = std::max(1.0, 0.2 * font);
    setColour(cr, kBackgroundColour, 0.75);
    cairo_rectangle(cr, x - pad, baseline - size.height - pad, size.width + 2 * pad, size.height + 2 * pad);
    cairo_fill(cr);
    setColour(cr, colour);
    writeText(cr, text, x, baseline);
}

// The type and slope at the top left, in full where they fit, short where only that fits.
// Returns the text's right edge, or the plot's left edge when there was room for none.
double drawTypeAndSlope(cairo_t* cr, const ResponseLayout& layout, const ResponsePicture& picture) {
    const Box& plot = layout.plot;
    const double pad = std::max(1.0, 0.3 * layout.fontSize);
    for (const std::string& text : {picture.typeText + " " + picture.slopeText,
                                    picture.shortTypeText + " " + picture.shortSlopeText}) {
        const double width = measure(cr, text).width;
        if (width + 2 * pad > plot.width) continue;
        writeBackedText(cr, text, plot.x + pad, plot.y + pad + layout.fontSize * 0.8, layout.fontSize, kLabelColour);
        return plot.x + 2 * pad + width;
    }
    return plot.x;
}

// A dashed line at the frequency of the row "Freq" selects, a small triangle on it at the
// top, and the host's text for it beside the line where there is room.
void drawMarker(cairo_t* cr, const ResponseLayout& layout, const ResponseAxes& axes, const ResponsePicture& picture,
                double typeTextRight, double pixelsPerUnit) {
    const Box& plot = layout.plot;
    const int row = std::clamp(picture.settings.targetFrequencyRow, 0, CoefficientTables::kFrequencyCount - 1);
    const double hz = static_cast<double>(CoefficientTables::normalizedFrequencies[row]) * picture.sampleRate;
    const double x = onPixel(axes.x(hz), pixelsPerUnit);
    const double font = layout.fontSize;
    const double dash[] = {0.3 * font, 0.25 * font};
    cairo_save(cr);
    setColour(cr, kMarkerColour, 0.8);
    cairo_set_line_width(cr, 1.0 / pixelsPerUnit);
    cairo_set_dash(cr, dash, 2, 0.0);
    cairo_move_to(cr, x, plot.y);
    cairo_line_to(cr, x, plot.bottom());
    cairo_stroke(cr);
    cairo_restore(cr);
    const double half = std::max(2.0, 0.35 * font);
    setColour(cr, kMarkerColour);
    cairo_move_to(cr, x - half, plot.y);
    cairo_line_to(cr, x + half, plot.y);
    cairo_line_to(cr, x, plot.y + 1.4 * half);
    cairo_close_path(cr);
    cairo_fill(cr);
    if (!layout.markerText) return;
    // Right of the line where it fits, else left of it; a line lower where the type's text
    // is in the way.
    const double width = measure(cr, picture.cutoffText).width;
    const double gap = 0.5 * font;
    double left = x + gap;
    if (left + width > plot.right() - gap) left = x - gap - width;
    double baseline = plot.y + 0.3 * font + font * 0.8;
    if (left < typeTextRight + gap) baseline += 1.4 * font;
    writeBackedText(cr, picture.cutoffText, left, baseline, font, kMarkerColour);
}

// The meter: a bar from the bottom up to the peak on the plot's decibel axis (0 dB is full
// scale), in its trough.
void drawMeter(cairo_t* cr, const ResponseLayout& layout, const ResponseAxes& axes, float peak) {
    const Box& meter = layout.meter;
    setColour(cr, kMeterTroughColour);
    cairo_rectangle(cr, meter.x, meter.y, meter.width, meter.height);
    cairo_fill(cr);
    if (!(peak > 0.0f)) return;
    const double db = 20.0 * std::log10(static_cast<double>(peak));
    const double top = std::clamp(axes.y(db), meter.y, meter.bottom());
    setColour(cr, db > 0.0 ? kMeterOverColour : db > kMeterHotDb ? kMeterHotColour : kMeterColour);
    cairo_rectangle(cr, meter.x, top, meter.width, meter.bottom() - top);
    cairo_fill(cr);
}

}  // namespace

SampledResponse sampleResponse(const ResponsePicture& picture, double plotWidthPixels) {
    const double highest = picture.sampleRate / 2.0;
    const double lowLog = std::log10(ResponseAxes::kLowestHz), highLog = std::log10(highest);
    const int count = std::max(kFewestSamples, static_cast<int>(std::ceil(kSamplesPerPixel * plotWidthPixels)));
    std::vector<double> hz;
    hz.reserve(static_cast<std::size_t>(count) + 1);
    for (int k = 0; k < count; ++k) hz.push_back(std::pow(10.0, lowLog + (highLog - lowLog) * k / (count - 1)));
    const StageSettings& main = picture.settings.stages[0];
    if (main.resonanceStep >= 0) {
        const int row = std::clamp(main.frequencyRow, 0, CoefficientTables::kFrequencyCount - 1);
        const double centre = static_cast<double>(CoefficientTables::normalizedFrequencies[row]) * picture.sampleRate;
        if (centre > ResponseAxes::kLowestHz && centre < highest) {
            hz.insert(std::upper_bound(hz.begin(), hz.end(), centre), centre);
        }
    }
    SampledResponse curve;
    curve.peakDb = -std::numeric_limits<double>::infinity();
    curve.decibels.reserve(hz.size());
    for (const double frequency : hz) {
        const double db = responseDecibels(filterResponse(picture.settings, frequency / picture.sampleRate));
        curve.decibels.push_back(db);
        curve.peakDb = std::max(curve.peakDb, db);
    }
    curve.hz = std::move(hz);
    return curve;
}

ResponseAxes responseAxes(const ResponsePicture& picture, const ResponseLayout& layout, double pixelsPerUnit) {
    const SampledResponse curve = sampleResponse(picture, layout.plot.width * pixelsPerUnit);
    return ResponseAxes(layout.plot, picture.sampleRate, curve.peakDb);
}

void drawResponse(cairo_t* cr, const ResponsePicture& picture, double width, double height, double pixelsPerUnit) {
    const ResponseLayout layout = layOutResponse(width, height);
    const SampledResponse curve = sampleResponse(picture, layout.plot.width * pixelsPerUnit);
    const ResponseAxes axes(layout.plot, picture.sampleRate, curve.peakDb);

    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    setColour(cr, kBackgroundColour);
    cairo_rectangle(cr, 0.0, 0.0, width, height);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, layout.fontSize);

    drawGrid(cr, layout, axes, pixelsPerUnit);
    drawLabels(cr, layout, axes);
    drawCurve(cr, layout, axes, curve);
    const double typeTextRight = drawTypeAndSlope(cr, layout, picture);
    drawMarker(cr, layout, axes, picture, typeTextRight, pixelsPerUnit);
    drawMeter(cr, layout, axes, picture.meterPeak);
    cairo_restore(cr);
}
