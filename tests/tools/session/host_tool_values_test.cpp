// SPDX-License-Identifier: MIT
// Values by their display text (our module and a third-party one), `info` previewing texts
// with --set and --rate, and instruments: their flags named, refused by `response`, warned
// about by `render`.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

nlohmann::json infoJson(std::vector<std::string> extra, const std::string& module = BRAMSOLIKET_MODULE_PATH) {
    std::vector<std::string> arguments = {"info", "--json", "--plugin", module};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.status == 0 ? nlohmann::json::parse(run.out) : nlohmann::json::object();
}

std::string display(const nlohmann::json& info, int index) {
    return info.value("parameters", nlohmann::json::array()).at(index).at("display").get<std::string>();
}

TEST(HostToolValues, DisplayTextsOfOurModuleSelectTheirValues) {
    const nlohmann::json info =
        infoJson({"--set", "Type=HighPass", "--set", "Cutoff=24 dB/Oct", "--set", "Freq=2565.072", "--set", "res=0.25"});
    EXPECT_EQ(display(info, 3), "HighPass");
    EXPECT_EQ(display(info, 4), "     24");
    EXPECT_EQ(display(info, 0), "2565.072");
    // A number from 0 to 1 is the normalized value, as before.
    EXPECT_EQ(info["parameters"][1]["value"].get<float>(), 0.25f);
    // A number outside 0 to 1 that a display text shows: Cutoff=48 is four stages.
    EXPECT_EQ(display(infoJson({"--set", "Cutoff=48"}), 4), "     48");
    EXPECT_EQ(display(infoJson({"--set", "type=bandpass"}), 3), "BandPass");
}

TEST(HostToolValues, RateChangesTheTextsInfoShows) {
    const std::string at44100 = display(infoJson({}), 0);
    const std::string at48000 = display(infoJson({"--rate", "48000"}), 0);
    EXPECT_EQ(at44100, "5101.878");
    EXPECT_NE(at48000, at44100);
    // The same text found again at that rate.
    EXPECT_EQ(display(infoJson({"--rate", "48000", "--set", "Freq=" + at48000}), 0), at48000);
}

TEST(HostToolValues, UnknownTextListsTheTextsThereAre) {
    const ToolRun run = runTool({"render", "-n", "--set", "Type=Banana"});
    EXPECT_EQ(run.status, 1);
    for (const char* text : {"\"Banana\"", "LowPass", "HighPass", "BandPass", "Resonant", "Thru"}) {
        EXPECT_NE(run.err.find(text), std::string::npos) << text << "\n" << run.err;
    }
}

TEST(HostToolValues, DisplayTextsOfAThirdPartyModule) {
    const std::string eq = "/usr/lib/vst/3BandEQ-vst.so";
    if (!std::filesystem::exists(eq)) GTEST_SKIP() << eq << " is not installed (Debian package dpf-plugins-vst)";
    const nlohmann::json info = infoJson({"--set", "Low=-12", "--set", "Mid-High Freq=5000 Hz", "--set", "High=6 dB"}, eq);
    EXPECT_EQ(std::stod(display(info, 0)), -12.0);
    EXPECT_EQ(std::stod(display(info, 5)), 5000.0);
    EXPECT_EQ(std::stod(display(info, 2)), 6.0);
}

TEST(HostToolInstruments, FlagsAreNamed) {
    const std::string kars = "/usr/lib/vst/Kars-vst.so";
    const std::string nekobi = "/usr/lib/vst/Nekobi-vst.so";
    if (!std::filesystem::exists(kars) || !std::filesystem::exists(nekobi)) GTEST_SKIP() << "dpf-plugins-vst is not installed";
    const nlohmann::json karsInfo = infoJson({}, kars);
    EXPECT_EQ(karsInfo["flagNames"], nlohmann::json({"canReplace", "isSynth"}));
    EXPECT_EQ(karsInfo["instrument"], true);
    const nlohmann::json nekobiInfo = infoJson({}, nekobi);
    EXPECT_EQ(nekobiInfo["flagNames"], nlohmann::json({"hasEditor", "canReplace", "isSynth"}));
    EXPECT_EQ(nekobiInfo["hasEditor"], true);
    EXPECT_EQ(infoJson({})["instrument"], false);
}

TEST(HostToolInstruments, ResponseRefusesAndRenderWarns) {
    const std::string kars = "/usr/lib/vst/Kars-vst.so";
    if (!std::filesystem::exists(kars)) GTEST_SKIP() << kars << " is not installed (Debian package dpf-plugins-vst)";
    ScratchDirectory scratch;
    const ToolRun response = runTool({"response", "--plugin", kars, "-o", (scratch / "plot.png").string()});
    EXPECT_EQ(response.status, 1);
    EXPECT_NE(response.err.find("is an instrument"), std::string::npos) << response.err;
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{});

    const ToolRun render = runTool({"render", "--plugin", kars, "-n"});
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_NE(render.err.find("warning: Kars-vst.so is an instrument; it gets no notes"), std::string::npos)
        << render.err;
}

}  // namespace
}  // namespace host_tool_test
