// SPDX-License-Identifier: MIT
#include "editor/x11_editor_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask | KeyPressMask |
                            StructureNotifyMask;
constexpr unsigned int kWheelUp = 4, kWheelDown = 5;
// The background the server shows before the first picture: the editor's panel grey.
constexpr std::uint32_t kBackgroundArgb = 0xFF212326u;

// The pixel of an opaque ARGB word in a TrueColor visual's channels.
unsigned long pixelOf(std::uint32_t argb, const Visual& visual) {
    const auto channel = [](std::uint32_t value8, unsigned long mask) -> unsigned long {
        if (mask == 0) return 0;
        const int shift = std::countr_zero(mask);
        const int bits = std::popcount(mask);
        const unsigned long value = bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8)
                                              : static_cast<unsigned long>(value8) >> (8 - bits);
        return (value << shift) & mask;
    };
    return channel((argb >> 16) & 0xFF, visual.red_mask) | channel((argb >> 8) & 0xFF, visual.green_mask) |
           channel(argb & 0xFF, visual.blue_mask);
}

std::optional<EditorKey> editorKey(KeySym symbol, unsigned int state) {
    switch (symbol) {
        case XK_Left:
        case XK_KP_Left: return EditorKey::Left;
        case XK_Right:
        case XK_KP_Right: return EditorKey::Right;
        case XK_Up:
        case XK_KP_Up: return EditorKey::Up;
        case XK_Down:
        case XK_KP_Down: return EditorKey::Down;
        case XK_Page_Up:
        case XK_KP_Page_Up: return EditorKey::PageUp;
        case XK_Page_Down:
        case XK_KP_Page_Down: return EditorKey::PageDown;
        case XK_Home:
        case XK_KP_Home: return EditorKey::Home;
        case XK_End:
        case XK_KP_End: return EditorKey::End;
        case XK_Tab: return (state & ShiftMask) != 0 ? EditorKey::BackTab : EditorKey::Tab;
        case XK_ISO_Left_Tab: return EditorKey::BackTab;
        default: return std::nullopt;
    }
}

}  // namespace

