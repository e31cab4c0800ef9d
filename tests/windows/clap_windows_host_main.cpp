// SPDX-License-Identifier: MIT
// bramsoliket_clap_windows_host BRAMSOLIKET.clap: loads the Windows CLAP module as a Windows
// host does (LoadLibrary, GetProcAddress("clap_entry")) and checks what such a host relies
// on: the entry and factory, the descriptor, the ports, the parameters with their UTF-8
// texts both ways, the state, and processing. Exit status 0 when every check passed.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/clap/clap_host.h"
#include "tests/windows/checks.h"

namespace {

using namespace clap_testing;

void checkEntryAndDescriptor(const ClapModule& module) {
    CHECK(module.entry() != nullptr);
    if (module.entry() == nullptr) return;
    CHECK_EQUAL(module.entry()->clap_version.major, 1u);
    const clap_plugin_factory* factory = module.factory();
    CHECK(factory != nullptr);
    if (factory == nullptr) return;
    CHECK_EQUAL(factory->get_plugin_count(factory), 1u);
    const clap_plugin_descriptor* descriptor = factory->get_plugin_descriptor(factory, 0);
    CHECK(descriptor != nullptr);
    if (descriptor == nullptr) return;
    CHECK_TEXT(descriptor->id, "bramsoliket.filter");
    CHECK_TEXT(descriptor->name, "BRAMSOLIKET");
    std::string features;
    for (const char* const* feature = descriptor->features; *feature != nullptr; ++feature) {
        features += std::string(*feature) + " ";
    }
    CHECK_TEXT(features, "audio-effect filter mono stereo ");
    CHECK_TEXT(descriptor->vendor, "The BRAMSOLIKET developers");
}

void checkPorts(const PluginInstance& plugin) {
    for (const bool isInput : {true, false}) {
        CHECK_EQUAL(plugin.ports->count(plugin.plugin, isInput), 1u);
        clap_audio_port_info info{};
        CHECK(plugin.ports->get(plugin.plugin, 0, isInput, &info));
        CHECK_EQUAL(info.channel_count, isInput ? 1u : 2u);
        CHECK_TEXT(info.port_type, isInput ? "mono" : "stereo");
    }
}

void checkParameters(const PluginInstance& plugin) {
    CHECK_EQUAL(plugin.params->count(plugin.plugin), 8u);
    const char* names[] = {"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level", "Bypass"};
    const char* texts[] = {"5101.878 Hz", "0.000000 amount", "0.100000 amount", "LowPass",
                           "12 dB/Oct",   "1.000000 mix",    "0.000000 dB",     "Off"};
    for (std::uint32_t i = 0; i < 8; ++i) {
        clap_param_info info{};
        CHECK(plugin.params->get_info(plugin.plugin, i, &info));
        CHECK_TEXT(info.name, names[i]);
        CHECK_TEXT(plugin.text(i, info.default_value), texts[i]);
    }
    CHECK_TEXT(plugin.text(6, 0.0), "-\xE2\x88\x9E dB");
    CHECK_TEXT(plugin.text(6, 0.25), "-6.02059 dB");
    CHECK_TEXT(plugin.text(0, 0.0), "334.3359 Hz");
    CHECK(plugin.valueOf(4, "24 dB/Oct") == 1.0);
    CHECK(plugin.valueOf(6, "-inf") == 0.0);
    CHECK(plugin.valueOf(6, "0 dB") == 0.5);
    CHECK(plugin.valueOf(3, "bandpass") == 2.0);
    CHECK(plugin.valueOf(7, "On") == 1.0);
    CHECK(!plugin.valueOf(6, "0,5").has_value());
}

void checkStateAndProcessing(PluginInstance& plugin) {
    EventList setting;
    setting.add(0, 0, 0.3);
    setting.add(0, 6, 0.9);
    plugin.flush(setting);
    const std::vector<std::uint8_t> state = plugin.save();
    CHECK_EQUAL(state.size(), std::size_t{44});
    CHECK(state.size() >= 4 && std::memcmp(state.data(), "BrSk", 4) == 0);
    CHECK(!plugin.load(std::vector<std::uint8_t>(state.begin(), state.end() - 1)));
    CHECK(plugin.load(state, 3));
    CHECK(plugin.value(0) == static_cast<double>(0.3f));

    CHECK(plugin.activate(48000.0, 256));
    CHECK_EQUAL(plugin.latency->get(plugin.plugin), 0u);
    std::vector<float> input(256, 0.25f), left(256), right(256);
    CHECK_EQUAL(plugin.process(input.data(), left.data(), right.data(), 256, setting), kClapProcessContinue);
    CHECK(left == right);
    CHECK(left[255] != 0.0f);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // every finding is out before a possible crash
    if (argc != 2) {
        std::printf("usage: %s BRAMSOLIKET.clap\n", argv[0]);
        return 2;
    }
    {
        const ClapModule module(argv[1]);
        checkEntryAndDescriptor(module);
        TestHost host;
        PluginInstance plugin(module, host);
        CHECK(plugin.plugin != nullptr && plugin.ports != nullptr && plugin.params != nullptr &&
              plugin.state != nullptr && plugin.latency != nullptr);
        if (plugin.plugin != nullptr && plugin.ports != nullptr && plugin.params != nullptr &&
            plugin.state != nullptr && plugin.latency != nullptr) {
            checkPorts(plugin);
            checkParameters(plugin);
            checkStateAndProcessing(plugin);
        }
    }
    const int failures = windows_checks::failureCount();
    std::printf("%s: %s (%d-bit)\n", argv[0], failures == 0 ? "all checks passed" : "checks FAILED",
                static_cast<int>(sizeof(void*) * 8));
    return failures == 0 ? 0 : 1;
}
