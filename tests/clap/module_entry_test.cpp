// SPDX-License-Identifier: MIT
// What a host finds in BRAMSOLIKET.clap before it processes anything: one exported symbol,
// the entry and its factory, the descriptor, the extensions and the ports.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "tests/clap/clap_host.h"

namespace {

using namespace clap_testing;

TEST(ClapModule, ExportsOnlyClapEntry) {
    FILE* pipe = popen(("nm -D --defined-only '" + std::string(BRAMSOLIKET_CLAP_MODULE_PATH) + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[512];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    ASSERT_EQ(pclose(pipe), 0) << output;
    std::istringstream lines(output);
    std::vector<std::string> names;
    for (std::string address, type, name; lines >> address >> type >> name;) names.push_back(name);
    EXPECT_EQ(names, std::vector<std::string>{"clap_entry"}) << output;
}

TEST(ClapModule, EntryFactoryAndDescriptor) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    const clap_plugin_entry* entry = module.entry();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->clap_version.major, 1u);
    // Initialising again, as CLAP 1.2 allows, succeeds and needs a matching deinit.
    EXPECT_TRUE(entry->init("again"));
    entry->deinit();
    EXPECT_EQ(entry->get_factory("clap.preset-discovery-factory/2"), nullptr);
    EXPECT_EQ(entry->get_factory(nullptr), nullptr);

    const clap_plugin_factory* factory = module.factory();
    ASSERT_NE(factory, nullptr);
    ASSERT_EQ(factory->get_plugin_count(factory), 2u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 2), nullptr);
    // The mono plug-in first, its id unchanged; the features name the ports: a mono input
    // and a stereo output, or stereo both.
    const struct {
        const char* id;
        const char* name;
        std::vector<std::string> features;
    } expected[] = {{"bramsoliket.filter", "BRAMSOLIKET Mono", {"audio-effect", "filter", "mono", "stereo"}},
                    {"bramsoliket.filter.stereo", "BRAMSOLIKET Stereo", {"audio-effect", "filter", "stereo"}}};
    for (std::uint32_t index = 0; index < 2; ++index) {
        const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, index);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(descriptor->clap_version.major, 1u);
        EXPECT_STREQ(descriptor->id, expected[index].id);
        EXPECT_STREQ(descriptor->name, expected[index].name);
        EXPECT_STREQ(descriptor->version, "1.2.0");
        EXPECT_STREQ(descriptor->vendor, "The BRAMSOLIKET developers");
        EXPECT_STREQ(descriptor->url, "https://github.com/bramsoliket/bramsoliket");
        for (const char* field : {descriptor->manual_url, descriptor->support_url, descriptor->description}) {
            ASSERT_NE(field, nullptr);
            EXPECT_STRNE(field, "");
        }
        std::vector<std::string> features;
        for (const char* const* feature = descriptor->features; *feature != nullptr; ++feature) {
            features.push_back(*feature);
        }
        EXPECT_EQ(features, expected[index].features);
        // The plug-in made for the id is the one the descriptor describes.
        TestHost host;
        PluginInstance plugin(module, host, descriptor->id);
        ASSERT_NE(plugin.plugin, nullptr);
        EXPECT_EQ(plugin.plugin->desc, descriptor);
    }

    TestHost host;
    EXPECT_EQ(factory->create_plugin(factory, host.host(), "bramsoliket.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, host.host(), nullptr), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, "bramsoliket.filter"), nullptr);
    clap_host draft = *host.host();
    draft.clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, &draft, "bramsoliket.filter"), nullptr);
}

// The mono plug-in: a mono input port; the stereo one: a stereo input port.
class ClapPlugins : public testing::TestWithParam<std::pair<const char*, std::uint32_t>> {};

