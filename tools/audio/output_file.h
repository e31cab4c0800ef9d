// SPDX-License-Identifier: MIT
// Where an output (audio, plot, CSV) is written, decided by what the name is:
//   "-"                       standard output, written directly;
//   a regular file or a new name
//                             a temporary file in the directory of the real target (symbolic
//                             links followed), renamed over it only when complete, with the old
//                             file's mode (and owner, where allowed); a failure or an interruption
//                             leaves the target as it was;
//   a device, pipe or socket  opened and written directly (so "/dev/null" discards).
// A file the user may not write, a directory, or (with noClobber) an existing file is refused
// before anything is made.
#pragma once

#include <filesystem>
#include <string>

class OutputFile {
public:
    // Throws ToolError with one clear line.
    OutputFile(const std::string& name, bool noClobber);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The name as given, for messages.
    const std::string& name() const { return name_; }
    bool isStandardOutput() const { return name_ == "-"; }
    // Written directly (standard output, a device or a pipe) rather than through a temporary
    // file; such an output may not allow seeking.
    bool isDirect() const { return temporary_.empty(); }
    // The extension that names the format: that of the real target (after symbolic links).
    std::string extension() const;

    // The open descriptor, owned by this object until releaseDescriptor hands it over.
    int descriptor() const { return descriptor_; }
    int releaseDescriptor();

    // Closes the descriptor (if still ours) and puts the file in place. Throws ToolError.
    void commit();

private:
    void createTemporaryBeside(const std::filesystem::path& target, bool replacing);

    std::string name_;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    bool noClobber_;
    int descriptor_ = -1;
    int ticket_ = -1;
    bool committed_ = false;
};

// The checks the constructor makes, without making or opening anything: for telling before
// long work that an output will be refused. Throws ToolError as the constructor does.
void checkOutputAllowed(const std::string& name, bool noClobber);

// Follows symbolic links, each relative to the directory of the link, to the path that is
// not a link (which need not exist). Throws ToolError on a loop.
std::filesystem::path followSymbolicLinks(const std::filesystem::path& path);
