// SPDX-License-Identifier: MIT
// Where the rendered file goes: a regular file (or a new one) is replaced in one step from a
// temporary file beside the real target, keeping its mode; a symbolic link is followed;
// devices, pipes and standard output are written into; a file the user may not write is
// refused; --no-clobber leaves an existing file alone; -n discards.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

const std::string kProbe = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/probe_module.so";

class OutputTarget : public ::testing::Test {
protected:
    void SetUp() override { writeWav(scratch / "in.wav", std::vector<float>(1000, 0.25f), 1, 44100); }
    std::vector<std::string> render(const std::string& output, std::vector<std::string> extra = {}) const {
        std::vector<std::string> arguments = {"render", "-i", (scratch / "in.wav").string(), "-o", output,
                                              "--plugin", kProbe};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }
    static bool hasPartialFile(const ScratchDirectory& directory) {
        const std::vector<std::string> names = directory.entries();
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return name.find(".partial-") != std::string::npos; });
    }
    ScratchDirectory scratch;
};

// A node with the numbers of /dev/null, made here so that a fault replaces only our copy.
TEST_F(OutputTarget, CharacterDeviceIsWrittenIntoAndStaysADevice) {
    const std::filesystem::path device = scratch / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device node here (needs root and a file system that allows devices)";
    }
    const ToolRun run = runTool(render(device.string()));
    ASSERT_EQ(run.status, 0) << run.err;
    struct stat status {};
    ASSERT_EQ(::lstat(device.c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode)) << "the device node was replaced";
    EXPECT_FALSE(hasPartialFile(scratch));
}

