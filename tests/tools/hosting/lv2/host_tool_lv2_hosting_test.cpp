// SPDX-License-Identifier: MIT
// Finding and hosting LV2 plug-ins: by URI through LV2_PATH, by bundle (which wins over an
// installed copy of the same URI), one plug-in of a bundle of several by "bundle#URI"; bad
// bundles, unknown URIs and plug-ins needing what the tool lacks refused with one line; the
// channels of a stereo peer (x42's fil4) in order; a new instance for a new rate that keeps
// the controls that were set and renders as a fresh one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"
#include "tools/hosting/lv2/lv2_plugin.h"
#include "tools/session/renderer.h"

namespace host_tool_test {
namespace {

const std::filesystem::path kBundle = BRAMSOLIKET_LV2_BUNDLE;
const std::string kFil4Bundle = "/usr/lib/lv2/fil4.lv2";
const std::string kFil4Stereo = "http://gareus.org/oss/lv2/fil4#stereo";
const std::string kConvolver = "http://gareus.org/oss/lv2/convoLV2#Mono";

#define SKIP_WITHOUT_BUNDLE(bundle, package) \
    if (!std::filesystem::exists(bundle)) GTEST_SKIP() << bundle << " is not installed (Debian package " package ")"

nlohmann::json infoWith(const std::string& plugin, const std::string& lv2Path, ToolRun* run = nullptr) {
    const ToolRun result = runToolWithEnvironment({"info", "--json", "--plugin", plugin}, {"LV2_PATH=" + lv2Path});
    if (run != nullptr) *run = result;
    return result.status == 0 ? nlohmann::json::parse(result.out) : nlohmann::json::object();
}

TEST(HostToolLv2Lookup, ByUriThroughLv2Path) {
    ToolRun run;
    const nlohmann::json info = infoWith("urn:bramsoliket:filter", kBundle.parent_path().string(), &run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(info["module"], kBundle.string());
    EXPECT_EQ(info["uri"], "urn:bramsoliket:filter");
    EXPECT_EQ(run.err, "") << "lilv's complaints about the build folder's other entries are left out";

    ScratchDirectory empty;
    infoWith("urn:bramsoliket:filter", empty.path().string(), &run);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "bramsoliket-host: error: no LV2 plug-in with the URI urn:bramsoliket:filter is installed "
                       "(looked in LV2_PATH=" + empty.path().string() + ")\n");
}

// The same URI installed elsewhere: a bundle named on the command line is that bundle, a URI
// the installed one.
TEST(HostToolLv2Lookup, ANamedBundleWinsOverAnInstalledCopy) {
    ScratchDirectory installed;
    std::filesystem::copy(kBundle, installed / "bramsoliket.lv2", std::filesystem::copy_options::recursive);
    ToolRun run;
    EXPECT_EQ(infoWith(kBundle.string(), installed.path().string(), &run)["module"], kBundle.string()) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(infoWith(kBundle.string() + "/", installed.path().string())["module"], kBundle.string());
    EXPECT_EQ(infoWith("urn:bramsoliket:filter", installed.path().string())["module"],
              (installed / "bramsoliket.lv2").string());
}

TEST(HostToolLv2Lookup, OnePluginOfABundleByItsUri) {
    SKIP_WITHOUT_BUNDLE(kFil4Bundle, "x42-plugins");
    ToolRun run;
    const nlohmann::json stereo = infoWith(kFil4Bundle + "#" + kFil4Stereo, "/nowhere", &run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(stereo["uri"], kFil4Stereo);
    EXPECT_EQ(stereo["inputCount"], 2);
    EXPECT_EQ(stereo["outputCount"], 2);

    infoWith(kFil4Bundle, "/nowhere", &run);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("plug-ins; name one as " + kFil4Bundle + "#URI or by its URI alone: "), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(kFil4Stereo), std::string::npos) << run.err;
    infoWith(kFil4Bundle + "#urn:not:there", "/nowhere", &run);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("holds no plug-in urn:not:there; it holds "), std::string::npos) << run.err;
}

struct BadLv2 {
    const char* name;
    // "%D" stands for the scratch directory.
    std::vector<std::string> arguments;
    const char* expectedMessage;
    // Where the case needs a plug-in from Debian.
    const char* needs;
};

void PrintTo(const BadLv2& bad, std::ostream* out) { *out << bad.name; }

class BadLv2Test : public ::testing::TestWithParam<BadLv2> {
protected:
    void SetUp() override {
        writeWav(scratch / "in.wav", std::vector<float>(1000, 0.25f), 1, 44100);
        std::filesystem::create_directory(scratch / "empty.lv2");
        std::filesystem::create_directory(scratch / "hollow.lv2");
        writeText(scratch / "hollow.lv2" / "manifest.ttl", "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n");
        writeText(scratch / "file.lv2", "not a folder\n");
    }
    ScratchDirectory scratch;
};

TEST_P(BadLv2Test, FailsWithOneLineAndWritesNothing) {
    const BadLv2& bad = GetParam();
    if (bad.needs != nullptr && !std::filesystem::exists(bad.needs)) GTEST_SKIP() << bad.needs << " is not installed";
    const std::vector<std::string> before = scratch.entries();
    std::vector<std::string> arguments;
    for (std::string argument : bad.arguments) {
        if (const std::size_t at = argument.find("%D"); at != std::string::npos) {
            argument.replace(at, 2, scratch.path().string());
        }
        arguments.push_back(argument);
    }
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("bramsoliket-host: error: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(bad.expectedMessage), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(scratch.entries(), before);
}

std::vector<std::string> renderWith(const std::string& plugin) {
    return {"render", "-i", "%D/in.wav", "-o", "%D/out.wav", "--plugin", plugin};
}

INSTANTIATE_TEST_SUITE_P(
    HostTool, BadLv2Test,
    ::testing::Values(
        BadLv2{"MissingBundle", renderWith("%D/none.lv2"), "LV2 bundle not found", nullptr},
        BadLv2{"DirectoryWithoutManifest", renderWith("%D/empty.lv2"), "is not an LV2 bundle: it has no manifest.ttl",
               nullptr},
        BadLv2{"ManifestWithoutPlugins", renderWith("%D/hollow.lv2"), "holds no plug-in", nullptr},
        BadLv2{"BundleThatIsAFile", renderWith("%D/file.lv2"), "is not a directory", nullptr},
        BadLv2{"UnknownUri", renderWith("urn:bramsoliket:no-such-plugin"), "no LV2 plug-in with the URI", nullptr},
        BadLv2{"InfoOfUnknownUri", {"info", "--plugin", "http://example.org/nothing#here"}, "no LV2 plug-in", nullptr},
        BadLv2{"RenderNeedsTheWorker", renderWith(kConvolver), "requires the feature worker:schedule",
               "/usr/lib/lv2/convo.lv2"},
        BadLv2{"ResponseNeedsTheWorker", {"response", "-o", "%D/plot.png", "--plugin", kConvolver},
               "which this tool does not provide", "/usr/lib/lv2/convo.lv2"}),
    [](const ::testing::TestParamInfo<BadLv2>& info) { return std::string(info.param.name); });

// lilv's own complaints about a bundle's files reach the user as the tool's warnings, before
// the one error.
TEST(HostToolLv2Lookup, BrokenTurtleIsReportedInTheToolsForm) {
    ScratchDirectory scratch;
    std::filesystem::create_directory(scratch / "broken.lv2");
    writeText(scratch / "broken.lv2" / "manifest.ttl", "<urn:x> a <http://lv2plug.in/ns/lv2core#Plugin> ; oops\n");
    const ToolRun run = runTool({"info", "--plugin", (scratch / "broken.lv2").string()});
    EXPECT_EQ(run.status, 1);
    std::istringstream lines(run.err);
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);) said.push_back(line);
    ASSERT_GE(said.size(), 2u) << run.err;
    for (std::size_t i = 0; i + 1 < said.size(); ++i) {
        EXPECT_EQ(said[i].rfind("bramsoliket-host: warning: lilv: ", 0), 0u) << said[i];
    }
    EXPECT_EQ(said.back().rfind("bramsoliket-host: error: LV2 bundle ", 0), 0u) << said.back();
}

