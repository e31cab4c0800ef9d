// SPDX-License-Identifier: MIT
#include "tool_runner.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include <sndfile.h>

extern char** environ;

namespace host_tool_test {

namespace {

std::filesystem::path freshCapturePath() {
    static int serial = 0;
    return std::filesystem::temp_directory_path() /
           ("host-tool-run-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
}

// Starts the tool with standard input from /dev/null and standard output and error into
// the two files; returns the child's process id.
// The test's environment, with `environment`'s variables in place of those of the same name.
std::vector<std::string> environmentWith(const std::vector<std::string>& environment) {
    std::vector<std::string> variables = environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        const std::size_t equals = entry.find('=');
        const std::string name = equals == std::string::npos ? entry : entry.substr(0, equals + 1);
        bool replaced = false;
        for (const std::string& set : environment) replaced = replaced || set.rfind(name, 0) == 0;
        if (!replaced) variables.push_back(entry);
    }
    return variables;
}

pid_t spawnTool(const std::vector<std::string>& arguments, const RunSetting& setting, const std::string& outPath,
                const std::string& errPath, const std::vector<std::string>& environment = {}) {
    std::vector<std::string> all = setting.prefix;
    all.push_back(setting.tool.empty() ? std::string(BRAMSOLIKET_HOST_TOOL_PATH) : setting.tool.string());
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!setting.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, setting.workingDirectory.c_str());
    }
    std::vector<std::string> variables = environmentWith(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + all[0]);
    return child;
}

ToolRun collect(pid_t child, const std::string& outPath, const std::string& errPath) {
    int status = 0;
    ::waitpid(child, &status, 0);
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readText(outPath), readText(errPath)};
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

}  // namespace

ToolRun runTool(const std::vector<std::string>& arguments) { return runTool(arguments, RunSetting{}); }

ToolRun runTool(const std::vector<std::string>& arguments, const RunSetting& setting) {
    const std::filesystem::path base = freshCapturePath();
    const std::string outPath = base.string() + ".out";
    const std::string errPath = base.string() + ".err";
    return collect(spawnTool(arguments, setting, outPath, errPath), outPath, errPath);
}

ToolRun runToolWithEnvironment(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    const std::filesystem::path base = freshCapturePath();
    const std::string outPath = base.string() + ".out";
    const std::string errPath = base.string() + ".err";
    return collect(spawnTool(arguments, RunSetting{}, outPath, errPath, environment), outPath, errPath);
}

RunningTool::RunningTool(const std::vector<std::string>& arguments) {
    const std::filesystem::path base = freshCapturePath();
    outPath_ = base.string() + ".out";
    errPath_ = base.string() + ".err";
    pid_ = spawnTool(arguments, RunSetting{}, outPath_, errPath_);
}

RunningTool::~RunningTool() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        collect(pid_, outPath_, errPath_);
    }
}

void RunningTool::sendSignal(int signal) const { ::kill(pid_, signal); }

ToolRun RunningTool::wait() {
    const ToolRun run = collect(pid_, outPath_, errPath_);
    pid_ = -1;
    return run;
}

ScratchDirectory::ScratchDirectory() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("host-tool-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDirectory::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeWav(const std::filesystem::path& path, const std::vector<float>& interleaved, int channels, int rate) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) throw std::runtime_error("cannot write " + path.string());
    sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()) / channels);
    sf_close(file);
}

std::vector<std::vector<float>> readAudio(const std::filesystem::path& path, int* rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw std::runtime_error("cannot read " + path.string());
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    if (rate != nullptr) *rate = info.samplerate;
    std::vector<std::vector<float>> channels(static_cast<std::size_t>(info.channels));
    for (sf_count_t i = 0; i < info.frames; ++i) {
        for (int c = 0; c < info.channels; ++c) channels[c].push_back(interleaved[i * info.channels + c]);
    }
    return channels;
}

std::vector<float> makeProgramMaterial(int frames, unsigned seed) {
    std::vector<float> samples(static_cast<std::size_t>(frames));
    std::uint32_t state = seed;
    for (int i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = (state >> 8) / 16777216.0 - 0.5;
        const double t = i / 44100.0;
        double x = 0.0;
        if (i % 5000 == 0) x = 0.9;
        else if ((i / 3000) % 3 == 0) x = noise;
        else x = ((i / 3000) % 3 == 1 ? 0.3 : 1.5) * std::sin(2 * std::numbers::pi * (110.0 + 40.0 * (i / 3000)) * t);
        samples[static_cast<std::size_t>(i)] = static_cast<float>(x);
    }
    return samples;
}

}  // namespace host_tool_test
