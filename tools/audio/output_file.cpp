// SPDX-License-Identifier: MIT
#include "tools/audio/output_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "tools/commands/interrupt_cleanup.h"
#include "tools/tool_error.h"

namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr int kMostLinksFollowed = 40;

std::string reason() { return std::strerror(errno); }

}  // namespace

std::filesystem::path followSymbolicLinks(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) return current;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) return current;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    throw ToolError("cannot write output " + path.string() + ": too many levels of symbolic links");
}

void checkOutputAllowed(const std::string& name, bool noClobber) {
    if (name.empty()) throw ToolError("no output file given");
    if (name == "-") return;
    const std::filesystem::path target = followSymbolicLinks(name);
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) throw ToolError("cannot write output " + name + ": it is a directory");
        if (!S_ISREG(status.st_mode)) return;
        if (noClobber) throw ToolError("output " + name + " already exists; not overwritten (--no-clobber)");
        if (::access(target.c_str(), W_OK) != 0) throw ToolError("cannot write output " + name + ": " + reason());
    } else if (errno != ENOENT) {
        throw ToolError("cannot write output " + name + ": " + reason());
    }
    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) {
        throw ToolError("cannot write output " + name + ": directory " + directory.string() + " does not exist");
    }
    if (::access(directory.c_str(), W_OK | X_OK) != 0) {
        throw ToolError("cannot write output " + name + ": cannot make a file in " + directory.string() + ": " +
                        reason());
    }
}

OutputFile::OutputFile(const std::string& name, bool noClobber) : name_(name), noClobber_(noClobber) {
    if (name.empty()) throw ToolError("no output file given");
    if (isStandardOutput()) {
        descriptor_ = ::dup(STDOUT_FILENO);
        if (descriptor_ < 0) throw ToolError("cannot write to standard output: " + reason());
        return;
    }
    target_ = followSymbolicLinks(name);
    struct stat status {};
    if (::stat(target_.c_str(), &status) != 0) {
        if (errno != ENOENT) throw ToolError("cannot write output " + name + ": " + reason());
        createTemporaryBeside(target_, false);
        return;
    }
    if (S_ISDIR(status.st_mode)) throw ToolError("cannot write output " + name + ": it is a directory");
    if (S_ISREG(status.st_mode)) {
        if (noClobber) throw ToolError("output " + name + " already exists; not overwritten (--no-clobber)");
        if (::access(target_.c_str(), W_OK) != 0) throw ToolError("cannot write output " + name + ": " + reason());
        createTemporaryBeside(target_, true);
        // The new file takes the old one's place with its mode and, where allowed, its owner.
        ::fchmod(descriptor_, status.st_mode & 07777);
        if (::fchown(descriptor_, status.st_uid, status.st_gid) != 0) {
            // Not allowed for another's file: the new one is the user's, as after any rewrite.
        }
        return;
    }
    // A device, a pipe or a socket: written into, never replaced.
    descriptor_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor_ < 0) throw ToolError("cannot write output " + name + ": " + reason());
}

void OutputFile::createTemporaryBeside(const std::filesystem::path& target, bool replacing) {
    const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) {
        throw ToolError("cannot write output " + name_ + ": directory " + directory.string() + " does not exist");
    }
    const std::string pattern = (directory / ("." + target.filename().string() + ".partial-XXXXXX")).string();
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    const InterruptsHeld held;
    descriptor_ = ::mkostemp(path.data(), O_CLOEXEC);
    if (descriptor_ < 0) {
        throw ToolError("cannot write output " + name_ + ": cannot make a file in " + directory.string() + ": " +
                        reason());
    }
    temporary_ = path.data();
    ticket_ = rememberPartialFile(temporary_.string());
    if (!replacing) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(descriptor_, kNewFileMode & ~mask);
    }
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
        forgetPartialFile(ticket_);
    }
}

std::string OutputFile::extension() const {
    std::string extension = isStandardOutput() ? "" : target_.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

int OutputFile::releaseDescriptor() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

void OutputFile::commit() {
    if (descriptor_ >= 0) {
        const int result = ::close(descriptor_);
        descriptor_ = -1;
        if (result != 0) throw ToolError("cannot write output " + name_ + ": " + reason());
    }
    if (!temporary_.empty()) {
        // Without clobbering, a file made at the target meanwhile is not replaced either.
        const unsigned flags = noClobber_ ? RENAME_NOREPLACE : 0;
        if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), flags) != 0) {
            throw ToolError("cannot write output " + name_ + ": " +
                            (errno == EEXIST ? std::string("it appeared meanwhile; not overwritten (--no-clobber)")
                                             : reason()));
        }
        forgetPartialFile(ticket_);
    }
    committed_ = true;
}
