// SPDX-License-Identifier: MIT
#include "formats/plugin_formats.h"

#include <algorithm>
#include <tuple>

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

// Where the next host block ends: at the block size, or earlier at a switch or change.
std::uint32_t blockEnd(std::uint32_t position, std::uint32_t length, const Rendering& rendering) {
    std::uint32_t end = std::min(length, position + rendering.hostBlock);
    for (const BypassSwitching& change : rendering.switches) {
        if (change.frame > position && change.frame < end) end = change.frame;
    }
    for (const ParameterChange& change : rendering.changes) {
        if (change.frame > position && change.frame < end) end = change.frame;
    }
    return end;
}

// The channels a render takes: the mono plug-in's one input, or the stereo one's two.
struct Inputs {
    const std::vector<float>* left;
    const std::vector<float>* right;  // null for the mono plug-in
};

class Lv2Format final : public PluginFormat {
public:
    std::string name() const override { return "LV2"; }

    Output render(const std::vector<float>& input, const Rendering& rendering) const override {
        return renderInputs({&input, nullptr}, rendering);
    }
    Output renderStereo(const std::vector<float>& left, const std::vector<float>& right,
                        const Rendering& rendering) const override {
        return renderInputs({&left, &right}, rendering);
    }

private:
    static Output renderInputs(const Inputs& inputs, const Rendering& rendering) {
        const bool stereo = inputs.right != nullptr;
        lv2_testing::Lv2ModuleCopy module(BRAMSOLIKET_LV2_MODULE_PATH, stereo ? 1 : 0);
        lv2_testing::Lv2Instance plugin(module.descriptor(), rendering.sampleRate,
                                        stereo ? kStereoPortLayout : kMonoPortLayout);
        plugin.controls = lv2_testing::defaultControls(rendering.sampleRate);
        for (const auto& [index, value] : rendering.settings) {
            plugin.controls[index] = lv2_testing::hostValueShownFor(index, value, rendering.sampleRate);
        }
        plugin.activate();
        plugin.connectControlsAndPeak();
        const auto length = static_cast<std::uint32_t>(inputs.left->size());
        Output output{std::vector<float>(length), std::vector<float>(length)};
        for (std::uint32_t position = 0; position < length;) {
            // lv2:enabled: 1 filters, 0 bypasses; a switch lands at the start of a run.
            for (const BypassSwitching& change : rendering.switches) {
                if (change.frame == position) plugin.enabled = change.bypassed ? 0.0f : 1.0f;
            }
            for (const ParameterChange& change : rendering.changes) {
                if (change.frame == position) {
                    plugin.controls[change.index] =
                        lv2_testing::hostValueShownFor(change.index, change.value, rendering.sampleRate);
                }
            }
            const std::uint32_t end = blockEnd(position, length, rendering);
            plugin.connectAudio(inputs.left->data() + position, output.left.data() + position,
                                output.right.data() + position);
            if (stereo) plugin.connectRightInput(inputs.right->data() + position);
            plugin.run(end - position);
            position = end;
        }
        plugin.deactivate();
        return output;
    }
};

// A host's event value for a normalized value: "Type" and "Cutoff" by their settings.
double clapValueOf(ParameterIndex index, float value) {
    return parameter_units::hasChoices(index) ? parameter_units::settingOf(index, value) : value;
}

class ClapFormat final : public PluginFormat {
public:
    std::string name() const override { return "CLAP"; }

    Output render(const std::vector<float>& input, const Rendering& rendering) const override {
        return renderInputs({&input, nullptr}, rendering);
    }
    Output renderStereo(const std::vector<float>& left, const std::vector<float>& right,
                        const Rendering& rendering) const override {
        return renderInputs({&left, &right}, rendering);
    }

private:
    static Output renderInputs(const Inputs& inputs, const Rendering& rendering) {
        const bool stereo = inputs.right != nullptr;
        clap_testing::ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
        clap_testing::TestHost host;
        clap_testing::PluginInstance plugin(module, host, stereo ? "bramsoliket.filter.stereo" : "bramsoliket.filter");
        // Before activation, as a host restoring a session sets them.
        clap_testing::EventList setup;
        for (const auto& [index, value] : inParameterOrder(rendering.settings)) {
            setup.add(0, static_cast<clap_id>(index), clapValueOf(index, value));
        }
        for (const BypassSwitching& change : rendering.switches) {
            if (change.frame == 0) setup.add(0, kBypassId, change.bypassed ? 1.0 : 0.0);
        }
        plugin.flush(setup);
        plugin.activate(rendering.sampleRate, rendering.hostBlock);
        const auto length = static_cast<std::uint32_t>(inputs.left->size());
        Output output{std::vector<float>(length), std::vector<float>(length)};
        for (std::uint32_t position = 0; position < length;) {
            const std::uint32_t end = std::min(length, position + rendering.hostBlock);
            // The block's events in time order, as CLAP requires.
            std::vector<std::tuple<std::uint32_t, clap_id, double>> timed;
            for (const BypassSwitching& change : rendering.switches) {
                if (change.frame > 0 && change.frame >= position && change.frame < end) {
                    timed.emplace_back(change.frame - position, kBypassId, change.bypassed ? 1.0 : 0.0);
                }
            }
            for (const ParameterChange& change : rendering.changes) {
                if (change.frame >= position && change.frame < end) {
                    timed.emplace_back(change.frame - position, static_cast<clap_id>(change.index),
                                       clapValueOf(change.index, change.value));
                }
            }
            std::stable_sort(timed.begin(), timed.end(),
                             [](const auto& a, const auto& b) { return std::get<0>(a) < std::get<0>(b); });
            clap_testing::EventList events;
            for (const auto& [time, id, value] : timed) events.add(time, id, value);
            float* left = output.left.data() + position;
            float* right = output.right.data() + position;
            if (stereo) {
                plugin.processStereo(inputs.left->data() + position, inputs.right->data() + position, left, right,
                                     end - position, events);
            } else {
                plugin.process(inputs.left->data() + position, left, right, end - position, events);
            }
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
    std::size_t position = 0;
    const auto renderUpTo = [&](std::size_t end) {
        processor.process(input.data() + position, left.data() + position, right.data() + position,
                          static_cast<std::int32_t>(end - position), OutputMode::Replace);
        position = end;
    };
    for (std::size_t i = 0; i < rendering.changes.size();) {
        const std::uint32_t frame = rendering.changes[i].frame;
        renderUpTo(frame);
        std::vector<std::pair<ParameterIndex, float>> atFrame;
        for (; i < rendering.changes.size() && rendering.changes[i].frame == frame; ++i) {
            atFrame.emplace_back(rendering.changes[i].index, rendering.changes[i].value);
        }
        for (const auto& [index, value] : inParameterOrder(atFrame)) processor.setParameter(index, value);
    }
    renderUpTo(input.size());
    return left;
}

}  // namespace format_testing
