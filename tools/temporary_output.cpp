#include "tools/temporary_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/tool_error.h"

namespace {

constexpr mode_t kOutputMode = 0644;

std::string reason() { return std::strerror(errno); }

}  // namespace

TemporaryOutput::TemporaryOutput(const std::filesystem::path& destination) : destination_(destination) {
    const std::string shown = destination.string();
    if (destination.empty()) throw ToolError("no output file given");
    std::error_code error;
    if (std::filesystem::is_directory(destination, error)) {
        throw ToolError("cannot write output " + shown + ": it is a directory");
    }
    const std::filesystem::path directory = destination.has_parent_path() ? destination.parent_path() : ".";
    if (!std::filesystem::is_directory(directory, error)) {
        throw ToolError("cannot write output " + shown + ": directory " + directory.string() + " does not exist");
    }
    std::string pattern = (directory / ("." + destination.filename().string() + ".partial-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = ::mkstemp(name.data());
    if (descriptor_ < 0) throw ToolError("cannot write output " + shown + ": " + reason());
    temporary_ = name.data();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor_, kOutputMode & ~mask);
}

TemporaryOutput::~TemporaryOutput() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (!committed_) ::unlink(temporary_.c_str());
}

int TemporaryOutput::releaseDescriptor() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void TemporaryOutput::commit() {
    if (descriptor_ >= 0) {
        const int result = ::close(descriptor_);
        descriptor_ = -1;
        if (result != 0) throw ToolError("cannot write output " + destination_.string() + ": " + reason());
    }
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        throw ToolError("cannot write output " + destination_.string() + ": " + reason());
    }
    committed_ = true;
}