// A node with the numbers of /dev/full, where every write fails for want of space: the error
// gives the system's reason.
TEST_F(OutputTarget, WriteFailureGivesItsReason) {
    const std::filesystem::path device = scratch / "full";
    if (::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
        GTEST_SKIP() << "cannot make a device node here (needs root and a file system that allows devices)";
    }
    const ToolRun run = runTool({"render", "--plugin", kProbe, "-o", device.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("bramsoliket-host: error: cannot write output " + device.string() + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST_F(OutputTarget, NamedPipeIsWrittenInto) {
    const std::filesystem::path pipe = scratch / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    // Our end is open before the tool starts, so its open succeeds at once; the few kilobytes
    // it writes fit in the pipe's buffer.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const ToolRun run = runTool(render(pipe.string(), {"--format", "au"}));
    std::string received(1 << 16, '\0');
    const ssize_t got = ::read(reader, received.data(), received.size());
    ::close(reader);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_GT(got, 4);
    EXPECT_EQ(received.substr(0, 4), ".snd");
    struct stat status {};
    ASSERT_EQ(::lstat(pipe.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(OutputTarget, SymbolicLinkIsFollowedToItsTarget) {
    std::filesystem::create_directory(scratch / "elsewhere");
    writeText(scratch / "elsewhere" / "take.wav", "the old take");
    std::filesystem::create_symlink("elsewhere/take.wav", scratch / "link.wav");
    // A link to a file that does not exist yet makes that file.
    std::filesystem::create_symlink("elsewhere/new.wav", scratch / "dangling.wav");

    for (const char* name : {"link.wav", "dangling.wav"}) {
        SCOPED_TRACE(name);
        const ToolRun run = runTool(render((scratch / name).string()));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(std::filesystem::is_symlink(scratch / name));
    }
    EXPECT_EQ(readAudio(scratch / "elsewhere" / "take.wav")[0].size(), 1000u);
    EXPECT_EQ(readAudio(scratch / "elsewhere" / "new.wav")[0].size(), 1000u);
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"dangling.wav", "elsewhere", "in.wav", "link.wav"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch / "elsewhere"), {}), 2);
}

TEST_F(OutputTarget, ReplacedFileKeepsItsMode) {
    writeText(scratch / "out.wav", "old");
    std::filesystem::permissions(scratch / "out.wav", std::filesystem::perms(0640));
    const ToolRun run = runTool(render((scratch / "out.wav").string()));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::filesystem::status(scratch / "out.wav").permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(readAudio(scratch / "out.wav")[0].size(), 1000u);
}

// Run as the unprivileged user "nobody", to whom file modes apply.
TEST_F(OutputTarget, ReadOnlyFileIsRefusedForAnUnprivilegedUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the tool as another user";
    if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv (util-linux) is not installed";
    // Copies of the tool and the probe where nobody can reach them, wherever the build is.
    std::filesystem::permissions(scratch.path(), std::filesystem::perms(0777));
    std::filesystem::copy_file(BRAMSOLIKET_HOST_TOOL_PATH, scratch / "bramsoliket-host");
    std::filesystem::copy_file(kProbe, scratch / "probe_module.so");
    const std::string probe = (scratch / "probe_module.so").string();
    const RunSetting asNobody{
        {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"}, {}, scratch / "bramsoliket-host"};
    const ToolRun canRun = runTool({"info", "--plugin", probe}, asNobody);
    if (canRun.status != 0) {
        GTEST_SKIP() << "the user nobody cannot run the tool and its test module here: " << canRun.err;
    }
    // nobody may write into the directory, which holds nobody's read-only output and an input.
    writeText(scratch / "out.wav", "read-only take");
    const struct passwd* nobody = ::getpwnam("nobody");
    const struct group* nogroup = ::getgrnam("nogroup");
    if (nobody == nullptr || nogroup == nullptr) GTEST_SKIP() << "no user nobody or group nogroup";
    ASSERT_EQ(::chown((scratch / "out.wav").c_str(), nobody->pw_uid, nogroup->gr_gid), 0);
    std::filesystem::permissions(scratch / "out.wav", std::filesystem::perms(0444));

    std::vector<std::string> arguments = render((scratch / "out.wav").string());
    arguments[6] = probe;
    const ToolRun run = runTool(arguments, asNobody);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("bramsoliket-host: error: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Permission denied"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(readText(scratch / "out.wav"), "read-only take");
    EXPECT_EQ(std::filesystem::status(scratch / "out.wav").permissions(), std::filesystem::perms(0444));
    EXPECT_FALSE(hasPartialFile(scratch));

    // Such a user cannot replace /dev/null, but may write into it: the output is discarded.
    arguments[4] = "/dev/null";
    const ToolRun discarded = runTool(arguments, asNobody);
    EXPECT_EQ(discarded.status, 0) << discarded.err;
}

TEST_F(OutputTarget, DashIsStandardOutputAndMessagesMoveToStandardError) {
    const ToolRun run = runTool(render("-"), RunSetting{{}, scratch.path(), {}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 4), "RIFF");
    EXPECT_NE(run.err.find("rendered 1000 samples"), std::string::npos) << run.err;
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"in.wav"}) << "no file named \"-\"";
}

TEST_F(OutputTarget, NullDiscardsButStillRendersAndReports) {
    for (const std::vector<std::string>& discard : {std::vector<std::string>{"-n"}, {"--null"}}) {
        std::vector<std::string> arguments = {"render", "-i", (scratch / "in.wav").string(), "--plugin", kProbe};
        arguments.insert(arguments.end(), discard.begin(), discard.end());
        const ToolRun run = runTool(arguments, RunSetting{{}, scratch.path(), {}});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("rendered 1000 samples"), std::string::npos) << run.out;
        EXPECT_EQ(scratch.entries(), std::vector<std::string>{"in.wav"});
    }
}

TEST_F(OutputTarget, NoClobberLeavesAnExistingFileAlone) {
    writeText(scratch / "out.wav", "keep me");
    const ToolRun refused = runTool(render((scratch / "out.wav").string(), {"--no-clobber"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(readText(scratch / "out.wav"), "keep me");
    // A new file is written as usual, and overwriting stays the default.
    ASSERT_EQ(runTool(render((scratch / "new.wav").string(), {"--no-clobber"})).status, 0);
    ASSERT_EQ(runTool(render((scratch / "out.wav").string())).status, 0);
    EXPECT_EQ(readAudio(scratch / "out.wav")[0].size(), 1000u);
}

}  // namespace
}  // namespace host_tool_test
