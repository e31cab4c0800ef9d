// SPDX-License-Identifier: MIT
// The picture of the response rendered in software into an image the caller can hand on:
// 32-bit ARGB words in native byte order with premultiplied alpha (cairo's ARGB32), rows
// `stride` bytes apart. The image belongs to this object and stays as it is until the next
// render or the object's end; a new size makes a new image, the same size draws over it.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "drawing/response_picture.h"

struct RenderedImage {
    unsigned char* data = nullptr;  // null when there is no image
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes from one row to the next
};

class ResponseImage {
public:
    ResponseImage() = default;
    ~ResponseImage();
    ResponseImage(const ResponseImage&) = delete;
    ResponseImage& operator=(const ResponseImage&) = delete;

    // Draws `picture` into an image of `width` by `height` device pixels at `scale` device
    // pixels per unit of the layout (2 on a display of double density). A size below one
    // pixel, or an image cairo cannot make, gives no image.
    RenderedImage render(const ResponsePicture& picture, int width, int height, double scale = 1.0);

    // The last image rendered, as render returned it.
    RenderedImage image() const;
    cairo_surface_t* surface() const { return surface_; }

private:
    cairo_surface_t* surface_ = nullptr;
};
