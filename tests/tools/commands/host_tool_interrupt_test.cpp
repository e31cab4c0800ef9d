// SPDX-License-Identifier: MIT
// Ctrl-C, SIGTERM and SIGHUP during a render: the half-made temporary file is removed, the
// tool says "interrupted" and exits with 128 + the signal's number. The render is held inside
// a module that never returns from processing, so the signal always arrives mid-render,
// once the partial file exists.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "tool_runner.h"

namespace host_tool_test {
namespace {

bool hasPartialFile(const ScratchDirectory& scratch) {
    for (const std::string& name : scratch.entries()) {
        if (name.find(".partial-") != std::string::npos) return true;
    }
    return false;
}

class InterruptedRender : public ::testing::TestWithParam<int> {};

TEST_P(InterruptedRender, RemovesThePartialFileAndSaysSo) {
    const int signal = GetParam();
    ScratchDirectory scratch;
    writeWav(scratch / "in.wav", std::vector<float>(5000, 0.25f), 1, 44100);
    writeText(scratch / "out.wav", "the previous take");
    RunningTool tool({"render", "-i", (scratch / "in.wav").string(), "-o", (scratch / "out.wav").string(),
                      "--plugin", std::string(BRAMSOLIKET_TEST_MODULE_DIR) + "/stalling_module.so"});
    // The partial file is made before the first block; the module then holds the render.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!hasPartialFile(scratch)) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the render never started";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    tool.sendSignal(signal);
    const ToolRun run = tool.wait();
    EXPECT_EQ(run.status, 128 + signal) << run.err;
    EXPECT_EQ(run.err, "bramsoliket-host: interrupted\n");
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"in.wav", "out.wav"}));
    EXPECT_EQ(readText(scratch / "out.wav"), "the previous take");
}

INSTANTIATE_TEST_SUITE_P(HostTool, InterruptedRender, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGINT ? std::string("Interrupt")
                                    : info.param == SIGTERM ? std::string("Terminate")
                                                            : std::string("HangUp");
                         });

}  // namespace
}  // namespace host_tool_test
