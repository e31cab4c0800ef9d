// SPDX-License-Identifier: MIT
#include "drawing/response_image.h"

#include "drawing/response_drawing.h"

ResponseImage::~ResponseImage() {
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
}

RenderedImage ResponseImage::render(const ResponsePicture& picture, int width, int height, double scale) {
    if (width < 1 || height < 1 || !(scale > 0.0)) return {};
    if (surface_ == nullptr || cairo_image_surface_get_width(surface_) != width ||
        cairo_image_surface_get_height(surface_) != height) {
        if (surface_ != nullptr) cairo_surface_destroy(surface_);
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    }
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
        return {};
    }
    cairo_t* cr = cairo_create(surface_);
    cairo_scale(cr, scale, scale);
    drawResponse(cr, picture, width / scale, height / scale, scale);
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
    return image();
}

RenderedImage ResponseImage::image() const {
    if (surface_ == nullptr) return {};
    return {cairo_image_surface_get_data(surface_), cairo_image_surface_get_width(surface_),
            cairo_image_surface_get_height(surface_), cairo_image_surface_get_stride(surface_)};
}