// A plug-in that needs a feature the tool lacks is still described, with that feature marked.
TEST(HostToolLv2Lookup, InfoShowsWhatAPluginNeeds) {
    SKIP_WITHOUT_BUNDLE(std::string("/usr/lib/lv2/convo.lv2"), "x42-plugins");
    const ToolRun run = runTool({"info", "--plugin", kConvolver});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("worker:schedule (not provided: the plug-in cannot be run)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("urid:map (provided)"), std::string::npos) << run.out;
}

class HostToolLv2Channels : public ::testing::Test {
protected:
    void SetUp() override {
        signal = makeProgramMaterial(kFrames, 5u);
        for (auto& sample : signal) sample *= 0.5f;
    }
    // A stereo file whose channel `sounding` carries the signal and the other silence.
    std::vector<std::vector<float>> renderStereo(int sounding, std::vector<std::string> extra = {}) {
        std::vector<float> interleaved;
        for (int i = 0; i < kFrames; ++i) {
            interleaved.push_back(sounding == 0 ? signal[i] : 0.0f);
            interleaved.push_back(sounding == 1 ? signal[i] : 0.0f);
        }
        writeWav(scratch / "stereo.wav", interleaved, 2, 44100);
        std::vector<std::string> arguments = {"render", "-i", (scratch / "stereo.wav").string(), "-o",
                                              (scratch / "out.wav").string(), "--plugin", kFil4Stereo};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        return readAudio(scratch / "out.wav");
    }
    static constexpr int kFrames = 20000;
    ScratchDirectory scratch;
    std::vector<float> signal;
};

double peakOf(const std::vector<float>& channel) {
    double peak = 0.0;
    for (float x : channel) peak = std::max(peak, static_cast<double>(std::fabs(x)));
    return peak;
}

TEST_F(HostToolLv2Channels, StereoPeerGetsEachChannelOnItsOwnSide) {
    SKIP_WITHOUT_BUNDLE(kFil4Bundle, "x42-plugins");
    for (const int sounding : {0, 1}) {
        SCOPED_TRACE(sounding);
        const auto output = renderStereo(sounding, {"--set", "gain=-6"});
        ASSERT_EQ(output.size(), 2u);
        EXPECT_GT(peakOf(output[static_cast<std::size_t>(sounding)]), 0.1);
        EXPECT_LT(peakOf(output[static_cast<std::size_t>(1 - sounding)]), 1e-6) << "the silent side stays silent";
    }
    // A mono file feeds both inputs, so both sides carry the same signal.
    writeWav(scratch / "mono.wav", signal, 1, 44100);
    ASSERT_EQ(runTool({"render", "-i", (scratch / "mono.wav").string(), "-o", (scratch / "both.wav").string(),
                       "--plugin", kFil4Stereo})
                  .status,
              0);
    const auto both = readAudio(scratch / "both.wav");
    ASSERT_EQ(both.size(), 2u);
    EXPECT_GT(peakOf(both[0]), 0.1);
    EXPECT_EQ(both[0], both[1]);
}

TEST_F(HostToolLv2Channels, OurMonoInputDropsTheSecondChannelWithAWarning) {
    writeWav(scratch / "two.wav", std::vector<float>(2000, 0.25f), 2, 44100);
    const ToolRun run =
        runTool({"render", "-i", (scratch / "two.wav").string(), "-o", (scratch / "one.wav").string(), "--plugin", kBundle});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("warning: input channel 1 is dropped"), std::string::npos) << run.err;
    EXPECT_EQ(readAudio(scratch / "one.wav").size(), 2u);
}