TEST_P(ClapPlugins, ExtensionsPortsAndLatency) {
    const auto [id, inputChannels] = GetParam();
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host, id);
    ASSERT_NE(instance.plugin, nullptr);
    EXPECT_EQ(instance.plugin->desc->id, std::string(id));
    ASSERT_NE(instance.ports, nullptr);
    ASSERT_NE(instance.params, nullptr);
    ASSERT_NE(instance.state, nullptr);
    ASSERT_NE(instance.latency, nullptr);
    for (const char* absent : {"clap.note-ports", "clap.render", "", "clap.params.x"}) {
        EXPECT_EQ(instance.plugin->get_extension(instance.plugin, absent), nullptr) << absent;
    }
    // The window and the host loop's callbacks it needs, where the module is built with them.
#if defined(BRAMSOLIKET_CLAP_GUI)
    constexpr bool kWindow = true;
#else
    constexpr bool kWindow = false;
#endif
    for (const char* id : {kClapExtGui, kClapExtPosixFdSupport, kClapExtTimerSupport}) {
        EXPECT_EQ(instance.plugin->get_extension(instance.plugin, id) != nullptr, kWindow) << id;
    }
    // A host without posix-fd and timer support (this one) gets no window: a window whose
    // events nobody reads would block or never draw.
    const auto* gui =
        static_cast<const clap_plugin_gui*>(instance.plugin->get_extension(instance.plugin, kClapExtGui));
    if (gui != nullptr) {
        EXPECT_FALSE(gui->is_api_supported(instance.plugin, kClapWindowApiX11, false));
        EXPECT_FALSE(gui->create(instance.plugin, kClapWindowApiX11, false));
        std::uint32_t width = 0, height = 0;
        EXPECT_FALSE(gui->get_size(instance.plugin, &width, &height));
    }
    EXPECT_EQ(instance.plugin->get_extension(instance.plugin, nullptr), nullptr);

    struct Expected {
        bool isInput;
        const char* name;
        std::uint32_t channels;
        const char* type;
    };
    for (const Expected& port : {Expected{true, "Input", inputChannels, inputChannels == 1 ? "mono" : "stereo"},
                                 Expected{false, "Output", 2, "stereo"}}) {
        ASSERT_EQ(instance.ports->count(instance.plugin, port.isInput), 1u);
        clap_audio_port_info info;
        std::memset(&info, 0x5a, sizeof info);
        ASSERT_TRUE(instance.ports->get(instance.plugin, 0, port.isInput, &info));
        EXPECT_EQ(info.id, 0u);
        EXPECT_STREQ(info.name, port.name);
        EXPECT_EQ(info.flags, kClapAudioPortIsMain);
        EXPECT_EQ(info.channel_count, port.channels);
        EXPECT_STREQ(info.port_type, port.type);
        EXPECT_EQ(info.in_place_pair, kClapInvalidId);
        EXPECT_FALSE(instance.ports->get(instance.plugin, 1, port.isInput, &info));
        EXPECT_FALSE(instance.ports->get(instance.plugin, 0, port.isInput, nullptr));
    }

    ASSERT_TRUE(instance.activate(48000.0));
    EXPECT_EQ(instance.latency->get(instance.plugin), 0u);
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, ClapPlugins,
                         testing::Values(std::pair{"bramsoliket.filter", 1u}, std::pair{"bramsoliket.filter.stereo", 2u}),
                         [](const auto& info) { return std::string(info.param.second == 1 ? "Mono" : "Stereo"); });

// Some hosts offer no extension at all: the plug-in works without calling through a null.
TEST(ClapModule, HostsWithoutExtensions) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    for (const HostOffer offer : {HostOffer{false, false, false, false}, HostOffer{true, false, false, false}}) {
        TestHost host(offer);
        PluginInstance instance(module, host);
        ASSERT_NE(instance.plugin, nullptr);
        EXPECT_TRUE(instance.load(instance.save()));
        EXPECT_EQ(host.valueRescans, 0);
        ASSERT_TRUE(instance.activate(44100.0));
        std::vector<float> input(64, 0.25f), left(64), right(64);
        EventList events;
        events.add(10, 0, 0.2);
        EXPECT_EQ(instance.process(input.data(), left.data(), right.data(), 64, events), kClapProcessContinue);
        EXPECT_EQ(instance.value(0), 0.2f);
        EXPECT_EQ(left, right);
    }
}

}  // namespace
