// SPDX-License-Identifier: MIT
#include "editor/editor.h"

#include <algorithm>
#include <cmath>

#include "editor/editor_drawing.h"

namespace {

double heldScale(double scale) {
    return std::isfinite(scale) ? std::clamp(scale, Editor::kSmallestScale, Editor::kLargestScale) : 1.0;
}

int pixels(double units, double scale) {
    return std::max(1, static_cast<int>(std::lround(units * scale)));
}

}  // namespace

std::unique_ptr<Editor> Editor::open(EditorHost& host, const EditorOptions& options) {
    std::unique_ptr<X11Connection> connection = X11Connection::open(options.displayName);
    if (connection == nullptr) return nullptr;
    const double scale = heldScale(options.scale);
    std::unique_ptr<X11EditorWindow> window =
        X11EditorWindow::create(*connection, options.parent, pixels(kEditorDefaultSize.width, scale),
                                pixels(kEditorDefaultSize.height, scale));
    if (window == nullptr) return nullptr;
    std::unique_ptr<Editor> editor(new Editor(host, options, std::move(connection), std::move(window)));
    if (options.followParent) editor->window_->followParent();
    if (options.visible) editor->show();
    editor->update();
    return editor;
}

Editor::Editor(EditorHost& host, const EditorOptions& options, std::unique_ptr<X11Connection> connection,
               std::unique_ptr<X11EditorWindow> window)
    : connection_(std::move(connection)),
      window_(std::move(window)),
      state_(host, options.sampleRate),
      scale_(heldScale(options.scale)) {
    state_.setPixelsPerUnit(scale_);
}

Editor::~Editor() {
    // The window goes before its connection; then the picture.
    window_.reset();
    connection_.reset();
    if (picture_ != nullptr) cairo_surface_destroy(picture_);
}

double Editor::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Editor::setScale(double scale) {
    const double held = heldScale(scale);
    if (held == scale_) return;
    const EditorSize units = state_.layout().size;
    scale_ = held;
    state_.setPixelsPerUnit(scale_);
    setPixelSize(pixelSizeFor(units));
}

PixelSize Editor::pixelSizeFor(EditorSize size) const {
    const EditorSize held = heldEditorSize(size);
    return {pixels(held.width, scale_), pixels(held.height, scale_)};
}

PixelSize Editor::adjustedPixelSize(PixelSize wanted) const {
    return pixelSizeFor({wanted.width / scale_, wanted.height / scale_});
}

void Editor::setPixelSize(PixelSize size) {
    const PixelSize adjusted = adjustedPixelSize(size);
    window_->resize(adjusted.width, adjusted.height);
    state_.setSize({adjusted.width / scale_, adjusted.height / scale_});
    window_->flush();
}

void Editor::handle(const WindowEvent& event) {
    using Kind = WindowEvent::Kind;
    const double x = event.x / scale_, y = event.y / scale_;
    switch (event.kind) {
        case Kind::Press: state_.pointerPressed(x, y, event.milliseconds); break;
        case Kind::Release: state_.pointerReleased(); break;
        case Kind::Motion: state_.pointerMoved(x, y); break;
        case Kind::Wheel: state_.wheel(x, y, event.notches); break;
        case Kind::Key: state_.key(event.key); break;
        case Kind::Resized: state_.setSize({event.width / scale_, event.height / scale_}); break;
        case Kind::ParentResized:
            if (event.width != window_->width() || event.height != window_->height()) {
                setPixelSize({event.width, event.height});
            }
            break;
        case Kind::Exposed:
            // What the server lost is put again from the last picture, where it has the window's size.
            if (picture_ != nullptr && drawnVersion_ == state_.version() &&
                cairo_image_surface_get_width(picture_) == window_->width() &&
                cairo_image_surface_get_height(picture_) == window_->height()) {
                window_->put({cairo_image_surface_get_data(picture_), cairo_image_surface_get_width(picture_),
                              cairo_image_surface_get_height(picture_), cairo_image_surface_get_stride(picture_)},
                             static_cast<int>(event.x), static_cast<int>(event.y), event.width, event.height);
            } else {
                drawnVersion_ = 0;
            }
            break;
        case Kind::Destroyed: state_.cancelDrag(); break;
    }
}

void Editor::update() {
    if (!alive()) return;
    for (const WindowEvent& event : window_->takeEvents()) handle(event);
    if (!alive()) return;
    state_.tick(seconds());
    if (state_.version() != drawnVersion_) draw();
    window_->flush();
}

void Editor::draw() {
    const int width = window_->width(), height = window_->height();
    if (picture_ == nullptr || cairo_image_surface_get_width(picture_) != width ||
        cairo_image_surface_get_height(picture_) != height) {
        if (picture_ != nullptr) cairo_surface_destroy(picture_);
        picture_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    }
    if (cairo_surface_status(picture_) != CAIRO_STATUS_SUCCESS) {
        // No memory for a picture this time; the next update tries again.
        cairo_surface_destroy(picture_);
        picture_ = nullptr;
        return;
    }
    cairo_t* cr = cairo_create(picture_);
    cairo_scale(cr, scale_, scale_);
    drawEditor(cr, state_.scene(), scale_);
    cairo_destroy(cr);
    cairo_surface_flush(picture_);
    window_->put({cairo_image_surface_get_data(picture_), width, height, cairo_image_surface_get_stride(picture_)}, 0,
                 0, width, height);
    drawnVersion_ = state_.version();
}
