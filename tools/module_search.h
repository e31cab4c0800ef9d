// Where the tool finds the plug-in module when --plugin is not given: BRAMSOLIKET.so in the
// directory of the tool's own executable, else in that directory's parent.
#pragma once

#include <filesystem>

inline constexpr const char* kDefaultModuleName = "BRAMSOLIKET.so";

std::filesystem::path defaultModulePath();
