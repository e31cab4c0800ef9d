// SPDX-License-Identifier: MIT
#include "tools/response/response_plot.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/audio/output_file.h"
#include "tools/tool_error.h"

namespace {

constexpr double kWidth = 1000.0;
// The plot without its legend.
constexpr double kPlotHeight = 620.0;
constexpr double kLeft = 80.0;
constexpr double kRight = 24.0;
constexpr double kTop = 48.0;
constexpr double kBottom = 64.0;
constexpr double kLowestHz = kLowestPlottedHz;
constexpr double kGridStepDb = 10.0;
// The plot shows at most this many dB below the top line, so that the deep stop band of a
// steep filter does not squash the pass band.
constexpr double kDisplayedRangeDb = 100.0;
constexpr double kHeadroomDb = 3.0;
constexpr double kFontSize = 13.0;

constexpr double kLegendRowHeight = kFontSize + 6;
constexpr double kLegendSwatch = 38;
constexpr double kLegendGap = 16;

using Colour = CurveColour;
constexpr std::array<Colour, 8> kPalette = {{{0.12, 0.47, 0.71},
                                             {0.84, 0.15, 0.16},
                                             {0.17, 0.63, 0.17},
                                             {1.00, 0.50, 0.05},
                                             {0.58, 0.40, 0.74},
                                             {0.55, 0.34, 0.29},
                                             {0.89, 0.47, 0.76},
                                             {0.50, 0.50, 0.50}}};

std::string lowerExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string frequencyText(double hz) {
    char text[32];
    if (hz >= 1000.0) {
        std::snprintf(text, sizeof text, "%gk", hz / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%g", hz);
    }
    return text;
}

class PlotArea {
public:
    PlotArea(double lowHz, double highHz, double bottomDb, double topDb)
        : lowLog_(std::log10(lowHz)), highLog_(std::log10(highHz)), bottomDb_(bottomDb), topDb_(topDb) {}
    double x(double hz) const {
        return kLeft + (std::log10(hz) - lowLog_) / (highLog_ - lowLog_) * (kWidth - kLeft - kRight);
    }
    double y(double db) const { return kTop + (topDb_ - db) / (topDb_ - bottomDb_) * (kPlotHeight - kTop - kBottom); }

private:
    double lowLog_, highLog_, bottomDb_, topDb_;
};

void drawText(cairo_t* cr, const std::string& text, double x, double y, double alignX, double alignY) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - extents.width * alignX - extents.x_bearing, y - extents.height * alignY - extents.y_bearing);
    cairo_show_text(cr, text.c_str());
}

void setCurveStyle(cairo_t* cr, std::size_t curve) {
    const Colour colour = curveColour(curve);
    cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
    static const double kDashes[] = {7.0, 3.0};
    static const double kDots[] = {2.0, 3.0};
    if (curve < kPalette.size()) {
        cairo_set_dash(cr, nullptr, 0, 0.0);
    } else {
        cairo_set_dash(cr, (curve / kPalette.size()) % 2 == 1 ? kDashes : kDots, 2, 0.0);
    }
}

std::string legendLabel(const ResponseCurve& curve) {
    return curve.response.silent() ? curve.label + " (silent: no output at any frequency)" : curve.label;
}

