// SPDX-License-Identifier: MIT
#include "editor/x11_connection.h"

// The per-display error hook is declared with Xlib's extension interface.
#include <X11/Xlibint.h>

namespace {

// Every protocol error of this connection is handled here, quietly: the requests that can fail
// (on a window the host destroyed, or a focus the window cannot take) have nothing to undo,
// and the editor learns of a lost window from its events.
int swallowError(Display*, xError*, XExtCodes*, int* returnCode) {
    *returnCode = 0;
    return 1;  // handled: Xlib calls no other handler
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) return nullptr;
    std::unique_ptr<X11Connection> connection(new X11Connection(display));
    // An extension number of this connection's own, whose error hook Xlib asks first about
    // every error of the connection.
    XExtCodes* codes = XAddExtension(display);
    if (codes == nullptr) return nullptr;
    XESetError(display, codes->extension, swallowError);
    XSetIOErrorExitHandler(
        display, [](Display*, void* self) { static_cast<X11Connection*>(self)->broken_ = true; },
        connection.get());
    return connection;
}

X11Connection::X11Connection(Display* display) : display_(display) {}

X11Connection::~X11Connection() {
    // A lost connection is closed as well: Xlib then frees what it holds without a request.
    XCloseDisplay(display_);
}
