// SPDX-License-Identifier: MIT
// Drawing and writing measured responses: dB against a logarithmic frequency axis up to
// half the rate, with grid, axis labels and a legend beneath the plot (where it covers no
// curve), as PNG or SVG; and the same numbers as CSV. Both are written as output_file.h
// describes, so a failed write leaves nothing behind.
#pragma once

#include <string>
#include <vector>

#include "tools/response/frequency_response.h"

struct ResponseCurve {
    std::string label;
    FrequencyResponse response;
};

struct PlotRectangle {
    double x, y, width, height;
};

// Where everything goes, for legend entries of the given widths (in pixels).
struct PlotLayout {
    double width, height;
    PlotRectangle plot;
    PlotRectangle legend;
    int legendColumns;
    double legendEntryWidth;
};
PlotLayout layOutPlot(const std::vector<double>& legendLabelWidths);

struct CurveColour {
    double r, g, b;
};
// Distinct for every curve: eight well-separated colours, then hues spread by the golden
// angle. Curves from the ninth on are also dashed.
CurveColour curveColour(std::size_t curve);

// The format follows `format` (an extension such as "svg") when given, else the output's
// extension; standard output ("-") without a format is PNG. Throws ToolError for anything
// but PNG and SVG.
void drawResponsePlot(const std::vector<ResponseCurve>& curves, const std::string& title, const std::string& output,
                      bool noClobber, const std::string& format = "");

// One row per FFT bin (or, with logPoints > 0, that many frequencies spaced evenly on a
// logarithmic scale from 10 Hz to half the rate, each interpolated between the bins): the
// frequency, then one dB column per curve.
void writeResponseCsv(const std::vector<ResponseCurve>& curves, const std::string& output, bool noClobber,
                      int logPoints = 0);

// The lowest frequency plotted and listed in a logarithmic CSV.
inline constexpr double kLowestPlottedHz = 10.0;