void drawPlot(cairo_t* cr, const std::vector<ResponseCurve>& curves, const std::string& title,
              const PlotLayout& layout) {
    const double nyquist = curves.front().response.sampleRate / 2.0;
    double maxDb = -INFINITY;
    double minDb = INFINITY;
    for (const ResponseCurve& curve : curves) {
        const FrequencyResponse& r = curve.response;
        for (std::size_t k = 0; k < r.frequencies.size(); ++k) {
            if (r.frequencies[k] < kLowestHz || r.decibels[k] <= kSilenceDecibels) continue;
            maxDb = std::max(maxDb, r.decibels[k]);
            minDb = std::min(minDb, r.decibels[k]);
        }
    }
    // Only silent curves: a range around 0 dB.
    if (maxDb < minDb) maxDb = minDb = 0.0;
    const double topDb = std::ceil((maxDb + kHeadroomDb) / kGridStepDb) * kGridStepDb;
    const double bottomDb = std::max(std::floor(minDb / kGridStepDb) * kGridStepDb, topDb - kDisplayedRangeDb);
    const PlotArea area(kLowestHz, nyquist, bottomDb, topDb);
    const double right = kWidth - kRight;
    const double bottom = kPlotHeight - kBottom;

    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontSize);

    // Grid: every 1-2-5 frequency labelled, the other integer multiples faint; every 10 dB.
    cairo_set_line_width(cr, 1.0);
    for (double decade = 1.0; decade <= nyquist; decade *= 10.0) {
        for (int multiple = 1; multiple <= 9; ++multiple) {
            const double hz = decade * multiple;
            if (hz < kLowestHz || hz > nyquist) continue;
            const bool labelled = multiple == 1 || multiple == 2 || multiple == 5;
            const double grey = labelled ? 0.80 : 0.92;
            cairo_set_source_rgb(cr, grey, grey, grey);
            cairo_move_to(cr, std::round(area.x(hz)) + 0.5, kTop);
            cairo_line_to(cr, std::round(area.x(hz)) + 0.5, bottom);
            cairo_stroke(cr);
            if (labelled) {
                cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
                drawText(cr, frequencyText(hz), area.x(hz), bottom + 8, 0.5, 0.0);
            }
        }
    }
    for (double db = bottomDb; db <= topDb + 1e-9; db += kGridStepDb) {
        cairo_set_source_rgb(cr, db == 0.0 ? 0.55 : 0.80, db == 0.0 ? 0.55 : 0.80, db == 0.0 ? 0.55 : 0.80);
        cairo_move_to(cr, kLeft, std::round(area.y(db)) + 0.5);
        cairo_line_to(cr, right, std::round(area.y(db)) + 0.5);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        char text[16];
        std::snprintf(text, sizeof text, "%g", db);
        drawText(cr, text, kLeft - 8, area.y(db), 1.0, 0.5);
    }

    // Curves, clipped to the plot area. Where many bins share a pixel column only the
    // column's lowest and highest points are drawn, in the order they occur.
    cairo_save(cr);
    cairo_rectangle(cr, kLeft, kTop, right - kLeft, bottom - kTop);
    cairo_clip(cr);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (std::size_t c = 0; c < curves.size(); ++c) {
        setCurveStyle(cr, c);
        const FrequencyResponse& r = curves[c].response;
        if (r.silent()) {
            // No level to draw: a line along the bottom edge, named so in the legend.
            cairo_move_to(cr, kLeft, bottom - 2);
            cairo_line_to(cr, right, bottom - 2);
            cairo_stroke(cr);
            continue;
        }
        bool started = false;
        long column = -1;
        double low = 0, high = 0, lowX = 0, highX = 0;
        std::size_t lowK = 0, highK = 0;
        auto flush = [&] {
            if (column < 0) return;
            const bool lowFirst = lowK <= highK;
            const double firstX = lowFirst ? lowX : highX, firstY = lowFirst ? low : high;
            const double secondX = lowFirst ? highX : lowX, secondY = lowFirst ? high : low;
            if (!started) {
                cairo_move_to(cr, firstX, area.y(firstY));
                started = true;
            } else {
                cairo_line_to(cr, firstX, area.y(firstY));
            }
            if (lowK != highK) cairo_line_to(cr, secondX, area.y(secondY));
        };
        for (std::size_t k = 0; k < r.frequencies.size(); ++k) {
            if (r.frequencies[k] < kLowestHz) continue;
            const double x = area.x(r.frequencies[k]);
            const double db = std::max(r.decibels[k], bottomDb - 2 * kGridStepDb);
            const long thisColumn = std::lround(std::floor(x));
            if (thisColumn != column) {
                flush();
                column = thisColumn;
                low = high = db;
                lowX = highX = x;
                lowK = highK = k;
            } else if (db < low) {
                low = db, lowX = x, lowK = k;
            } else if (db > high) {
                high = db, highX = x, highK = k;
            }
        }
        flush();
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    // Frame, title and axis labels.
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, kLeft + 0.5, kTop + 0.5, right - kLeft - 1, bottom - kTop - 1);
    cairo_stroke(cr);
    cairo_set_font_size(cr, kFontSize + 3);
    drawText(cr, title, (kLeft + right) / 2, kTop / 2, 0.5, 0.5);
    cairo_set_font_size(cr, kFontSize);
    drawText(cr, "Frequency (Hz)", (kLeft + right) / 2, kPlotHeight - 14, 0.5, 1.0);
    cairo_save(cr);
    cairo_translate(cr, 18, (kTop + bottom) / 2);
    cairo_rotate(cr, -M_PI / 2);
    drawText(cr, "Magnitude (dB)", 0, 0, 0.5, 0.5);
    cairo_restore(cr);

    // The legend beneath the plot, in as many columns as fit.
    const PlotRectangle& box = layout.legend;
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, box.x + 0.5, box.y + 0.5, box.width - 1, box.height - 1);
    cairo_stroke(cr);
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const auto column = static_cast<double>(c % static_cast<std::size_t>(layout.legendColumns));
        const auto row = static_cast<double>(c / static_cast<std::size_t>(layout.legendColumns));
        const double entryX = box.x + 8 + column * layout.legendEntryWidth;
        const double rowY = box.y + 5 + kLegendRowHeight * (row + 0.5);
        setCurveStyle(cr, c);
        cairo_set_line_width(cr, 2.5);
        cairo_move_to(cr, entryX, rowY);
        cairo_line_to(cr, entryX + 24, rowY);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0.0);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        drawText(cr, legendLabel(curves[c]), entryX + 30, rowY, 0.0, 0.5);
    }
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

