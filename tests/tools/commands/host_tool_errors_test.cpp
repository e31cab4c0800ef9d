// SPDX-License-Identifier: MIT
// Every kind of bad input gets one clear message on standard error, a non-zero exit status,
// and leaves the output location as it was: no partial file, no temporary file, an existing
// file untouched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

struct BadInput {
    const char* name;
    // "%D" stands for the scratch directory, "%T" for the directory of the test modules.
    std::vector<std::string> arguments;
    const char* expectedMessage;
};

void PrintTo(const BadInput& bad, std::ostream* out) { *out << bad.name; }

std::string expand(std::string argument, const ScratchDirectory& scratch) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"%D", scratch.path().string()},
                                     {"%T", BRAMSOLIKET_TEST_MODULE_DIR}}) {
        for (std::size_t at; (at = argument.find(key)) != std::string::npos;) argument.replace(at, key.size(), value);
    }
    return argument;
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {
protected:
    void SetUp() override {
        writeWav(scratch / "in.wav", std::vector<float>(1000, 0.25f), 1, 44100);
        writeWav(scratch / "silent-header.wav", {}, 1, 44100);
        writeText(scratch / "empty.wav", "");
        writeText(scratch / "text.wav", "this is not audio, just a line of text\n");
        writeText(scratch / "text.so", "this is not a shared object\n");
        writeText(scratch / "out.wav", "the previous output, which must survive");
        writeText(scratch / "broken.json", "[{\"sample\": 10, \"parameter\": \"Freq\", ");
        writeText(scratch / "unknown-parameter.json", R"([{"sample": 10, "parameter": "Frequency", "value": 0.2}])");
        writeText(scratch / "string-value.json", R"([{"sample": 10, "parameter": "Freq", "value": "high"}])");
        writeText(scratch / "negative-time.json", R"([{"seconds": -1, "parameter": "Freq", "value": 0.2}])");
        writeText(scratch / "not-a-list.json", R"({"sample": 10, "parameter": "Freq", "value": 0.2})");
    }

    ScratchDirectory scratch;
};

TEST_P(BadInputTest, FailsWithOneClearMessageAndWritesNothing) {
    const BadInput& bad = GetParam();
    if (std::string(bad.name) == "UnreadableInput") {
        if (::geteuid() == 0) GTEST_SKIP() << "running as root: file permissions do not stop reading";
        std::filesystem::permissions(scratch / "in.wav", std::filesystem::perms::none);
    }
    const std::vector<std::string> before = scratch.entries();
    std::vector<std::string> arguments;
    for (const std::string& argument : bad.arguments) arguments.push_back(expand(argument, scratch));

    const ToolRun run = runTool(arguments);

    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(bad.expectedMessage), std::string::npos) << "stderr: " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "stderr: " << run.err;
    EXPECT_EQ(run.err.rfind("bramsoliket-host: error: ", 0), 0u) << "stderr: " << run.err;
    EXPECT_EQ(scratch.entries(), before);
    EXPECT_EQ(readText(scratch / "out.wav"), "the previous output, which must survive");
}

const std::vector<std::string> kRenderIn = {"render", "-i", "%D/in.wav", "-o", "%D/out.wav"};

std::vector<std::string> render(std::vector<std::string> extra) {
    std::vector<std::string> arguments = kRenderIn;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

INSTANTIATE_TEST_SUITE_P(
    HostTool, BadInputTest,
    ::testing::Values(
        BadInput{"MissingInput", {"render", "-i", "%D/nowhere.wav", "-o", "%D/out.wav"}, "input file not found"},
        BadInput{"UnreadableInput", render({}), "cannot be read"},
        BadInput{"InputIsADirectory", {"render", "-i", "%D", "-o", "%D/out.wav"}, "is a directory"},
        BadInput{"UnsupportedInputFormat", {"render", "-i", "%D/text.wav", "-o", "%D/out.wav"},
                 "not in a supported audio format"},
        BadInput{"EmptyInputFile", {"render", "-i", "%D/empty.wav", "-o", "%D/out.wav"}, "zero length"},
        BadInput{"InputWithoutFrames", {"render", "-i", "%D/silent-header.wav", "-o", "%D/out.wav"}, "zero length"},
        BadInput{"ModuleMissing", render({"--plugin", "%D/nowhere.so"}), "plug-in module not found"},
        BadInput{"ModuleIsNotASharedObject", render({"--plugin", "%D/text.so"}), "not a loadable shared object"},
        BadInput{"ModuleWithoutMain", render({"--plugin", "%T/no_main_module.so"}), "does not export"},
        BadInput{"MainReturnsNull", render({"--plugin", "%T/null_main_module.so"}), "returned no effect"},
        BadInput{"WrongMagic", render({"--plugin", "%T/wrong_magic_module.so"}), "wrong magic"},
        BadInput{"InfoOnModuleWithoutMain", {"info", "--plugin", "%T/no_main_module.so"}, "does not export"},
        BadInput{"UnknownParameterName", render({"--set", "Frequency=0.5"}), "unknown parameter \"Frequency\""},
        BadInput{"UnknownParameterIndex", render({"--set", "7=0.5"}), "unknown parameter \"7\""},
        BadInput{"ValueNotANumber", render({"--set", "Freq=high"}), "is not a number"},
        BadInput{"ValueWithTrailingText", render({"--set", "Res=0.5x"}), "is not a number"},
        BadInput{"SettingWithoutValue", render({"--set", "Res"}), "NAME=VALUE"},
        BadInput{"ProgramOutOfRange", render({"--program", "2"}), "program 2 does not exist"},
        BadInput{"AutomationNotJson", render({"--automation", "%D/broken.json"}), "not valid JSON"},
        BadInput{"AutomationUnknownParameter", render({"--automation", "%D/unknown-parameter.json"}),
                 "unknown parameter \"Frequency\""},
        BadInput{"AutomationValueNotANumber", render({"--automation", "%D/string-value.json"}), "is not a number"},
        BadInput{"AutomationNegativeTime", render({"--automation", "%D/negative-time.json"}), "negative"},
        BadInput{"AutomationNotAList", render({"--automation", "%D/not-a-list.json"}), "must hold a list"},
        BadInput{"AutomationMissing", render({"--automation", "%D/nowhere.json"}), "automation file not found"},
        BadInput{"OutputDirectoryMissing", {"render", "-i", "%D/in.wav", "-o", "%D/no/such/dir/out.wav"},
                 "does not exist"},
        BadInput{"OutputIsADirectory", {"render", "-i", "%D/in.wav", "-o", "%D"}, "it is a directory"},
        BadInput{"UnsupportedOutputFormat", {"render", "-i", "%D/in.wav", "-o", "%D/out.xyz"},
                 "unsupported output format"},
        BadInput{"UnsupportedPlotFormat", {"response", "-o", "%D/plot.jpg"}, "unsupported plot format"},
        BadInput{"PlotDirectoryMissing", {"response", "-o", "%D/no/plot.png"}, "does not exist"},
        BadInput{"CompareValueNotANumber", {"response", "-o", "%D/plot.png", "--compare", "Type=0,low"},
                 "is not a number"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace host_tool_test
