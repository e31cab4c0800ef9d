// SPDX-License-Identifier: MIT
// The command line itself: a usage error is one line with the tool's prefix and exit status
// 2 (failures are 1); --version and `help` answer; the help shows what each option takes,
// an example per command and the exit codes; and the smaller options (-q, --rate's range,
// --meter) behave.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

const std::string kProbe = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/probe_module.so";

struct UsageError {
    const char* name;
    std::vector<std::string> arguments;
    const char* expectedMessage;
};

void PrintTo(const UsageError& usage, std::ostream* out) { *out << usage.name; }

class UsageErrors : public ::testing::TestWithParam<UsageError> {};

TEST_P(UsageErrors, OnePrefixedLineAndExitTwo) {
    const ToolRun run = runTool(GetParam().arguments);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.err.rfind("bramsoliket-host: error: ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().expectedMessage), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    HostTool, UsageErrors,
    ::testing::Values(UsageError{"NoCommand", {}, "a command is required"},
                      UsageError{"UnknownCommand", {"foo"}, "unknown command \"foo\""},
                      UsageError{"UnknownOption", {"render", "--foo"}, "--foo"},
                      UsageError{"MissingOutput", {"render"}, "render needs an output"},
                      UsageError{"UnknownOptionBeforeMissingOutput", {"response", "--foo"}, "--foo"},
                      UsageError{"MissingPlot", {"response"}, "response needs an output"},
                      UsageError{"OptionWithoutValue", {"render", "-n", "--block"}, "--block"},
                      UsageError{"NumberExpected", {"render", "-n", "--block", "many"}, "many"},
                      UsageError{"StrayArgument", {"info", "extra"}, "extra"},
                      UsageError{"HelpForUnknownCommand", {"help", "foo"}, "unknown command \"foo\""}),
    [](const ::testing::TestParamInfo<UsageError>& info) { return std::string(info.param.name); });

TEST(HostToolCommandLine, VersionAndHelpAnswer) {
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "bramsoliket-host 1.2.0\n");

    const ToolRun help = runTool({"help"});
    EXPECT_EQ(help.status, 0) << help.err;
    for (const char* command : {"info", "render", "response"}) EXPECT_NE(help.out.find(command), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos) << help.out;

    // `help render` and `render --help` show the same page: what each option takes, an
    // example and the exit codes.
    const ToolRun renderHelp = runTool({"help", "render"});
    EXPECT_EQ(renderHelp.status, 0);
    EXPECT_EQ(renderHelp.out, runTool({"render", "--help"}).out);
    for (const char* text : {"-i,--input FILE", "-o,--output FILE", "--set NAME=VALUE", "Example",
                             "bramsoliket-host render -i", "Exit status"}) {
        EXPECT_NE(renderHelp.out.find(text), std::string::npos) << text << "\n" << renderHelp.out;
    }
    for (const char* command : {"info", "response"}) {
        const ToolRun page = runTool({"help", command});
        EXPECT_NE(page.out.find(std::string("Example")), std::string::npos) << page.out;
    }
}

// As the help shows it, one --set may be followed by several assignments.
TEST(HostToolCommandLine, OneSetTakesSeveralAssignments) {
    const ToolRun run = runTool({"info", "--json", "--plugin", BRAMSOLIKET_MODULE_PATH, "--set", "Freq=0.3", "Res=0.8"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"value\": 0.800000011920929"), std::string::npos) << run.out;
}

TEST(HostToolCommandLine, RateOutOfRangeNamesTheRange) {
    const ToolRun run = runTool({"render", "-n", "--rate", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("sample rate 0 Hz is out of range (1 to 10000000 Hz)"), std::string::npos) << run.err;
}

TEST(HostToolCommandLine, QuietPrintsNothingButErrors) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"render", "-q", "--plugin", kProbe, "-o", (scratch / "out.wav").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const ToolRun plot = runTool({"response", "--quiet", "-o", (scratch / "plot.svg").string()});
    ASSERT_EQ(plot.status, 0) << plot.err;
    EXPECT_EQ(plot.out, "");
}

// Meter lines keep their columns whatever the numbers' widths.
TEST(HostToolCommandLine, MeterColumnsLineUp) {
    const ToolRun run = runTool({"render", "-n", "--plugin", kProbe, "--block", "7000", "--meter"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::vector<std::size_t> lengths, bars;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("meter", 0) != 0) continue;
        lengths.push_back(line.size());
        bars.push_back(line.find('|'));
    }
    ASSERT_GT(lengths.size(), 20u);
    EXPECT_EQ(std::count(lengths.begin(), lengths.end(), lengths.front()), static_cast<long>(lengths.size()));
    EXPECT_EQ(std::count(bars.begin(), bars.end(), bars.front()), static_cast<long>(bars.size()));
}

TEST(HostToolCommandLine, MeterOfAPluginWithoutOneIsReportedOnce) {
    const char* module = "/usr/lib/vst/MaBitcrush-vst.so";
    if (!std::filesystem::exists(module)) GTEST_SKIP() << module << " is not installed (Debian package dpf-plugins-vst)";
    const ToolRun run = runTool({"render", "-n", "--plugin", module, "--meter"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("-inf"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("meter "), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("warning: the plug-in has no meter"), std::string::npos) << run.err;
}

TEST(HostToolCommandLine, InputCutShortIsReported) {
    ScratchDirectory scratch;
    writeWav(scratch / "whole.wav", std::vector<float>(1000, 0.25f), 1, 44100);
    std::string bytes = readText(scratch / "whole.wav");
    bytes.resize(bytes.size() - 2000);
    writeText(scratch / "cut.wav", bytes);
    const ToolRun run = runTool({"render", "-n", "-i", (scratch / "cut.wav").string(), "--plugin", kProbe});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: input file " + (scratch / "cut.wav").string() +
                           " is cut short: its header declares 1000 frames, it holds 500"),
              std::string::npos)
        << run.err;
    const ToolRun whole = runTool({"render", "-n", "-i", (scratch / "whole.wav").string(), "--plugin", kProbe});
    EXPECT_EQ(whole.err, "");
}

}  // namespace
}  // namespace host_tool_test
