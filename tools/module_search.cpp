#include "tools/module_search.h"

#include <system_error>

std::filesystem::path defaultModulePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return kDefaultModuleName;
    const std::filesystem::path directory = executable.parent_path();
    for (const std::filesystem::path& candidate :
         {directory / kDefaultModuleName, directory.parent_path() / kDefaultModuleName}) {
        if (std::filesystem::exists(candidate, error)) return candidate;
    }
    // Not found: report the first place looked in.
    return directory / kDefaultModuleName;
}
