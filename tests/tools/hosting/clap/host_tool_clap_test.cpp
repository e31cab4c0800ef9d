// SPDX-License-Identifier: MIT
// bramsoliket-host with CLAP modules, run as a user runs it: `info` of our .clap shows the
// descriptor, ports and parameters with their texts; `render` of the .clap equals the VST
// module's render of the same settings bit for bit, automation included (the VST render
// splits its blocks, the CLAP render sends events inside blocks of 8192); `response` measures
// the same curves; channels, the tail, non-finite samples and instruments behave as for VST.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

const std::string kClap = BRAMSOLIKET_CLAP_MODULE_PATH;
const std::string kVst = BRAMSOLIKET_MODULE_PATH;
const std::string kProbe = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/clap_probe.clap";
constexpr int kFrames = 30000;

nlohmann::json infoJson(const std::string& plugin, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"info", "--json", "--plugin", plugin};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.status == 0 ? nlohmann::json::parse(run.out) : nlohmann::json::object();
}

// Equal as bit patterns, so that -0.0 and +0.0 or two NaNs are told apart.
bool sameBits(const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size() || std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0) {
            return false;
        }
    }
    return true;
}

TEST(HostToolClapInfo, DescribesOurClapModule) {
    const nlohmann::json info = infoJson(kClap);
    EXPECT_EQ(info["format"], "CLAP");
    EXPECT_EQ(info["name"], "BRAMSOLIKET Mono");
    EXPECT_EQ(info["id"], "bramsoliket.filter");
    EXPECT_EQ(info["vendor"], "The BRAMSOLIKET developers");
    EXPECT_EQ(info["version"], "1.2.0");
    EXPECT_EQ(info["features"], nlohmann::json({"audio-effect", "filter", "mono", "stereo"}));
    EXPECT_EQ(info["pluginsInModule"], nlohmann::json({"bramsoliket.filter", "bramsoliket.filter.stereo"}));
    // The 64-bit Linux module has its window, with the host loop's callbacks it needs.
    EXPECT_EQ(info["extensions"], nlohmann::json({"clap.audio-ports", "clap.gui", "clap.latency", "clap.params",
                                                  "clap.posix-fd-support", "clap.state", "clap.timer-support"}));
    EXPECT_EQ(info["hasEditor"], true);
    EXPECT_EQ(info["latency"], 0);
    EXPECT_EQ(info["instrument"], false);
    EXPECT_EQ(info["inputCount"], 1);
    EXPECT_EQ(info["outputCount"], 2);
    ASSERT_EQ(info["audioInputs"].size(), 1u);
    EXPECT_EQ(info["audioInputs"][0]["name"], "Input");
    EXPECT_EQ(info["audioInputs"][0]["channels"], 1);
    EXPECT_EQ(info["audioInputs"][0]["type"], "mono");
    ASSERT_EQ(info["audioOutputs"].size(), 1u);
    EXPECT_EQ(info["audioOutputs"][0]["channels"], 2);
    EXPECT_EQ(info["audioOutputs"][0]["flags"], nlohmann::json({"main"}));

    const char* const names[] = {"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level", "Bypass"};
    const float defaults[] = {0.5f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.5f, 0.0f};
    const double maxima[] = {1.0, 1.0, 1.0, 4.0, 3.0, 1.0, 1.0, 1.0};
    const char* const texts[] = {"5101.878 Hz", "0.000000 amount", "0.100000 amount", "LowPass",
                                 "12 dB/Oct",   "1.000000 mix",    "0.000000 dB",     "Off"};
    const nlohmann::json choice = {"stepped", "automatable", "enum"};
    const nlohmann::json flags[] = {{"automatable"}, {"automatable"}, {"automatable"}, choice, choice,
                                    {"automatable"}, {"automatable"}, {"stepped", "bypass", "automatable"}};
    ASSERT_EQ(info["parameters"].size(), 8u);
    for (int i = 0; i < 8; ++i) {
        const nlohmann::json& p = info["parameters"][i];
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(p["id"], i);
        EXPECT_EQ(p["name"], names[i]);
        EXPECT_EQ(p["value"].get<float>(), defaults[i]);
        EXPECT_EQ(p["display"], texts[i]);
        EXPECT_EQ(p["flagNames"], flags[i]);
        EXPECT_EQ(p["minimum"], 0.0);
        EXPECT_EQ(p["maximum"], maxima[i]);
        EXPECT_EQ(p["default"].get<float>(), defaults[i]);
    }

    const ToolRun text = runTool({"info", "--plugin", kClap});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* shown : {"id:             bramsoliket.filter", "features:       audio-effect, filter, mono, stereo",
                              "audio inputs:   \"Input\" (id 0, 1 channel, mono, main)",
                              "audio outputs:  \"Output\" (id 0, 2 channels, stereo, main)", "\"5101.878 Hz\"",
                              "\"12 dB/Oct\"", "id 6, module \"\", flags automatable, range 0 to 1, default 0.5"}) {
        EXPECT_NE(text.out.find(shown), std::string::npos) << shown << "\n" << text.out;
    }
}

