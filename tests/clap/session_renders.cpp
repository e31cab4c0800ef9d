// SPDX-License-Identifier: MIT
#include "tests/clap/session_renders.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/parameter_units.h"
#include "support/float_mode.h"
#include "tests/clap/clap_host.h"

namespace clap_testing {
namespace {

using testing_support::SessionStep;

// The CLAP value of a parameter for the VST build's normalized value, as a host converting a
// session by value sends it: "Type" and "Cutoff" as the settings the value selects (0 to 4,
// 0 to 3), the others as they are.
double clapValueOf(clap_id id, float normalized) {
    const auto index = static_cast<std::int32_t>(id);
    return parameter_units::hasChoices(index) ? parameter_units::settingOf(index, normalized) : normalized;
}

// The audio thread's floating-point mode as hosts set it, for the enclosed calls.
class HostAudioThreadMode {
public:
#if defined(BRAMSOLIKET_TEST_MXCSR)
    HostAudioThreadMode() : saved_(float_mode::read()) {
        float_mode::write(float_mode::kDefault | float_mode::kFlushToZero | float_mode::kDenormalsAreZero);
    }
    ~HostAudioThreadMode() { float_mode::write(saved_); }

private:
    unsigned int saved_;
#endif
};

struct Render {
    std::vector<float> left, right;
    explicit Render(std::size_t frames) : left(frames), right(frames) {}
    float* l(std::size_t at) { return left.data() + at; }
    float* r(std::size_t at) { return right.data() + at; }
};

}  // namespace

std::vector<float> renderThroughClapModule(const testing_support::ScriptedSession& session, const std::string& path,
                                           Delivery delivery, std::uint32_t hostBlock) {
    ClapModule module(path);
    TestHost host;
    PluginInstance plugin(module, host);
    if (plugin.plugin == nullptr) throw std::runtime_error("the module created no plug-in");
    const double rate = session.sampleRate;
    const float* input = session.input.data();
    Render out(session.input.size());
    EventList events;
    std::size_t position = 0;

    switch (delivery) {
        case Delivery::EventsPerSessionBlock:
            plugin.activate(rate);
            for (const SessionStep& step : session.steps) {
                if (step.kind == SessionStep::Kind::SetParameter) {
                    events.add(0, step.index, clapValueOf(step.index, step.value));
                }
                if (step.kind == SessionStep::Kind::Suspend) {
                    plugin.deactivate();
                    plugin.activate(rate);
                }
                if (step.kind == SessionStep::Kind::Process) {
                    const auto frames = static_cast<std::uint32_t>(step.frames);
                    plugin.process(input + position, out.l(position), out.r(position), frames, events);
                    events.clear();
                    position += frames;
                }
            }
            break;

        case Delivery::EventsInHostBlocks: {
            plugin.activate(rate, hostBlock);
            std::uint32_t filled = 0;  // frames of the host block so far, from `position`
            const auto endHostBlock = [&] {
                if (filled == 0 && events.empty()) return;
                HostAudioThreadMode mode;
                plugin.process(input + position, out.l(position), out.r(position), filled, events);
                events.clear();
                position += filled;
                filled = 0;
            };
            for (const SessionStep& step : session.steps) {
                if (step.kind == SessionStep::Kind::SetParameter) {
                    events.add(filled, step.index, clapValueOf(step.index, step.value));
                }
                if (step.kind == SessionStep::Kind::Suspend) {
                    endHostBlock();
                    plugin.reset();
                }
                if (step.kind == SessionStep::Kind::Process) {
                    auto remaining = static_cast<std::uint32_t>(step.frames);
                    while (remaining > 0) {
                        const std::uint32_t taken = std::min(remaining, hostBlock - filled);
                        filled += taken;
                        remaining -= taken;
                        if (filled == hostBlock) endHostBlock();
                    }
                }
            }
            endHostBlock();
            break;
        }

        case Delivery::FlushBetweenBlocks:
            for (const SessionStep& step : session.steps) {
                if (step.kind == SessionStep::Kind::SetParameter) {
                    events.add(0, step.index, clapValueOf(step.index, step.value));
                    plugin.flush(events);
                    events.clear();
                }
                if (step.kind == SessionStep::Kind::Suspend) plugin.deactivate();
                if (step.kind == SessionStep::Kind::Process) {
                    if (!plugin.active()) plugin.activate(rate);
                    const auto frames = static_cast<std::uint32_t>(step.frames);
                    plugin.process(input + position, out.l(position), out.r(position), frames);
                    position += frames;
                }
            }
            break;
    }

    if (position != session.input.size()) throw std::runtime_error("the render did not cover the session");
    if (std::memcmp(out.left.data(), out.right.data(), out.left.size() * sizeof(float)) != 0) {
        throw std::runtime_error("the plug-in's two output channels differ");
    }
    return out.left;
}

}  // namespace clap_testing