CurveColour curveColour(std::size_t curve) {
    if (curve < kPalette.size()) return kPalette[curve];
    // Hues a golden angle apart never meet; two levels of brightness separate them further.
    const double hue = std::fmod(static_cast<double>(curve - kPalette.size()) * 0.381966011250105 + 0.05, 1.0) * 6.0;
    const double value = curve % 2 == 0 ? 0.55 : 0.80;
    const double saturation = 0.85;
    const double chroma = value * saturation;
    const double x = chroma * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
    const double m = value - chroma;
    const int sector = static_cast<int>(hue);
    const double r[] = {chroma, x, 0, 0, x, chroma}, g[] = {x, chroma, chroma, x, 0, 0}, b[] = {0, 0, x, chroma, chroma, x};
    return {r[sector] + m, g[sector] + m, b[sector] + m};
}

PlotLayout layOutPlot(const std::vector<double>& legendLabelWidths) {
    PlotLayout layout{};
    layout.width = kWidth;
    layout.plot = {kLeft, kTop, kWidth - kLeft - kRight, kPlotHeight - kTop - kBottom};
    double widest = 0;
    for (double width : legendLabelWidths) widest = std::max(widest, width);
    const double available = kWidth - kLeft - kRight - 16;
    layout.legendEntryWidth = std::min(available, widest + kLegendSwatch + kLegendGap);
    layout.legendColumns = std::max(1, static_cast<int>(available / layout.legendEntryWidth));
    const auto count = static_cast<int>(legendLabelWidths.size());
    const int rows = std::max(1, (count + layout.legendColumns - 1) / layout.legendColumns);
    // Beneath the axis label, which ends at the bottom of the plot's own height.
    layout.legend = {kLeft, kPlotHeight, std::min(available + 16, layout.legendEntryWidth * layout.legendColumns + 16),
                     kLegendRowHeight * rows + 10};
    layout.height = layout.legend.y + layout.legend.height + 12;
    return layout;
}