// Calf Filter (Debian's calf-plugins): its Mode set by a label, and of its eight meter ports
// the output's drives --meter.
TEST_F(HostToolLv2Channels, PeerModeByLabelAndItsOutputMeter) {
    const std::string calf = "http://calf.sourceforge.net/plugins/Filter";
    SKIP_WITHOUT_BUNDLE(std::string("/usr/lib/lv2/calf.lv2"), "calf-plugins");
    const ToolRun info = runTool({"info", "--json", "--plugin", calf, "--set", "mode=24dB/oct highpass", "freq=500"});
    ASSERT_EQ(info.status, 0) << info.err;
    const nlohmann::json json = nlohmann::json::parse(info.out);
    EXPECT_EQ(json["ports"][6]["display"], "24dB/oct Highpass");
    EXPECT_EQ(json["ports"][4]["value"], 500.0);
    EXPECT_EQ(json["meterPort"], 13);
    EXPECT_EQ(json["ports"][13]["symbol"], "meter_outL");

    // The same input with the Output Gain at its lowest (-36 dB) meters far lower than at
    // unity: the meter is the output's, not the input's.
    writeWav(scratch / "mono.wav", signal, 1, 44100);
    const ToolRun quiet = runTool({"render", "-i", (scratch / "mono.wav").string(), "-n", "--plugin", calf, "--set",
                                   "level_out=0.015625", "--meter", "--block", "4000"});
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    const ToolRun loud = runTool({"render", "-i", (scratch / "mono.wav").string(), "-n", "--plugin", calf, "--meter",
                                  "--block", "4000"});
    ASSERT_EQ(loud.status, 0) << loud.err;
    auto largestLevel = [](const std::string& out) {
        std::istringstream lines(out);
        double largest = 0.0;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("meter", 0) == 0) largest = std::max(largest, std::stod(line.substr(line.find("level") + 5)));
        }
        return largest;
    };
    EXPECT_GT(largestLevel(loud.out), 0.1) << loud.out;
    EXPECT_LT(largestLevel(quiet.out), largestLevel(loud.out) / 20) << quiet.out;
}

