// SPDX-License-Identifier: MIT
// Ctrl-C, SIGTERM and SIGHUP end the tool at once, but never leave a half-made output behind:
// the handler removes every partial file still registered, says "interrupted" on standard
// error and exits with 128 + the signal's number (130, 143, 129).
#pragma once

#include <csignal>
#include <string>

// Signals that are ignored when the tool starts (as under nohup, or for a background job of
// a script) stay ignored.
void installInterruptHandlers();

// A temporary file to remove if the tool is interrupted; returns a ticket for forgetting it.
// Paths are kept in a fixed pool that the signal handler can read at any moment, so a run
// registers a few dozen files at most; beyond that, files are not removed on interruption.
int rememberPartialFile(const std::string& path);
// After the file was renamed into place or removed. A ticket below zero is ignored.
void forgetPartialFile(int ticket);

// Holds SIGINT, SIGTERM and SIGHUP back on the calling thread while it lives, so that making a
// partial file and registering it happen as one step: a signal that arrives in between is
// handled once the file is registered, and so removed.
class InterruptsHeld {
public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    sigset_t previous_;
};
