// SPDX-License-Identifier: MIT
// Runs the built bramsoliket-host as a user would, capturing its exit status, standard
// output and standard error, and makes the scratch files the tests feed it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace host_tool_test {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::vector<std::string>& arguments);

// How a run differs from the plain one: a command that runs the tool (for example one that
// changes the user), a working directory other than the test's, and a copy of the tool to run
// instead of the built one.
struct RunSetting {
    std::vector<std::string> prefix;
    std::filesystem::path workingDirectory;
    std::filesystem::path tool;
};
ToolRun runTool(const std::vector<std::string>& arguments, const RunSetting& setting);
// With these environment variables ("LV2_PATH=...") set, or put in place of those of the same
// name.
ToolRun runToolWithEnvironment(const std::vector<std::string>& arguments, const std::vector<std::string>& environment);

// The tool started in the background, for tests that act on it while it runs.
class RunningTool {
public:
    explicit RunningTool(const std::vector<std::string>& arguments);
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;
    void sendSignal(int signal) const;
    // Waits for the end; the status is 128 + the signal's number when a signal ended it.
    ToolRun wait();

private:
    int pid_ = -1;
    std::string outPath_, errPath_;
};

// A fresh directory under the system's temporary directory, removed with the object.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Names of the files in the directory, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

void writeText(const std::filesystem::path& path, const std::string& text);
std::string readText(const std::filesystem::path& path);

// A 32-bit float WAV file; `channels` interleaved.
void writeWav(const std::filesystem::path& path, const std::vector<float>& interleaved, int channels, int rate);
// Reads every frame; returns the channels separately.
std::vector<std::vector<float>> readAudio(const std::filesystem::path& path, int* rate = nullptr);

// A deterministic test input: impulses, a noise burst from a fixed seed and a few tones of
// different loudness, so the filter sees transients, steady states and its limiters.
std::vector<float> makeProgramMaterial(int frames, unsigned seed);

}  // namespace host_tool_test