namespace {

cairo_status_t writeToDescriptor(void* closure, const unsigned char* data, unsigned int length) {
    const int descriptor = *static_cast<int*>(closure);
    while (length > 0) {
        const ssize_t written = ::write(descriptor, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return CAIRO_STATUS_WRITE_ERROR;
        data += written;
        length -= static_cast<unsigned int>(written);
    }
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

void drawResponsePlot(const std::vector<ResponseCurve>& curves, const std::string& title, const std::string& output,
                      bool noClobber, const std::string& format) {
    if (curves.empty()) throw ToolError("nothing to plot");
    std::string extension = format.empty() ? lowerExtension(output) : "." + format;
    if (format.empty() && output == "-") extension = ".png";
    if (extension != ".png" && extension != ".svg") {
        throw ToolError("unsupported plot format \"" + extension + "\" for " + output + "; use .png or .svg");
    }
    // The legend's size follows its texts, measured with the font the plot uses.
    std::vector<double> labelWidths;
    {
        cairo_surface_t* measuring = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(measuring);
        cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, kFontSize);
        for (const ResponseCurve& curve : curves) {
            cairo_text_extents_t extents;
            cairo_text_extents(cr, legendLabel(curve).c_str(), &extents);
            labelWidths.push_back(extents.x_advance);
        }
        cairo_destroy(cr);
        cairo_surface_destroy(measuring);
    }
    const PlotLayout layout = layOutPlot(labelWidths);

    OutputFile file(output, noClobber);
    int descriptor = file.descriptor();
    cairo_surface_t* surface =
        extension == ".png"
            ? cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(layout.width),
                                         static_cast<int>(std::ceil(layout.height)))
            : cairo_svg_surface_create_for_stream(writeToDescriptor, &descriptor, layout.width, layout.height);
    cairo_t* cr = cairo_create(surface);
    drawPlot(cr, curves, title, layout);
    cairo_destroy(cr);
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    if (extension == ".png") {
        status = cairo_surface_write_to_png_stream(surface, writeToDescriptor, &descriptor);
    } else {
        cairo_surface_finish(surface);
        status = cairo_surface_status(surface);
    }
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw ToolError("cannot write plot " + output + ": " + cairo_status_to_string(status));
    }
    file.commit();
}

void writeResponseCsv(const std::vector<ResponseCurve>& curves, const std::string& output, bool noClobber,
                      int logPoints) {
    if (curves.empty()) throw ToolError("nothing to write");
    OutputFile file(output, noClobber);
    FILE* stream = ::fdopen(file.releaseDescriptor(), "w");
    if (stream == nullptr) throw ToolError("cannot write " + output);
    std::fprintf(stream, "frequency_hz");
    for (const ResponseCurve& curve : curves) std::fprintf(stream, ",%s", csvField(curve.label + " (dB)").c_str());
    std::fprintf(stream, "\n");
    const FrequencyResponse& first = curves.front().response;
    if (logPoints > 0) {
        const double low = std::log(kLowestHz);
        const double high = std::log(first.sampleRate / 2.0);
        for (int i = 0; i < logPoints; ++i) {
            const double hz = logPoints == 1 ? kLowestHz : std::exp(low + (high - low) * i / (logPoints - 1));
            std::fprintf(stream, "%.6f", hz);
            for (const ResponseCurve& curve : curves) std::fprintf(stream, ",%.6f", curve.response.decibelsAt(hz));
            std::fprintf(stream, "\n");
        }
    } else {
        for (std::size_t k = 0; k < first.frequencies.size(); ++k) {
            std::fprintf(stream, "%.6f", first.frequencies[k]);
            for (const ResponseCurve& curve : curves) std::fprintf(stream, ",%.6f", curve.response.decibels[k]);
            std::fprintf(stream, "\n");
        }
    }
    const bool failed = std::ferror(stream) != 0;
    if (std::fclose(stream) != 0 || failed) throw ToolError("cannot write " + output);
    file.commit();
}