std::unique_ptr<X11EditorWindow> X11EditorWindow::create(X11Connection& connection, Window parent, int width,
                                                         int height) {
    if (connection.broken() || width < 1 || height < 1) return nullptr;
    Display* display = connection.display();
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    // The pictures are 24-bit colour: a visual of fewer colours is not offered.
    if (visual->c_class != TrueColor || DefaultDepth(display, screen) < 16) return nullptr;
    XWindowAttributes parentAttributes;
    if (parent != 0 && XGetWindowAttributes(display, parent, &parentAttributes) == 0) return nullptr;

    XSetWindowAttributes attributes{};
    attributes.background_pixel = pixelOf(kBackgroundArgb, *visual);
    attributes.border_pixel = 0;
    // The screen's own visual and colormap, whatever the parent's: a host's window may have
    // a visual of its own (with an alpha channel, say).
    attributes.colormap = DefaultColormap(display, screen);
    attributes.event_mask = kEventMask;
    const Window window =
        XCreateWindow(display, parent != 0 ? parent : RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, DefaultDepth(display, screen), InputOutput, visual,
                      CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    // The request fails only on the server: whether the window is there tells.
    XWindowAttributes made;
    if (window == 0 || XGetWindowAttributes(display, window, &made) == 0) return nullptr;

    XStoreName(display, window, "BRAMSOLIKET");
    // The class names the plug-in's window among the host's own, for tests and window tools.
    char instanceName[] = "bramsoliket-editor";
    char className[] = "BRAMSOLIKET";
    XClassHint classHint{instanceName, className};
    XSetClassHint(display, window, &classHint);
    // _XEMBED_INFO: protocol version 0, mapped.
    const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    const long info[2] = {0, 1};
    XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    return std::unique_ptr<X11EditorWindow>(new X11EditorWindow(connection, window, parent, width, height));
}

X11EditorWindow::X11EditorWindow(X11Connection& connection, Window window, Window parent, int width, int height)
    : connection_(connection),
      display_(connection.display()),
      window_(window),
      parent_(parent),
      visual_(DefaultVisual(display_, DefaultScreen(display_))),
      depth_(DefaultDepth(display_, DefaultScreen(display_))),
      width_(width),
      height_(height) {
    gc_ = XCreateGC(display_, window_, 0, nullptr);
}

X11EditorWindow::~X11EditorWindow() {
    if (connection_.broken()) return;
    if (gc_ != nullptr) XFreeGC(display_, gc_);
    // A window its parent took with it is gone already: the request fails quietly.
    if (!destroyed_) XDestroyWindow(display_, window_);
    XSync(display_, False);
}

void X11EditorWindow::show() {
    if (!alive()) return;
    XMapRaised(display_, window_);
}

void X11EditorWindow::hide() {
    if (!alive()) return;
    XUnmapWindow(display_, window_);
}

void X11EditorWindow::resize(int width, int height) {
    if (!alive() || width < 1 || height < 1) return;
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
}

void X11EditorWindow::reparent(Window parent) {
    if (!alive()) return;
    // The old parent's sizes are no longer this window's business.
    if (followingParent_ && parent_ != 0) XSelectInput(display_, parent_, NoEventMask);
    XReparentWindow(display_, window_, parent, 0, 0);
    parent_ = parent;
    if (followingParent_) followParent();
}

void X11EditorWindow::followParent() {
    followingParent_ = true;
    // The selection is this connection's own: the host's selections on its window stay.
    if (alive() && parent_ != 0) XSelectInput(display_, parent_, StructureNotifyMask);
}

void X11EditorWindow::flush() {
    if (!connection_.broken()) XFlush(display_);
}

std::vector<WindowEvent> X11EditorWindow::takeEvents() {
    std::vector<WindowEvent> events;
    while (!connection_.broken() && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (const std::optional<WindowEvent> translated = translate(event)) {
            // Of motions in a row only the last counts.
            if (translated->kind == WindowEvent::Kind::Motion && !events.empty() &&
                events.back().kind == WindowEvent::Kind::Motion) {
                events.back() = *translated;
            } else {
                events.push_back(*translated);
            }
        }
    }
    return events;
}

std::optional<WindowEvent> X11EditorWindow::translate(const XEvent& event) {
    using Kind = WindowEvent::Kind;
    switch (event.type) {
        case ButtonPress: {
            const XButtonEvent& button = event.xbutton;
            if (button.window != window_) return std::nullopt;
            if (button.button == Button1) {
                // The keys go where the user clicked.
                XSetInputFocus(display_, window_, RevertToParent, button.time);
                return WindowEvent{Kind::Press, static_cast<double>(button.x), static_cast<double>(button.y),
                                   static_cast<std::uint32_t>(button.time)};
            }
            if (button.button == kWheelUp || button.button == kWheelDown) {
                WindowEvent wheel{Kind::Wheel, static_cast<double>(button.x), static_cast<double>(button.y)};
                wheel.notches = button.button == kWheelUp ? 1 : -1;
                return wheel;
            }
            return std::nullopt;
        }
        case ButtonRelease:
            if (event.xbutton.button != Button1) return std::nullopt;
            return WindowEvent{Kind::Release, static_cast<double>(event.xbutton.x), static_cast<double>(event.xbutton.y)};
        case MotionNotify:
            return WindowEvent{Kind::Motion, static_cast<double>(event.xmotion.x), static_cast<double>(event.xmotion.y)};
        case KeyPress: {
            XKeyEvent key = event.xkey;
            const std::optional<EditorKey> editorKeyPressed = editorKey(XLookupKeysym(&key, 0), key.state);
            if (!editorKeyPressed) return std::nullopt;
            WindowEvent pressed{Kind::Key};
            pressed.key = *editorKeyPressed;
            return pressed;
        }
        case ConfigureNotify:
            if (followingParent_ && parent_ != 0 && event.xconfigure.window == parent_) {
                WindowEvent parentResized{Kind::ParentResized};
                parentResized.width = event.xconfigure.width;
                parentResized.height = event.xconfigure.height;
                return parentResized;
            }
            if (event.xconfigure.window != window_) return std::nullopt;
            if (event.xconfigure.width == width_ && event.xconfigure.height == height_) return std::nullopt;
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            {
                WindowEvent resized{Kind::Resized};
                resized.width = width_;
                resized.height = height_;
                return resized;
            }
        case Expose: {
            const XExposeEvent& expose = event.xexpose;
            WindowEvent exposed{Kind::Exposed, static_cast<double>(expose.x), static_cast<double>(expose.y)};
            exposed.width = expose.width;
            exposed.height = expose.height;
            return exposed;
        }
        case DestroyNotify:
            if (event.xdestroywindow.window != window_) return std::nullopt;
            destroyed_ = true;
            return WindowEvent{Kind::Destroyed};
        default: return std::nullopt;
    }
}

void X11EditorWindow::put(const RenderedImage& image, int x, int y, int width, int height) {
    if (!alive() || image.data == nullptr) return;
    // The rectangle, within both the picture and the window.
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min({x + width, image.width, width_}), bottom = std::min({y + height, image.height, height_});
    if (right <= left || bottom <= top) return;

    XImage* ximage = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                                  static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), 32, 0);
    if (ximage == nullptr) return;
    const bool cairoLayout = ximage->bits_per_pixel == 32 && visual_->red_mask == 0xFF0000u &&
                             visual_->green_mask == 0x00FF00u && visual_->blue_mask == 0x0000FFu;
    if (cairoLayout) {
        // cairo's words are the pixels themselves, in this machine's byte order.
        ximage->data = reinterpret_cast<char*>(image.data);
        ximage->bytes_per_line = image.stride;
        ximage->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    } else {
        // Another layout: each pixel of the rectangle made from its channels.
        converted_.assign(static_cast<std::size_t>(ximage->bytes_per_line) * image.height / 4 + 1, 0u);
        ximage->data = reinterpret_cast<char*>(converted_.data());
        for (int row = top; row < bottom; ++row) {
            for (int column = left; column < right; ++column) {
                std::uint32_t argb;
                std::memcpy(&argb, image.data + static_cast<std::ptrdiff_t>(row) * image.stride + 4 * column, 4);
                XPutPixel(ximage, column, row, pixelOf(argb, *visual_));
            }
        }
    }
    XPutImage(display_, window_, gc_, ximage, left, top, left, top, static_cast<unsigned>(right - left),
              static_cast<unsigned>(bottom - top));
    ximage->data = nullptr;  // the pixels are not Xlib's to free
    XDestroyImage(ximage);
}