TEST(HostToolClapInfo, SettingsAndRateChangeTheTextsShown) {
    // By display text, through the plug-in's own text_to_value, and by id.
    const nlohmann::json info = infoJson(kClap, {"--rate", "48000", "--set", "Type=HighPass", "Cutoff=24 dB/Oct",
                                                 "Freq=2565.072", "6=-6 dB", "1=0.25"});
    EXPECT_EQ(info["parameters"][3]["display"], "HighPass");
    EXPECT_EQ(info["parameters"][3]["value"].get<float>(), 1.0f);
    EXPECT_EQ(info["parameters"][4]["display"], "24 dB/Oct");
    EXPECT_EQ(info["parameters"][6]["display"], "-6.00000 dB");
    EXPECT_EQ(info["parameters"][1]["value"].get<float>(), 0.25f);
    // Freq's texts are those at the rate told, the VST module's with the unit added.
    EXPECT_NE(info["parameters"][0]["display"], "2565.072 Hz");
    const std::string vstText = infoJson(kVst, {"--rate", "48000"})["parameters"][0]["display"];
    EXPECT_EQ(infoJson(kClap, {"--rate", "48000"})["parameters"][0]["display"], vstText + " Hz");
    EXPECT_NE(vstText, "5101.878");
}

// One render through each module of the same input and settings.
class HostToolClapRender : public ::testing::Test {
protected:
    void writeInput(int rate) {
        writeWav(scratch / "in.wav", makeProgramMaterial(kFrames, 4242u), 1, rate);
    }
    std::vector<std::vector<float>> render(const std::string& plugin, std::vector<std::string> extra) {
        const std::string out = (scratch / ("out" + std::to_string(serial++) + ".wav")).string();
        std::vector<std::string> arguments = {"render", "-i", (scratch / "in.wav").string(), "-o", out, "--plugin",
                                              plugin,   "-q"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        return readAudio(out);
    }
    ScratchDirectory scratch;
    int serial = 0;
};

TEST_F(HostToolClapRender, SettingsRenderBitForBit) {
    // The choices by their labels, which both modules show; the rest by value.
    const std::vector<std::vector<std::string>> settings = {
        {},
        {"--set", "Freq=0.3", "Res=0.6", "Cutoff=48 dB/Oct", "--block", "1"},
        {"--set", "Type=HighPass", "Res=0.9", "Level=0.8", "Dry/Wet=0.7", "--block", "8192"},
        {"--set", "Type=BandPass", "Cutoff=36 dB/Oct", "Smooth=0", "Freq=0.05", "--block", "777"},
        {"--set", "Type=Resonant", "Res=1", "Freq=0.8", "Smooth=1", "--block", "64"},
        {"--set", "Type=Thru", "Level=1", "Cutoff=36 dB/Oct", "--block", "31"},
    };
    for (const int rate : {44100, 48000}) {
        writeInput(rate);
        for (const auto& setting : settings) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << ::testing::PrintToString(setting));
            const auto vst = render(kVst, setting);
            const auto clap = render(kClap, setting);
            ASSERT_EQ(clap.size(), 2u);
            ASSERT_EQ(clap[0].size(), static_cast<std::size_t>(kFrames));
            EXPECT_TRUE(sameBits(clap, vst));
        }
    }
}

// The same automation through both: the VST render splits its blocks of 512 at the changes,
// the CLAP render sends them as events inside blocks of 8192. A change one sample late
// shows, so equal renders mean every event landed on its sample. The VST module takes the
// choices as normalized values, the CLAP plug-in as their settings.
TEST_F(HostToolClapRender, AutomationLandsOnTheSameSamples) {
    const auto automation = [](int levelChange, const char* highPass, const char* fourStages, const char* bandPass) {
        return "[{\"sample\": 1000, \"parameter\": \"Freq\", \"value\": 0.1},"
               " {\"sample\": 1000, \"parameter\": 1, \"value\": 0.8},"
               " {\"seconds\": 0.1, \"parameter\": \"Type\", \"value\": " + std::string(highPass) + "},"
               " {\"sample\": 4411, \"parameter\": \"Cutoff\", \"value\": " + fourStages + "},"
               " {\"sample\": " + std::to_string(levelChange) + ", \"parameter\": \"Level\", \"value\": 0.8},"
               " {\"sample\": 8191, \"parameter\": \"Type\", \"value\": " + bandPass + "},"
               " {\"sample\": 8192, \"parameter\": \"Res\", \"value\": 0.3},"
               " {\"sample\": 20001, \"parameter\": \"Freq\", \"value\": 0.9},"
               " {\"sample\": 29999, \"parameter\": \"Level\", \"value\": 0.2}]";
    };
    writeText(scratch / "vst.json", automation(9000, "0.25", "1", "0.5"));
    writeText(scratch / "clap.json", automation(9000, "1", "3", "2"));
    writeText(scratch / "late.json", automation(9001, "1", "3", "2"));
    for (const int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        writeInput(rate);
        const auto vst = render(kVst, {"--automation", (scratch / "vst.json").string(), "--block", "512"});
        const auto clap = render(kClap, {"--automation", (scratch / "clap.json").string(), "--block", "8192"});
        EXPECT_TRUE(sameBits(clap, vst));
        EXPECT_FALSE(sameBits(render(kClap, {"--automation", (scratch / "late.json").string(), "--block", "8192"}), vst));
    }
}

