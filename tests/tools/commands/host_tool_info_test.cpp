// SPDX-License-Identifier: MIT
// `info` shows the record and the parameters as a host sees them; the expected values are
// those our module must present to any host (record fields, names, labels and the texts of
// a fresh effect at 44100 Hz).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tool_runner.h"
#include "tools/hosting/effect_text.h"

namespace host_tool_test {
namespace {

constexpr const char* kThirdPartyModule = "/usr/lib/vst/MaBitcrush-vst.so";

TEST(HostToolInfo, JsonDescribesOurModule) {
    const ToolRun run = runTool({"info", "--json", "--plugin", BRAMSOLIKET_MODULE_PATH});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json info = nlohmann::json::parse(run.out);
    EXPECT_EQ(info["magic"], 0x56737450);
    EXPECT_EQ(info["magicText"], "VstP");
    EXPECT_EQ(info["uniqueId"], 0x4272536B);
    EXPECT_EQ(info["uniqueIdText"], "BrSk");
    EXPECT_EQ(info["version"], 1);
    EXPECT_EQ(info["inputCount"], 1);
    EXPECT_EQ(info["outputCount"], 2);
    EXPECT_EQ(info["flags"], 28);
    EXPECT_EQ(info["flagNames"], nlohmann::json({"hasMeter", "canMono", "canReplace"}));
    EXPECT_EQ(info["programCount"], 2);
    EXPECT_EQ(info["currentProgram"], 0);
    EXPECT_EQ(info["programs"], nlohmann::json({"Init", "Init"}));
    ASSERT_EQ(info["parameterCount"], 7);
    struct Expected {
        const char* name;
        const char* label;
        float value;
        const char* display;
    };
    const Expected expected[] = {{"Freq", "Hz", 0.5f, "5101.878"},        {"Res", "amount", 0.0f, "0.000000"},
                                 {"Smooth", "amount", 0.1f, "0.100000"},  {"Type", "type", 0.0f, "LowPass"},
                                 {"Cutoff", "dB/Oct", 0.0f, "     12"},    {"Dry/Wet", "mix", 1.0f, "1.000000"},
                                 {"Level", "dB", 0.5f, "0.000000"}};
    ASSERT_EQ(info["parameters"].size(), 7u);
    for (int i = 0; i < 7; ++i) {
        const nlohmann::json& p = info["parameters"][i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(p["index"], i);
        EXPECT_EQ(p["name"], expected[i].name);
        EXPECT_EQ(p["label"], expected[i].label);
        EXPECT_EQ(p["value"].get<float>(), expected[i].value);
        EXPECT_EQ(p["display"], expected[i].display);
    }
}

TEST(HostToolInfo, TextShowsTheSameFacts) {
    const ToolRun run = runTool({"info", "--plugin", BRAMSOLIKET_MODULE_PATH});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* fact : {"\"VstP\"", "\"BrSk\" (1114788715", "flags:          28 (hasMeter, canMono, canReplace)",
                             "\"Init\"", "\"5101.878\"", "\"     12\"", "\"dB/Oct\"", "Dry/Wet"}) {
        EXPECT_NE(run.out.find(fact), std::string::npos) << fact << "\n" << run.out;
    }
}

TEST(HostToolInfo, FindsTheModuleNextToTheTool) {
    const std::filesystem::path besideTool =
        std::filesystem::path(BRAMSOLIKET_HOST_TOOL_PATH).parent_path() / "BRAMSOLIKET.so";
    if (!std::filesystem::exists(besideTool)) GTEST_SKIP() << "no module beside the tool at " << besideTool;
    const ToolRun run = runTool({"info", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["uniqueIdText"], "BrSk");
}

// As installed: the tool in PREFIX/bin, the module in PREFIX/lib/vst, nothing beside the tool.
TEST(HostToolInfo, FindsTheInstalledModule) {
    const std::filesystem::path prefix =
        std::filesystem::temp_directory_path() / ("bramsoliket-installed-" + std::to_string(::getpid()));
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(prefix / "lib" / "vst");
    std::filesystem::copy_file(BRAMSOLIKET_HOST_TOOL_PATH, prefix / "bin" / "bramsoliket-host");
    std::filesystem::copy_file(BRAMSOLIKET_MODULE_PATH, prefix / "lib" / "vst" / "BRAMSOLIKET.so");
    RunSetting installed;
    installed.tool = prefix / "bin" / "bramsoliket-host";
    const ToolRun run = runTool({"info", "--json"}, installed);
    std::filesystem::remove_all(prefix);
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json info = nlohmann::json::parse(run.out);
    EXPECT_EQ(info["uniqueIdText"], "BrSk");
    EXPECT_EQ(info["module"], (prefix / "lib" / "vst" / "BRAMSOLIKET.so").string());
}

TEST(HostToolInfo, LoadsAThirdPartyModule) {
    if (!std::filesystem::exists(kThirdPartyModule)) {
        GTEST_SKIP() << kThirdPartyModule << " is not installed (Debian package dpf-plugins-vst)";
    }
    const ToolRun run = runTool({"info", "--json", "--plugin", kThirdPartyModule});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json info = nlohmann::json::parse(run.out);
    EXPECT_EQ(info["magicText"], "VstP");
    EXPECT_GE(info["parameterCount"].get<int>(), 1);
    EXPECT_EQ(info["parameters"].size(), info["parameterCount"].get<std::size_t>());
    EXPECT_FALSE(info["parameters"][0]["name"].get<std::string>().empty());
}

TEST(HostToolInfo, ModuleTextsBecomeValidUtf8) {
    // Our module writes the zero-gain decibel text with the Mac Roman infinity sign 0xB0.
    EXPECT_EQ(moduleTextToUtf8("-\xB0", 9), "-\xE2\x88\x9E");
    EXPECT_EQ(moduleTextToUtf8("caf\xC3\xA9", 9), "caf\xC3\xA9");
    EXPECT_EQ(moduleTextToUtf8("a\xC3", 9), "a\xEF\xBF\xBD");
    // Stops at the terminator or at the buffer's end, whichever comes first.
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(moduleTextToUtf8(unterminated, 4), "abcd");
    EXPECT_EQ(moduleTextToUtf8("ab\0cd", 5), "ab");
}

}  // namespace
}  // namespace host_tool_test
