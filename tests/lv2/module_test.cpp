// SPDX-License-Identifier: MIT
// The built module as a file: it exports exactly lv2_descriptor, needs nothing beyond the C
// and C++ runtimes (and cairo, where it offers the inline display), and its one descriptor
// carries the plug-in's URI.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/plugin_uri.h"
#include "lv2/lv2_module.h"

namespace {

std::string commandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char chunk[512];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, count);
    pclose(pipe);
    return output;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty()) result.push_back(line);
    }
    return result;
}

TEST(Lv2Module, ExportsOnlyLv2Descriptor) {
    const auto output = commandOutput(std::string("nm -D --defined-only '") + BRAMSOLIKET_LV2_MODULE_PATH +
                                      "' 2>&1; echo status=$?");
    std::vector<std::string> names;
    for (const std::string& line : lines(output)) {
        if (line.rfind("status=", 0) == 0) {
            EXPECT_EQ(line, "status=0") << output;
            continue;
        }
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        names.push_back(name);
        if (name == "lv2_descriptor") {
            EXPECT_EQ(type, "T") << output;
        }
    }
    EXPECT_EQ(names, std::vector<std::string>{"lv2_descriptor"}) << output;
}

TEST(Lv2Module, NeedsOnlyTheCAndCxxRuntimes) {
    const auto output = commandOutput(std::string("objdump -p '") + BRAMSOLIKET_LV2_MODULE_PATH +
                                      "' 2>&1 | awk '$1 == \"NEEDED\" { print $2 }'");
    std::set<std::string> runtimes = {"libstdc++.so.6", "libm.so.6", "libgcc_s.so.1", "libc.so.6"};
#if defined(__SANITIZE_ADDRESS__)
    // An instrumented build links the sanitizers' runtimes as well; the released module does not.
    runtimes.insert({"libasan.so.8", "libubsan.so.1"});
#endif
#if defined(__SANITIZE_THREAD__)
    runtimes.insert("libtsan.so.2");
#endif
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
    // The inline display draws its picture with cairo.
    runtimes.insert("libcairo.so.2");
#endif
    const auto needed = lines(output);
    EXPECT_FALSE(needed.empty()) << output;
    for (const std::string& library : needed) EXPECT_TRUE(runtimes.count(library)) << library;
}

TEST(Lv2Module, HasTheMonoAndTheStereoDescriptorWithOnlyTheInlineDisplayAsExtension) {
    void* handle = ::dlopen(BRAMSOLIKET_LV2_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    const auto entry = reinterpret_cast<LV2_Descriptor_Function>(::dlsym(handle, "lv2_descriptor"));
    ASSERT_NE(entry, nullptr);
    // The mono plug-in keeps index 0 and its URI.
    for (const auto& [index, uri] : {std::pair{0u, kPluginUri}, std::pair{1u, kStereoPluginUri}}) {
        const LV2_Descriptor* descriptor = entry(index);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->URI, uri);
        EXPECT_EQ(descriptor->extension_data("http://lv2plug.in/ns/ext/state#interface"), nullptr);
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
        EXPECT_NE(descriptor->extension_data(kInlineDisplayInterfaceUri), nullptr);
#else
        EXPECT_EQ(descriptor->extension_data(kInlineDisplayInterfaceUri), nullptr);
#endif
    }
    EXPECT_EQ(entry(2), nullptr);
    EXPECT_EQ(entry(0xFFFFFFFFu), nullptr);
    ::dlclose(handle);
}

}  // namespace
