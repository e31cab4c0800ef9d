// SPDX-License-Identifier: MIT
// The editor's window: a child of the host's window (or of the root window, for a host that
// embeds it afterwards) on the editor's own connection, with its pixels put from a picture
// drawn in software, and its input read as the few events the editor understands. It knows
// nothing of what it shows.
//
// The window carries the XEMBED information (version 0, mapped), so hosts that embed by XEMBED
// see it as a client; it takes the keyboard focus when clicked. All of it runs on the thread
// that made it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "drawing/response_image.h"
#include "editor/editor_state.h"
#include "editor/x11_connection.h"

struct WindowEvent {
    enum class Kind { Press, Release, Motion, Wheel, Key, Resized, ParentResized, Exposed, Destroyed };
    Kind kind;
    double x = 0.0, y = 0.0;  // device pixels, from the window's corner
    std::uint32_t milliseconds = 0;
    int notches = 0;  // Wheel: positive away from the user
    EditorKey key = EditorKey::Tab;
    int width = 0, height = 0;  // Resized, ParentResized
};

class X11EditorWindow {
public:
    // A window of `width` by `height` device pixels inside `parent` (0: the root window) on
    // `connection`; null when the parent does not exist or the window cannot be made.
    static std::unique_ptr<X11EditorWindow> create(X11Connection& connection, Window parent, int width, int height);
    ~X11EditorWindow();
    X11EditorWindow(const X11EditorWindow&) = delete;
    X11EditorWindow& operator=(const X11EditorWindow&) = delete;

    Window id() const { return window_; }
    // False once the window was destroyed (with its parent, say) or the connection lost.
    bool alive() const { return !destroyed_ && !connection_.broken(); }
    int width() const { return width_; }
    int height() const { return height_; }

    void show();
    void hide();
    void resize(int width, int height);
    void reparent(Window parent);
    // From now on the parent's new sizes come as ParentResized events (for hosts that resize
    // the window they give and expect the plug-in's to fill it).
    void followParent();

    // The events that came in, read without waiting.
    std::vector<WindowEvent> takeEvents();
    // Puts the picture's rectangle from (x, y) of `width` by `height` into the window; a
    // picture of another size than the window's is put from its corner as far as both reach.
    void put(const RenderedImage& image, int x, int y, int width, int height);
    // Sends what was asked of the server.
    void flush();

private:
    X11EditorWindow(X11Connection& connection, Window window, Window parent, int width, int height);
    std::optional<WindowEvent> translate(const XEvent& event);

    X11Connection& connection_;
    Display* display_;
    Window window_;
    Window parent_;
    bool followingParent_ = false;
    GC gc_ = nullptr;
    Visual* visual_;
    int depth_;
    int width_, height_;
    bool destroyed_ = false;
    // The picture in the window's pixel format, where that is not cairo's own.
    std::vector<std::uint32_t> converted_;
};
