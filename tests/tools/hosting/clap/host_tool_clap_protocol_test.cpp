// SPDX-License-Identifier: MIT
// The host side of CLAP, observed through the probe module (modules/clap_probe_module.cpp),
// which logs every call with what thread-check says of its thread: the life cycle, the
// main-thread callback the plug-in asked for, events inside one block at their offsets with
// whole headers, the steady time, flush while not active, and the buffers per port.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/hosting/clap/clap_module.h"
#include "tools/hosting/clap/clap_plugin.h"
#include "tools/hosting/plugin_loader.h"
#include "tools/session/renderer.h"

namespace host_tool_test {
namespace {

const std::string kProbePath = std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/clap_probe.clap";

class FourChannelRecorder : public FrameSink {
public:
    int channelCount() const override { return 4; }
    void write(const float* const* channels, std::int64_t frames) override {
        for (int c = 0; c < 4; ++c) out[c].insert(out[c].end(), channels[c], channels[c] + frames);
    }
    std::vector<float> out[4];
};

class HostToolClapProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        // Opened first, so that the log outlives the plug-in's own reference to the module.
        handle = ::dlopen(kProbePath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr);
        log = reinterpret_cast<const char* (*)()>(::dlsym(handle, "clapProbeLog"));
        clearLog = reinterpret_cast<void (*)()>(::dlsym(handle, "clapProbeClearLog"));
        clearLog();
        plugin = ClapPlugin::load(kProbePath);
    }
    void TearDown() override {
        plugin.reset();
        if (handle != nullptr) ::dlclose(handle);
    }
    FourChannelRecorder render(std::vector<float> input, const std::vector<AutomationEvent>& automation,
                               std::int32_t block) {
        MemorySource source(std::move(input), 48000.0);
        FourChannelRecorder sink;
        RenderOptions options;
        options.pluginSampleRate = 48000.0;
        options.blockSize = block;
        renderStream(*plugin, source, sink, automation, options);
        return sink;
    }

    void* handle = nullptr;
    const char* (*log)() = nullptr;
    void (*clearLog)() = nullptr;
    std::unique_ptr<ClapPlugin> plugin;
};

TEST_F(HostToolClapProtocol, LifeCycleOnTheThreadsCalledFor) {
    // Loading: the entry gets the module's full path; the callback the plug-in asked for in
    // init comes on the main thread; the latency is read while active.
    EXPECT_EQ(std::string(log()),
              "entry init absolute\n"
              "init host bramsoliket-host " BRAMSOLIKET_TEST_VERSION " [main]\n"
              "on_main_thread [main]\n"
              "activate 44100 1 512 [main]\n"
              "start_processing [audio]\n"
              "latency [main]\n"
              "stop_processing [audio]\n"
              "deactivate [main]\n");
    clearLog();
    render(std::vector<float>(600, 0.0f), {}, 512);
    EXPECT_EQ(std::string(log()),
              "activate 48000 1 512 [main]\n"
              "start_processing [audio]\n"
              "latency [main]\n"
              "process 512 steady 0 ports 2:2 in1 in2 out2 out2 [audio]\n"
              "process 88 steady 512 ports 2:2 in1 in2 out2 out2 [audio]\n"
              "stop_processing [audio]\n"
              "deactivate [main]\n");
    clearLog();
    render(std::vector<float>(10, 0.0f), {}, 512);
    EXPECT_NE(std::string(log()).find("process 10 steady 600 "), std::string::npos) << "the steady time goes on";
    clearLog();
    plugin.reset();
    EXPECT_EQ(std::string(log()), "destroy [main]\nentry deinit\n");
}

// Automation inside a block of 8192 arrives as events of that one call, at their offsets,
// each a whole parameter-value event for the whole plug-in; the probe applies them there.
TEST_F(HostToolClapProtocol, ChangesAreEventsAtTheirOffsetsInOneCall) {
    const std::vector<AutomationEvent> automation = {{700, {0, 0.5f}}, {700, {1, 2.0f}}, {1024, {0, 0.0f}}};
    clearLog();
    const FourChannelRecorder out = render(std::vector<float>(1100, 0.25f), automation, 8192);
    const std::string expected =
        "process 1100 steady 0 ports 2:2 in1 in2 out2 out2 [audio]"
        " (at 700 size " + std::to_string(sizeof(clap_event_param_value)) +
        " space 0 type 5 id 10 value 0.5 note -1 port -1 channel -1 key -1)"
        " (at 700 size " + std::to_string(sizeof(clap_event_param_value)) +
        " space 0 type 5 id 20 value 2 note -1 port -1 channel -1 key -1)"
        " (at 1024 size " + std::to_string(sizeof(clap_event_param_value)) +
        " space 0 type 5 id 10 value 0 note -1 port -1 channel -1 key -1)\n";
    EXPECT_NE(std::string(log()).find(expected), std::string::npos) << log();
    ASSERT_EQ(out.out[0].size(), 1100u);
    for (std::size_t i = 0; i < 1100; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(out.out[0][i], i < 700 ? 0.25f : i < 1024 ? 1.0f : 0.5f);
        ASSERT_EQ(out.out[1][i], 1100.0f);
    }
}

