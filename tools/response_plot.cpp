#include "tools/response_plot.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "tools/temporary_output.h"
#include "tools/tool_error.h"

namespace {

constexpr double kWidth = 1000.0;
constexpr double kHeight = 620.0;
constexpr double kLeft = 80.0;
constexpr double kRight = 24.0;
constexpr double kTop = 48.0;
constexpr double kBottom = 64.0;
constexpr double kLowestHz = 10.0;
constexpr double kGridStepDb = 10.0;
// The plot shows at most this many dB below the top line, so that the deep stop band of a
// steep filter does not squash the pass band.
constexpr double kDisplayedRangeDb = 100.0;
constexpr double kHeadroomDb = 3.0;
constexpr double kFontSize = 13.0;

struct Colour {
    double r, g, b;
};
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
    double y(double db) const { return kTop + (topDb_ - db) / (topDb_ - bottomDb_) * (kHeight - kTop - kBottom); }

private:
    double lowLog_, highLog_, bottomDb_, topDb_;
};

void drawText(cairo_t* cr, const std::string& text, double x, double y, double alignX, double alignY) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - extents.width * alignX - extents.x_bearing, y - extents.height * alignY - extents.y_bearing);
    cairo_show_text(cr, text.c_str());
}

void drawPlot(cairo_t* cr, const std::vector<ResponseCurve>& curves, const std::string& title) {
    const double nyquist = curves.front().response.sampleRate / 2.0;
    double maxDb = -INFINITY;
    double minDb = INFINITY;
    for (const ResponseCurve& curve : curves) {
        const FrequencyResponse& r = curve.response;
        for (std::size_t k = 0; k < r.frequencies.size(); ++k) {
            if (r.frequencies[k] < kLowestHz) continue;
            maxDb = std::max(maxDb, r.decibels[k]);
            minDb = std::min(minDb, r.decibels[k]);
        }
    }
    const double topDb = std::ceil((maxDb + kHeadroomDb) / kGridStepDb) * kGridStepDb;
    const double bottomDb = std::max(std::floor(minDb / kGridStepDb) * kGridStepDb, topDb - kDisplayedRangeDb);
    const PlotArea area(kLowestHz, nyquist, bottomDb, topDb);
    const double right = kWidth - kRight;
    const double bottom = kHeight - kBottom;

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
        const Colour colour = kPalette[c % kPalette.size()];
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        const FrequencyResponse& r = curves[c].response;
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
    drawText(cr, "Frequency (Hz)", (kLeft + right) / 2, kHeight - 14, 0.5, 1.0);
    cairo_save(cr);
    cairo_translate(cr, 18, (kTop + bottom) / 2);
    cairo_rotate(cr, -M_PI / 2);
    drawText(cr, "Magnitude (dB)", 0, 0, 0.5, 0.5);
    cairo_restore(cr);

    // Legend in the lower left corner, where low-pass and band-pass curves are out of the way
    // less often than in the upper right.
    double legendWidth = 0;
    for (const ResponseCurve& curve : curves) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, curve.label.c_str(), &extents);
        legendWidth = std::max(legendWidth, extents.x_advance);
    }
    const double rowHeight = kFontSize + 6;
    const double boxWidth = legendWidth + 44;
    const double boxHeight = rowHeight * static_cast<double>(curves.size()) + 10;
    const double boxX = kLeft + 12;
    const double boxY = bottom - 12 - boxHeight;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    cairo_rectangle(cr, boxX, boxY, boxWidth, boxHeight);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_stroke(cr);
    for (std::size_t c = 0; c < curves.size(); ++c) {
        const double rowY = boxY + 5 + rowHeight * (static_cast<double>(c) + 0.5);
        const Colour colour = kPalette[c % kPalette.size()];
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        cairo_set_line_width(cr, 2.5);
        cairo_move_to(cr, boxX + 8, rowY);
        cairo_line_to(cr, boxX + 32, rowY);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        drawText(cr, curves[c].label, boxX + 38, rowY, 0.0, 0.5);
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

void drawResponsePlot(const std::vector<ResponseCurve>& curves, const std::string& title,
                      const std::filesystem::path& destination) {
    if (curves.empty()) throw ToolError("nothing to plot");
    const std::string extension = lowerExtension(destination);
    if (extension != ".png" && extension != ".svg") {
        throw ToolError("unsupported plot format \"" + extension + "\" for " + destination.string() +
                        "; use .png or .svg");
    }
    TemporaryOutput output(destination);
    const std::string temporary = output.temporaryPath().string();
    cairo_surface_t* surface = extension == ".png"
                                   ? cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(kWidth),
                                                                static_cast<int>(kHeight))
                                   : cairo_svg_surface_create(temporary.c_str(), kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    drawPlot(cr, curves, title);
    cairo_destroy(cr);
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    if (extension == ".png") {
        status = cairo_surface_write_to_png(surface, temporary.c_str());
    } else {
        cairo_surface_finish(surface);
        status = cairo_surface_status(surface);
    }
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        throw ToolError("cannot write plot " + destination.string() + ": " + cairo_status_to_string(status));
    }
    output.commit();
}

void writeResponseCsv(const std::vector<ResponseCurve>& curves, const std::filesystem::path& destination) {
    if (curves.empty()) throw ToolError("nothing to write");
    TemporaryOutput output(destination);
    FILE* file = ::fdopen(output.releaseDescriptor(), "w");
    if (file == nullptr) throw ToolError("cannot write " + destination.string());
    std::fprintf(file, "frequency_hz");
    for (const ResponseCurve& curve : curves) std::fprintf(file, ",%s", csvField(curve.label + " (dB)").c_str());
    std::fprintf(file, "\n");
    const std::size_t bins = curves.front().response.frequencies.size();
    for (std::size_t k = 0; k < bins; ++k) {
        std::fprintf(file, "%.6f", curves.front().response.frequencies[k]);
        for (const ResponseCurve& curve : curves) std::fprintf(file, ",%.6f", curve.response.decibels[k]);
        std::fprintf(file, "\n");
    }
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) throw ToolError("cannot write " + destination.string());
    output.commit();
}
