// SPDX-License-Identifier: MIT
#include "tools/hosting/module_search.h"

#include <system_error>

std::vector<std::filesystem::path> defaultModuleCandidates(const std::filesystem::path& toolDirectory) {
    const std::filesystem::path prefix = toolDirectory.parent_path();
    return {toolDirectory / kDefaultModuleName, prefix / kDefaultModuleName,
            prefix / "lib" / "vst" / kDefaultModuleName};
}

std::filesystem::path defaultModulePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return kDefaultModuleName;
    const std::vector<std::filesystem::path> candidates = defaultModuleCandidates(executable.parent_path());
    for (const std::filesystem::path& candidate : candidates) {
        if (std::filesystem::exists(candidate, error)) return candidate;
    }
    // Not found: report the first place looked in.
    return candidates.front();
}
