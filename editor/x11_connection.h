// SPDX-License-Identifier: MIT
// A connection of the editor's own to the X server, separate from the host's, so that
// nothing the editor does reaches the host's connection or its event queue.
//
// Errors on this connection never reach the process-wide handlers: the protocol errors its
// requests cause (a parent window the host has destroyed, say) are swallowed by a hook of this
// connection alone (Xlib's per-display extension error hook), and a lost connection marks it
// broken through this connection's own exit handler, after which the editor makes no request
// on it. Neither changes Xlib's global error handlers, so two editors, or the host, never see
// each other's. (What the host's own global handler does when a connection is lost is the
// host's affair: the default one ends the process, as it does for the host's connection.)
#pragma once

#include <X11/Xlib.h>

#include <memory>

class X11Connection {
public:
    // Opens a connection to `displayName` (null: the DISPLAY variable's); null when there is
    // no server to connect to.
    static std::unique_ptr<X11Connection> open(const char* displayName);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    Display* display() const { return display_; }
    // The connection's file descriptor, readable when the server has sent something.
    int fd() const { return ConnectionNumber(display_); }
    // True once the connection is lost: no request may be made on it any more.
    bool broken() const { return broken_; }

private:
    explicit X11Connection(Display* display);

    Display* display_;
    bool broken_ = false;
};
