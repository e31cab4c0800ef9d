// SPDX-License-Identifier: MIT
// The filter's editor as a plug-in format's adapter holds it: the editor's state, its window
// on a connection of its own, and the picture of each frame. The adapter hands it what the
// host reports (values, the meter) through state(), and calls update() from the host's loop
// (LV2's idle call, CLAP's fd and timer callbacks): update reads the window's events, lets
// time pass and draws what changed. It creates no thread and blocks on nothing.
//
// Sizes: the editor lays itself out in its own units, about 600 by 360 by default, and its
// window is that many device pixels times the scale the host asks for (2 at 200 %), so that
// everything is drawn at the screen's own resolution.
#pragma once

#include <cairo.h>

#include <chrono>
#include <memory>

#include "editor/editor_host.h"
#include "editor/editor_state.h"
#include "editor/x11_connection.h"
#include "editor/x11_editor_window.h"

struct EditorOptions {
    const char* displayName = nullptr;  // null: the DISPLAY variable's
    unsigned long parent = 0;           // the host's window; 0: none yet (the root window's child)
    double scale = 1.0;
    float sampleRate = 44100.0f;
    bool visible = true;                // mapped at once
    bool followParent = false;          // takes the parent's size whenever the host changes it
};

struct PixelSize {
    int width = 0, height = 0;
};

class Editor {
public:
    static constexpr double kSmallestScale = 0.5;
    static constexpr double kLargestScale = 4.0;

    // An editor in a new window; null when there is no X server, or no such parent window.
    static std::unique_ptr<Editor> open(EditorHost& host, const EditorOptions& options);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    EditorState& state() { return state_; }
    // A peak of the meter's output, now.
    void meterPeak(float peak) { state_.meterPeak(peak, seconds()); }
    unsigned long window() const { return window_->id(); }
    int fd() const { return connection_->fd(); }
    // False once the window is gone (its parent destroyed it) or the connection is lost.
    bool alive() const { return window_->alive(); }

    void update();

    double scale() const { return scale_; }
    // The scale held within the smallest and largest; the window keeps its size in units.
    void setScale(double scale);
    PixelSize pixelSize() const { return {window_->width(), window_->height()}; }
    // The size in device pixels the window would have for a size in units at the scale.
    PixelSize pixelSizeFor(EditorSize size) const;
    // The nearest size the editor can take to the one asked for, in device pixels.
    PixelSize adjustedPixelSize(PixelSize wanted) const;
    void setPixelSize(PixelSize size);

    void show() { window_->show(); window_->flush(); }
    void hide() { window_->hide(); window_->flush(); }
    void setParent(unsigned long parent) { window_->reparent(parent); window_->flush(); }

private:
    Editor(EditorHost& host, const EditorOptions& options, std::unique_ptr<X11Connection> connection,
           std::unique_ptr<X11EditorWindow> window);
    double seconds() const;
    void handle(const WindowEvent& event);
    void draw();

    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<X11EditorWindow> window_;
    EditorState state_;
    double scale_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    cairo_surface_t* picture_ = nullptr;
    std::uint64_t drawnVersion_ = 0;
};
