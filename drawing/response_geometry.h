// SPDX-License-Identifier: MIT
// Where a picture of the filter's response puts everything, for any size from a mixer strip's
// 56 pixels to a window of 1200: the plot and the meter beside it, how large the texts are and
// which of them there is room for, and the two axes, a logarithmic frequency axis from 10 Hz
// to half the sample rate and a decibel axis whose top rises in grid steps with the curve's
// peak. Sizes are in the picture's own units: device pixels divided by the scale.
#pragma once

struct Box {
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
};

struct ResponseLayout {
    double width = 0.0, height = 0.0;
    Box plot;                 // the grid, the curve and the marker
    Box meter;                // the meter's bar, right of the plot
    double fontSize = 0.0;    // of every text
    bool labelStrip = false;  // the frequency labels have a strip of their own under the plot
    bool decibelLabels = false;
    bool markerText = false;
    bool minorGrid = false;   // lines at 2 to 9 times each decade, not only at the decades
};

ResponseLayout layOutResponse(double width, double height);

class ResponseAxes {
public:
    static constexpr double kLowestHz = 10.0;
    static constexpr double kGridStepDb = 12.0;
    static constexpr double kRangeDb = 6 * kGridStepDb;
    static constexpr double kHeadroomDb = 3.0;
    static constexpr double kLowestTopDb = kGridStepDb;
    static constexpr double kHighestTopDb = 4 * kGridStepDb;  // above the loudest setting's peak

    // The axes over `plot` for a response whose highest point is `peakDb`: the top is the
    // lowest grid line at least kHeadroomDb above it, from kLowestTopDb to kHighestTopDb, and
    // the axis shows kRangeDb below the top.
    ResponseAxes(const Box& plot, double sampleRate, double peakDb);

    double x(double hz) const;
    double hz(double x) const;
    double y(double db) const;
    double topDb() const { return topDb_; }
    double bottomDb() const { return topDb_ - kRangeDb; }
    double highestHz() const { return highestHz_; }

private:
    Box plot_;
    double highestHz_;
    double lowLog_, highLog_;
    double topDb_;
};
