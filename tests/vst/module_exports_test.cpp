// SPDX-License-Identifier: MIT
// The built module exports exactly one symbol, `main`: everything else stays inside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

#if defined(__linux__)
std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char chunk[512];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        output.append(chunk, count);
    }
    pclose(pipe);
    return output;
}

TEST(ModuleExports, MainIsTheOnlyDefinedDynamicSymbol) {
    const std::string output =
        commandOutput(std::string("nm -D --defined-only '") + BRAMSOLIKET_MODULE_PATH + "' 2>&1; echo status=$?");
    ASSERT_NE(output.find("status=0"), std::string::npos) << output;

    std::vector<std::string> names;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("status=", 0) == 0 || line.empty()) {
            continue;
        }
        // "<address> <type> <name>"
        std::istringstream fields(line);
        std::string address;
        std::string type;
        std::string name;
        fields >> address >> type >> name;
        names.push_back(name);
        if (name == "main") {
            EXPECT_EQ(type, "T") << "main must be a global function";
        }
    }
    EXPECT_EQ(names, std::vector<std::string>{"main"}) << output;
}
#else
TEST(ModuleExports, MainIsTheOnlyDefinedDynamicSymbol) {
    GTEST_SKIP() << "reads the module with nm on Linux only";
}
#endif

}  // namespace
