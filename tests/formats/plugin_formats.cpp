// SPDX-License-Identifier: MIT
#include "formats/plugin_formats.h"

#include <algorithm>

#include "clap/clap_host.h"
#include "core/filter_processor.h"
#include "core/parameter_units.h"
#include "lv2/lv2_module.h"
#include "lv2/lv2_session.h"

namespace format_testing {
namespace {

constexpr clap_id kBypassId = kParameterCount;

// The settings in parameter order, as the LV2 plug-in hands its controls over: a type
// change then jumps to the frequency already set.
std::vector<std::pair<ParameterIndex, float>> inParameterOrder(std::vector<std::pair<ParameterIndex, float>> settings) {
    std::stable_sort(settings.begin(), settings.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return settings;
}

// Where the next host block ends: at the block size, or earlier at a switch.
std::uint32_t blockEnd(std::uint32_t position, std::uint32_t length, const Rendering& rendering) {
    std::uint32_t end = std::min(length, position + rendering.hostBlock);
    for (const BypassSwitching& change : rendering.switches) {
        if (change.frame > position && change.frame < end) end = change.frame;
    }
    return end;
}

class Lv2Format final : public PluginFormat {
public:
    std::string name() const override { return "LV2"; }

    Output render(const std::vector<float>& input, const Rendering& rendering) const override {
        lv2_testing::Lv2ModuleCopy module(BRAMSOLIKET_LV2_MODULE_PATH);
        lv2_testing::Lv2Instance plugin(module.descriptor(), rendering.sampleRate);
        plugin.controls = lv2_testing::defaultControls(rendering.sampleRate);
        for (const auto& [index, value] : rendering.settings) {
            plugin.controls[index] = lv2_testing::hostValueShownFor(index, value, rendering.sampleRate);
        }
        plugin.activate();
        plugin.connectControlsAndPeak();
        const auto length = static_cast<std::uint32_t>(input.size());
        Output output{std::vector<float>(length), std::vector<float>(length)};
        for (std::uint32_t position = 0; position < length;) {
            // lv2:enabled: 1 filters, 0 bypasses; a switch lands at the start of a run.
            for (const BypassSwitching& change : rendering.switches) {
                if (change.frame == position) plugin.enabled = change.bypassed ? 0.0f : 1.0f;
            }
            const std::uint32_t end = blockEnd(position, length, rendering);
            plugin.connectAudio(input.data() + position, output.left.data() + position, output.right.data() + position);
            plugin.run(end - position);
            position = end;
        }
        plugin.deactivate();
        return output;
    }
};

class ClapFormat final : public PluginFormat {
public:
    std::string name() const override { return "CLAP"; }

    Output render(const std::vector<float>& input, const Rendering& rendering) const override {
        clap_testing::ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
        clap_testing::TestHost host;
        clap_testing::PluginInstance plugin(module, host);
        // Before activation, as a host restoring a session sets them: "Type" and "Cutoff"
        // by their settings, the others by their normalized values.
        clap_testing::EventList setup;
        for (const auto& [index, value] : inParameterOrder(rendering.settings)) {
            const bool choice = parameter_units::hasChoices(index);
            setup.add(0, static_cast<clap_id>(index), choice ? parameter_units::settingOf(index, value) : value);
        }
        for (const BypassSwitching& change : rendering.switches) {
            if (change.frame == 0) setup.add(0, kBypassId, change.bypassed ? 1.0 : 0.0);
        }
        plugin.flush(setup);
        plugin.activate(rendering.sampleRate, rendering.hostBlock);
        const auto length = static_cast<std::uint32_t>(input.size());
        Output output{std::vector<float>(length), std::vector<float>(length)};
        for (std::uint32_t position = 0; position < length;) {
            const std::uint32_t end = std::min(length, position + rendering.hostBlock);
            clap_testing::EventList events;
            for (const BypassSwitching& change : rendering.switches) {
                if (change.frame > 0 && change.frame >= position && change.frame < end) {
                    events.add(change.frame - position, kBypassId, change.bypassed ? 1.0 : 0.0);
                }
            }
            plugin.process(input.data() + position, output.left.data() + position, output.right.data() + position,
                           end - position, events);
            position = end;
        }
        return output;
    }
};

}  // namespace

std::shared_ptr<const PluginFormat> lv2Format() { return std::make_shared<Lv2Format>(); }
std::shared_ptr<const PluginFormat> clapFormat() { return std::make_shared<ClapFormat>(); }

std::vector<float> coreRender(const std::vector<float>& input, const Rendering& rendering) {
    // The glide step counters as a freshly loaded module has them: every plug-in render runs
    // a private copy of its module.
    frequencyStepCounter.store(0.0f);
    resonanceStepCounter.store(0.0f);
    FilterProcessor processor;
    for (const auto& [index, value] : inParameterOrder(rendering.settings)) processor.setParameter(index, value);
    std::vector<float> left(input.size()), right(input.size());
    processor.process(input.data(), left.data(), right.data(), static_cast<std::int32_t>(input.size()),
                      OutputMode::Replace);
    return left;
}

}  // namespace format_testing