class CapturingSink : public FrameSink {
public:
    int channelCount() const override { return 1; }
    void write(const float* const* channels, std::int64_t frames) override {
        samples.insert(samples.end(), channels[0], channels[0] + frames);
    }
    std::vector<float> samples;
};

std::vector<float> renderImpulses(PluginInstance& plugin, double rate, std::int32_t block) {
    std::vector<float> input(6000, 0.0f);
    for (std::size_t i = 0; i < input.size(); i += 1500) input[i] = 0.5f;
    MemorySource source(std::move(input), rate);
    CapturingSink sink;
    RenderOptions options;
    options.pluginSampleRate = rate;
    options.blockSize = block;
    renderStream(plugin, source, sink, {}, options);
    return sink.samples;
}

// LV2 fixes the rate at instantiation: a new rate makes a new instance, which sounds as a
// fresh one at that rate; a control that was set keeps its value, one that was not keeps the
// description's default (our "Freq" is plain hertz, the same at every rate).
TEST(HostToolLv2Instances, ANewRateMakesAFreshInstanceAndKeepsWhatWasSet) {
    auto moved = Lv2Plugin::load(kBundle.string());
    moved->activate(44100.0, 512);
    moved->deactivate();
    moved->setParameter(1, 0.6f);  // Res
    const float defaultAt44100 = moved->parameterValue(0);
    renderImpulses(*moved, 44100.0, 512);

    auto fresh = Lv2Plugin::load(kBundle.string());
    fresh->setParameter(1, 0.6f);
    EXPECT_EQ(renderImpulses(*moved, 48000.0, 512), renderImpulses(*fresh, 48000.0, 512));
    EXPECT_EQ(moved->parameterValue(1), 0.6f);
    EXPECT_EQ(moved->parameterValue(0), defaultAt44100);
    EXPECT_EQ(moved->parameterValue(0), *moved->parameterRange(0).defaultValue);

    // A larger block than the instance was made for makes another.
    EXPECT_EQ(renderImpulses(*moved, 48000.0, 4096).size(), 6000u);

    moved->setParameter(0, 2566.0f);
    renderImpulses(*moved, 96000.0, 512);
    EXPECT_EQ(moved->parameterValue(0), 2566.0f);
    EXPECT_EQ(moved->parameterRange(0).maximum, fresh->parameterRange(0).maximum);
}

}  // namespace
}  // namespace host_tool_test
