// SPDX-License-Identifier: MIT
// A fixed rendering session through the CLAP plug-in, the same on every platform: the render
// program's input signal in host blocks of varying size, parameter events at sample offsets
// inside them (some beyond 0 to 1, which the plug-in holds at the ends), changes flushed
// while inactive and while active, a reset, a state saved and loaded back while active, and
// a deactivation and activation at another rate. The output is the raw floats of both
// channels of every block, so renders of the same source built for different platforms can
// be compared bit for bit.
#pragma once

#include <string>
#include <vector>

// Empty if the module could not be loaded or gave no plug-in.
std::vector<float> renderClapSession(const std::string& modulePath);