// A value typed as text goes through the plug-in's text_to_value and renders as that value.
TEST_F(HostToolClapRender, TextsSelectTheValuesTheyShow) {
    writeInput(44100);
    const auto byText = render(kClap, {"--set", "Type=bandpass", "Cutoff=36 dB/Oct", "Level=-6.02059 dB"});
    const auto byValue = render(kClap, {"--set", "Type=2", "Cutoff=2", "Level=0.25"});
    EXPECT_TRUE(sameBits(byText, byValue));
}

TEST(HostToolClapResponse, MeasuresTheCurvesOfTheVstModule) {
    ScratchDirectory scratch;
    std::vector<std::string> csv;
    // The same types, as the CLAP plug-in's settings and as the VST module's values.
    for (const auto& [plugin, types] : {std::pair{kClap, "Type=0,1,2"}, std::pair{kVst, "Type=0,0.25,0.5"}}) {
        const std::string name = std::to_string(csv.size());
        const ToolRun run = runTool({"response", "--plugin", plugin, "-o", (scratch / (name + ".png")).string(), "-q",
                                     "--rate", "48000", "--compare", types, "--set", "Res=0.4", "--csv",
                                     (scratch / (name + ".csv")).string(), "--csv-points", "300"});
        ASSERT_EQ(run.status, 0) << run.err;
        csv.push_back(readText(scratch / (name + ".csv")));
    }
    // The numbers are the same; only the labels differ (CLAP's texts carry their units).
    const auto body = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(body(csv[0]), body(csv[1]));
    EXPECT_NE(csv[0].find("Type: HighPass"), std::string::npos) << csv[0].substr(0, 200);
}

