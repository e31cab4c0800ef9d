// SPDX-License-Identifier: MIT
// The one drawing of the filter's response, with cairo, onto whatever surface the caller
// has: the LV2 inline display's image now, the plug-in windows later. It knows no window
// system and no plug-in format. The curve comes from the core's exact response of the
// picture's settings; the layout follows the size (response_geometry.h).
#pragma once

#include <cairo.h>

#include <vector>

#include "drawing/response_geometry.h"
#include "drawing/response_picture.h"

struct Colour {
    double red, green, blue;
};
// The curve's colour; nothing else in the picture is as saturated an orange.
inline constexpr Colour kCurveColour{1.0, 0.62, 0.16};
inline constexpr Colour kBackgroundColour{0.10, 0.11, 0.12};

// The response as the picture draws it: the gain in dB at frequencies spread evenly over the
// logarithmic axis, two to a device pixel, and at the main stage's resonance row, where a
// narrow peak could otherwise fall between two of them; with its highest point.
struct SampledResponse {
    std::vector<double> hz, decibels;
    double peakDb = 0.0;
};
SampledResponse sampleResponse(const ResponsePicture& picture, double plotWidthPixels);

// The axes the picture of `picture` draws with in `layout`, at `pixelsPerUnit` device pixels
// per unit of the layout.
ResponseAxes responseAxes(const ResponsePicture& picture, const ResponseLayout& layout, double pixelsPerUnit);

// Draws the whole picture, opaque, into the rectangle from (0, 0) of `width` by `height` units
// of `cr`'s user space, whose units are `pixelsPerUnit` device pixels each.
void drawResponse(cairo_t* cr, const ResponsePicture& picture, double width, double height, double pixelsPerUnit);