// A restart asked for inside a block comes before the next one; the plug-in's log message
// appears as one warning line.
TEST_F(HostToolClapProtocol, RestartAskedForComesBeforeTheNextBlock) {
    clearLog();
    ::testing::internal::CaptureStderr();
    render(std::vector<float>(600, 0.0f), {{0, {1, 4.0f}}}, 512);
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string calls = log();
    const std::size_t first = calls.find("process 512 steady 0 ");
    const std::size_t restart = calls.find("stop_processing [audio]\ndeactivate [main]\nactivate 48000 1 512 [main]\n"
                                           "start_processing [audio]\nlatency [main]\nprocess 88 ");
    EXPECT_NE(first, std::string::npos) << calls;
    EXPECT_NE(restart, std::string::npos) << calls;
    EXPECT_LT(first, restart);
    EXPECT_EQ(err,
              "bramsoliket-host: warning: plug-in log (warning): gain at the top, restart please\n"
              "bramsoliket-host: warning: the plug-in asked for a restart; it is deactivated and activated again\n");
}

// Between renders the plug-in is not active: a setting goes through flush on the main thread,
// and reads back at once, with the plug-in's own texts both ways.
TEST_F(HostToolClapProtocol, SettingsWhileInactiveAreFlushedOnTheMainThread) {
    clearLog();
    plugin->setParameter(1, 3.0f);
    EXPECT_EQ(std::string(log()),
              "flush (at 0 size " + std::to_string(sizeof(clap_event_param_value)) +
                  " space 0 type 5 id 20 value 3 note -1 port -1 channel -1 key -1) [main]\n");
    EXPECT_EQ(plugin->parameterValue(1), 3.0f);
    EXPECT_EQ(plugin->parameterDisplay(1), "x3.00");
    EXPECT_EQ(plugin->valueForText(0, "-0.5 V"), -0.5f);
    EXPECT_EQ(plugin->valueForText(0, "loud"), std::nullopt);
    EXPECT_EQ(plugin->parameterId(1), 20u);
    const ParameterRange range = plugin->parameterRange(0);
    EXPECT_EQ(range.minimum, -1.0f);
    EXPECT_EQ(range.maximum, 1.0f);
    // Numbers name parameters by id where the format has ids.
    const ParameterNames names(*plugin);
    EXPECT_EQ(names.resolve("20"), 1);
    EXPECT_EQ(names.resolve("10"), 0);
    EXPECT_THROW(names.resolve("1"), std::exception);
}

TEST(HostToolClapPaths, IdAfterTheModuleChoosesAPlugin) {
    EXPECT_EQ(splitClapPluginPath("dir/x.clap#probe.effect").module, "dir/x.clap");
    EXPECT_EQ(splitClapPluginPath("dir/x.clap#probe.effect").pluginId, "probe.effect");
    EXPECT_EQ(splitClapPluginPath("dir/X.CLAP#a#b").pluginId, "a#b");
    EXPECT_EQ(splitClapPluginPath("take#2.clap#id").module, "take#2.clap");
    // A "#" in the file's own name is part of it.
    EXPECT_EQ(splitClapPluginPath("dir/take#2.clap").module, "dir/take#2.clap");
    EXPECT_EQ(splitClapPluginPath("dir/take#2.clap").pluginId, "");
    EXPECT_EQ(detectPluginFormat("dir/x.clap#probe.effect"), PluginFormat::Clap);
    EXPECT_EQ(detectPluginFormat("dir/take#2.clap"), PluginFormat::Clap);
    EXPECT_EQ(detectPluginFormat("dir/take#2.so"), PluginFormat::Vst);
}

}  // namespace
}  // namespace host_tool_test
