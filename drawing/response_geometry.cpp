// SPDX-License-Identifier: MIT
#include "drawing/response_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

// Texts grow with the picture, from the smallest size that is still legible to one that
// suits a large window.
constexpr double kSmallestFont = 8.0;
constexpr double kLargestFont = 15.0;
constexpr double kFontPerRootWidth = 0.55;

}  // namespace

ResponseLayout layOutResponse(double width, double height) {
    ResponseLayout layout;
    layout.width = width;
    layout.height = height;
    layout.fontSize = std::clamp(kFontPerRootWidth * std::sqrt(std::max(width, 0.0)), kSmallestFont, kLargestFont);
    // The meter: a bar at the right edge, a few pixels wide even in a narrow strip.
    const double meterWidth = std::clamp(0.025 * width, 3.0, 10.0);
    const double gap = std::clamp(0.01 * width, 1.0, 4.0);
    // A strip of its own for the frequency labels where the picture is tall enough to spare it;
    // in smaller ones they sit inside the plot, under the curve.
    layout.labelStrip = height >= 80.0;
    const double strip = layout.labelStrip ? layout.fontSize + 6.0 : 0.0;
    layout.plot = {0.0, 0.0, std::max(width - meterWidth - gap, 1.0), std::max(height - strip, 1.0)};
    layout.meter = {width - meterWidth, 0.0, meterWidth, layout.plot.height};
    layout.decibelLabels = layout.plot.height >= 56.0;
    layout.markerText = layout.plot.width >= 120.0;
    layout.minorGrid = layout.plot.width >= 200.0;
    return layout;
}

ResponseAxes::ResponseAxes(const Box& plot, double sampleRate, double peakDb)
    : plot_(plot),
      highestHz_(std::max(sampleRate / 2.0, 2.0 * kLowestHz)),
      lowLog_(std::log10(kLowestHz)),
      highLog_(std::log10(highestHz_)) {
    const double wanted = std::isfinite(peakDb) ? std::ceil((peakDb + kHeadroomDb) / kGridStepDb) * kGridStepDb
                                                : kLowestTopDb;
    topDb_ = std::clamp(wanted, kLowestTopDb, kHighestTopDb);
}

double ResponseAxes::x(double hz) const {
    return plot_.x + (std::log10(hz) - lowLog_) / (highLog_ - lowLog_) * plot_.width;
}

double ResponseAxes::hz(double x) const {
    return std::pow(10.0, lowLog_ + (x - plot_.x) / plot_.width * (highLog_ - lowLog_));
}

double ResponseAxes::y(double db) const {
    return plot_.y + (topDb_ - db) / kRangeDb * plot_.height;
}
