// SPDX-License-Identifier: MIT
// Where the tool finds the plug-in module when --plugin is not given: BRAMSOLIKET.so beside
// the tool's own executable (a build folder), in that directory's parent, or where an
// installation puts it: PREFIX/lib/vst/BRAMSOLIKET.so for a tool in PREFIX/bin.
#pragma once

#include <filesystem>
#include <vector>

inline constexpr const char* kDefaultModuleName = "BRAMSOLIKET.so";

std::filesystem::path defaultModulePath();
// The places looked in, in order, for a tool whose executable lies in `toolDirectory`.
std::vector<std::filesystem::path> defaultModuleCandidates(const std::filesystem::path& toolDirectory);