// The probe's plug-in has inputs of 1 and 2 channels and outputs of 2 and 2: the file's
// channels map onto the inputs counted over the ports, and every output channel is written.
TEST(HostToolClapChannels, MapOverAllPortsAndCountNonFiniteSamples) {
    ScratchDirectory scratch;
    std::vector<float> interleaved;
    for (int i = 0; i < 100; ++i) interleaved.insert(interleaved.end(), {0.25f, 0.5f * (i % 3), -0.125f * i});
    interleaved[3 * 10] = std::numeric_limits<float>::quiet_NaN();
    interleaved[3 * 20 + 2] = std::numeric_limits<float>::infinity();
    writeWav(scratch / "three.wav", interleaved, 3, 44100);
    const ToolRun run = runTool({"render", "--plugin", kProbe, "-i", (scratch / "three.wav").string(), "-o",
                                 (scratch / "out.wav").string(), "--set", "Gain=x2.00", "Offset=0.5", "--tail", "0.001"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: the output holds 1 NaN and 1 infinite samples"), std::string::npos) << run.err;
    const auto out = readAudio(scratch / "out.wav");
    ASSERT_EQ(out.size(), 4u);
    ASSERT_EQ(out[0].size(), 144u) << "the tail: 44 frames of silence after the input";
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        if (i != 10) {
            EXPECT_EQ(out[0][i], 0.25f * 2.0f + 0.5f);
        }
        EXPECT_EQ(out[1][i], 144.0f) << "one call for the whole block";
        EXPECT_EQ(out[2][i], interleaved[3 * i + 1]);
        if (i != 20) {
            EXPECT_EQ(out[3][i], interleaved[3 * i + 2]);
        }
    }
    EXPECT_TRUE(std::isnan(out[0][10]));
    EXPECT_EQ(out[3][20], std::numeric_limits<float>::infinity());
    EXPECT_EQ(out[0][120], 0.5f) << "silence in the tail, offset added";

    // A mono file feeds every input channel of every port.
    writeWav(scratch / "mono.wav", std::vector<float>(50, 0.75f), 1, 44100);
    ASSERT_EQ(runTool({"render", "--plugin", kProbe, "-i", (scratch / "mono.wav").string(), "-o",
                       (scratch / "mono-out.wav").string()})
                  .status,
              0);
    const auto mono = readAudio(scratch / "mono-out.wav");
    EXPECT_EQ(mono[0][7], 0.75f);
    EXPECT_EQ(mono[2][7], 0.75f);
    EXPECT_EQ(mono[3][7], 0.75f);
}

TEST(HostToolClapPlugins, ChosenByIdInsideTheModule) {
    EXPECT_EQ(infoJson(kProbe)["id"], "probe.effect");
    EXPECT_EQ(infoJson(kProbe)["pluginsInModule"], nlohmann::json({"probe.effect", "probe.instrument"}));
    const nlohmann::json instrument = infoJson(kProbe + "#probe.instrument");
    EXPECT_EQ(instrument["id"], "probe.instrument");
    EXPECT_EQ(instrument["instrument"], true);
    EXPECT_EQ(instrument["notePorts"]["inputs"], 1);
    EXPECT_EQ(infoJson(kProbe)["parameters"][1]["flagNames"], nlohmann::json({"stepped", "automatable"}));
    EXPECT_EQ(infoJson(kProbe)["latency"], 64);

    const ToolRun unknown = runTool({"info", "--plugin", kProbe + "#probe.nothing"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("has no plug-in \"probe.nothing\"; it has \"probe.effect\", \"probe.instrument\""),
              std::string::npos)
        << unknown.err;
}

TEST(HostToolClapPlugins, InstrumentsAreRefusedByResponseAndWarnedAboutByRender) {
    ScratchDirectory scratch;
    const std::string instrument = kProbe + "#probe.instrument";
    const ToolRun response = runTool({"response", "--plugin", instrument, "-o", (scratch / "plot.png").string()});
    EXPECT_EQ(response.status, 1);
    EXPECT_NE(response.err.find("is an instrument"), std::string::npos) << response.err;
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{});
    const ToolRun render = runTool({"render", "--plugin", instrument, "-n"});
    EXPECT_EQ(render.status, 0) << render.err;
    EXPECT_NE(render.err.find("is an instrument; it gets no notes"), std::string::npos) << render.err;
}

// A block the plug-in answers with an error holds undefined samples: they become silence.
TEST(HostToolClapPlugins, BlocksAnsweredWithAnErrorAreSilent) {
    ScratchDirectory scratch;
    const ToolRun run = runTool({"render", "--plugin", kProbe, "-o", (scratch / "out.wav").string(), "--set",
                                 "Offset=1 V"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: the plug-in answered an error for a block"), std::string::npos) << run.err;
    for (const auto& channel : readAudio(scratch / "out.wav")) {
        EXPECT_TRUE(std::all_of(channel.begin(), channel.end(), [](float x) { return x == 0.0f; }));
    }
}

struct BadModule {
    const char* name;
    std::string plugin;  // "%D/" stands for the scratch directory
    const char* expectedMessage;
};

void PrintTo(const BadModule& bad, std::ostream* out) { *out << bad.name; }

class BadClapModule : public ::testing::TestWithParam<BadModule> {};

TEST_P(BadClapModule, FailsWithOneClearLine) {
    ScratchDirectory scratch;
    writeText(scratch / "text.clap", "this is not a shared object\n");
    std::string plugin = GetParam().plugin;
    if (plugin.rfind("%D/", 0) == 0) plugin = (scratch / plugin.substr(3)).string();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"info"}, {"render", "-o", (scratch / "out.wav").string()},
          {"response", "-o", (scratch / "out.png").string()}}) {
        std::vector<std::string> arguments = command;
        arguments.insert(arguments.end(), {"--plugin", plugin});
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 1) << command[0];
        EXPECT_EQ(run.err.rfind("bramsoliket-host: error: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(GetParam().expectedMessage), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(scratch.entries(), std::vector<std::string>{"text.clap"});
    }
}

const std::string kModules = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/";

INSTANTIATE_TEST_SUITE_P(
    HostTool, BadClapModule,
    ::testing::Values(BadModule{"Missing", "%D/nowhere.clap", "CLAP module not found"},
                      BadModule{"NotASharedObject", "%D/text.clap", "not a loadable shared object"},
                      BadModule{"NoEntry", kModules + "clap_no_entry.clap", "does not export \"clap_entry\""},
                      BadModule{"InitFails", kModules + "clap_failing_init.clap", "the entry's init failed"},
                      BadModule{"FactoryWithoutPlugins", kModules + "clap_empty_factory.clap",
                                "its factory has no plug-ins"}),
    [](const ::testing::TestParamInfo<BadModule>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace host_tool_test
