// An output file that appears only when complete: everything is written to a temporary
// file beside the destination, which is renamed over it on commit. If the work fails (or
// the object is destroyed without commit), the temporary file is removed and whatever was at
// the destination before is untouched.
#pragma once

#include <filesystem>

class TemporaryOutput {
public:
    // Creates the temporary file (mode 0644 before umask). Throws ToolError when the
    // destination's directory does not exist or cannot be written, or the destination is a
    // directory.
    explicit TemporaryOutput(const std::filesystem::path& destination);
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    const std::filesystem::path& temporaryPath() const { return temporary_; }
    const std::filesystem::path& destination() const { return destination_; }
    // An open descriptor of the temporary file; the caller may take it over (see releaseDescriptor).
    int descriptor() const { return descriptor_; }
    int releaseDescriptor();

    // Renames the temporary file to the destination. Throws ToolError if that fails.
    void commit();

private:
    std::filesystem::path destination_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    bool committed_ = false;
};
