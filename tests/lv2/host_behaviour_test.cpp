// SPDX-License-Identifier: MIT
// The module driven through its descriptor the way real hosts drive LV2 plug-ins, including
// what some of them do that plug-ins have got wrong before: activating before connecting,
// runs of no frames, ports reconnected between runs, several controls changed at once, and
// any sample rate. Each case is compared with the VST module doing the same.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/parameter_units.h"
#include "lv2/lv2_module.h"
#include "lv2/lv2_session.h"
#include "support/scripted_session.h"

namespace {

using lv2_testing::hostValueShownFor;
using lv2_testing::Lv2Instance;
using lv2_testing::Lv2ModuleCopy;
using testing_support::firstDifference;
using testing_support::ScriptedSession;
using testing_support::SessionStep;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kGuard = -1234.5f;  // in buffers that must stay untouched

// Noise with a full-scale click now and then, `frames` long; no steps yet.
ScriptedSession sessionOf(float rate, std::size_t frames, std::uint32_t seed = 3) {
    ScriptedSession session;
    session.sampleRate = rate;
    session.input.resize(frames);
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        session.input[i] = i % 1500 == 0 ? 1.0f : static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    }
    return session;
}

void set(ScriptedSession& session, ParameterIndex index, float value) {
    session.steps.push_back({SessionStep::Kind::SetParameter, index, value, 0});
}
void process(ScriptedSession& session, std::int32_t frames) {
    session.steps.push_back({SessionStep::Kind::Process, 0, 0.0f, frames});
}
void suspend(ScriptedSession& session) {
    session.steps.push_back({SessionStep::Kind::Suspend});
}

std::vector<float> vstRender(const ScriptedSession& session) {
    return testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
}

// One instance of a private module copy over a session's input, driven call by call.
struct PluginOverInput {
    PluginOverInput(const ScriptedSession& session, bool activateNow = true)
        : rate(session.sampleRate), input(session.input), left(input.size()), right(input.size()),
          plugin(module.descriptor(), rate) {
        plugin.controls = lv2_testing::defaultControls(rate);
        if (activateNow) plugin.activate();
        plugin.connectControlsAndPeak();
    }
    // The control set to what the VST build shows for `value`.
    void setControl(ParameterIndex index, float value) { plugin.controls[index] = hostValueShownFor(index, value, rate); }
    void run(std::uint32_t frames) {
        plugin.connectAudio(input.data() + position, left.data() + position, right.data() + position);
        plugin.run(frames);
        position += frames;
    }

    float rate;
    std::vector<float> input, left, right;
    std::size_t position = 0;
    Lv2ModuleCopy module;
    Lv2Instance plugin;
};

TEST(SampleRates, EveryRateAHostOffersGivesTheVstBuildsOutputThere) {
    // The hertz of "Freq" follow the rate: each value, as the VST build shows it at that
    // rate, selects its row there.
    for (const float rate : {8000.0f, 11025.0f, 22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f,
                             384000.0f}) {
        ScriptedSession session = sessionOf(rate, 6000);
        set(session, kParameterFrequency, 0.83f);
        set(session, kParameterResonance, 0.6f);
        set(session, kParameterType, 0.5f);
        process(session, 3000);
        set(session, kParameterFrequency, 0.31f);
        process(session, 3000);
        const auto rendered = lv2_testing::renderThroughLv2Module(session, BRAMSOLIKET_LV2_MODULE_PATH);
        EXPECT_EQ(firstDifference(rendered, vstRender(session)), -1) << "at " << rate << " Hz";
    }
}

TEST(SampleRates, ARateWithoutAPositiveFiniteFloatGetsNoInstance) {
    Lv2ModuleCopy module;
    const LV2_Descriptor& descriptor = module.descriptor();
    for (const double rate : {0.0, -48000.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e-300, 1e-40,
                              1e300}) {
        LV2_Handle instance = descriptor.instantiate(&descriptor, rate, "", nullptr);
        EXPECT_EQ(instance, nullptr) << rate;
        if (instance != nullptr) descriptor.cleanup(instance);
    }
    for (const double rate : {1.0, 8000.0, 384000.0, 1e7}) {
        LV2_Handle instance = descriptor.instantiate(&descriptor, rate, "", nullptr);
        EXPECT_NE(instance, nullptr) << rate;
        if (instance != nullptr) descriptor.cleanup(instance);
    }
}

TEST(HostCallOrder, ActivatingBeforeConnectingReadsNoPort) {
    // As jalv does: activate with nothing connected (a port read would be a null read), then
    // connect and run.
    ScriptedSession session = sessionOf(48000.0f, 4000);
    set(session, kParameterType, 0.25f);
    process(session, 4000);
    Lv2ModuleCopy module;
    Lv2Instance plugin(module.descriptor(), 48000.0);
    plugin.activate();
    plugin.controls = lv2_testing::defaultControls(48000.0f);
    plugin.controls[kParameterType] = hostValueShownFor(kParameterType, 0.25f, 48000.0f);
    plugin.connectControlsAndPeak();
    std::vector<float> left(4000), right(4000);
    plugin.connectAudio(session.input.data(), left.data(), right.data());
    plugin.run(4000);
    EXPECT_EQ(firstDifference(left, vstRender(session)), -1);
    EXPECT_EQ(firstDifference(right, left), -1);
}

TEST(HostCallOrder, ARunOfNoFramesChangesNothing) {
    ScriptedSession session = sessionOf(44100.0f, 3000);
    set(session, kParameterFrequency, 0.7f);
    process(session, 1000);
    process(session, 2000);

    PluginOverInput host(session);
    host.setControl(kParameterFrequency, 0.7f);
    host.run(1000);
    // New settings and guarded buffers, then a run of no frames: no buffer or port is
    // written, and the settings have not reached the filter...
    std::vector<float> guarded(16, kGuard);
    host.plugin.connectAudio(guarded.data(), guarded.data() + 4, guarded.data() + 8);
    host.plugin.peak = kGuard;
    host.setControl(kParameterType, 0.5f);
    host.setControl(kParameterLevel, 0.1f);
    host.plugin.run(0);
    EXPECT_EQ(std::vector<float>(16, kGuard), guarded);
    EXPECT_EQ(host.plugin.peak, kGuard);
    // ...also with the audio ports disconnected...
    host.plugin.connectAudio(nullptr, nullptr, nullptr);
    host.plugin.run(0);
    // ...so taking them back before the next run with frames leaves no trace.
    host.setControl(kParameterType, 0.0f);
    host.setControl(kParameterLevel, 0.5f);
    host.run(2000);
    EXPECT_EQ(firstDifference(host.left, vstRender(session)), -1);
}

TEST(HostCallOrder, PortsReconnectedBetweenRunsAreReadFromTheirNewBuffers) {
    ScriptedSession session = sessionOf(44100.0f, 3000);
    process(session, 1000);
    set(session, kParameterResonance, 0.9f);
    process(session, 1000);
    process(session, 1000);

    PluginOverInput host(session);
    host.run(1000);
    // The resonance control moves to a buffer holding a new value: it applies from the next run.
    float resonance = 0.9f;
    host.plugin.connect(controlPortOf(kParameterResonance), &resonance);
    host.run(1000);
    // Another buffer with the same value changes nothing; the old buffer is no longer read.
    float sameResonance = 0.9f;
    host.plugin.connect(controlPortOf(kParameterResonance), &sameResonance);
    host.plugin.controls[kParameterResonance] = 0.1f;
    float peak = kGuard;
    host.plugin.connect(kPortPeak, &peak);
    host.run(1000);
    EXPECT_EQ(firstDifference(host.left, vstRender(session)), -1);
    EXPECT_NE(peak, kGuard);
}

TEST(HostCallOrder, ControlsChangedTogetherReachTheCoreInParameterOrder) {
    // A type change jumps to the stored frequency, so "Freq" must arrive before "Type": the
    // VST build given Freq then Type is what the plug-in must sound like, and the other order
    // sounds different.
    ScriptedSession freqFirst = sessionOf(44100.0f, 4000);
    process(freqFirst, 1000);
    set(freqFirst, kParameterFrequency, 0.2f);
    set(freqFirst, kParameterType, 0.5f);
    process(freqFirst, 3000);
    ScriptedSession typeFirst = sessionOf(44100.0f, 4000);
    process(typeFirst, 1000);
    set(typeFirst, kParameterType, 0.5f);
    set(typeFirst, kParameterFrequency, 0.2f);
    process(typeFirst, 3000);
    ASSERT_NE(firstDifference(vstRender(freqFirst), vstRender(typeFirst)), -1);

    // The host writes Type before Freq; both reach the plug-in at the same run.
    PluginOverInput host(freqFirst);
    host.run(1000);
    host.setControl(kParameterType, 0.5f);
    host.setControl(kParameterFrequency, 0.2f);
    host.run(3000);
    EXPECT_EQ(firstDifference(host.left, vstRender(freqFirst)), -1);
}

TEST(HostCallOrder, DeactivateAndActivateClearTheHistoriesAsASuspendDoes) {
    ScriptedSession suspended = sessionOf(48000.0f, 4000);
    set(suspended, kParameterResonance, 0.95f);
    process(suspended, 2000);
    suspend(suspended);
    process(suspended, 2000);
    ScriptedSession running = suspended;
    running.steps.erase(running.steps.begin() + 2);
    ASSERT_NE(firstDifference(vstRender(suspended), vstRender(running)), -1);

    PluginOverInput host(suspended);
    host.setControl(kParameterResonance, 0.95f);
    host.run(2000);
    host.plugin.deactivate();
    host.plugin.activate();
    host.run(2000);
    EXPECT_EQ(firstDifference(host.left, vstRender(suspended)), -1);
}

TEST(ControlValues, NaNSetsNothingAndValuesBeyondARangeTakeItsEnd) {
    ScriptedSession session = sessionOf(44100.0f, 3000);
    set(session, kParameterFrequency, 0.4f);
    set(session, kParameterResonance, 1.0f);
    set(session, kParameterType, 1.0f);
    set(session, kParameterCutoff, 1.0f);
    set(session, kParameterDryWet, 0.0f);
    set(session, kParameterLevel, 1.0f);
    process(session, 1500);
    set(session, kParameterDryWet, 1.0f);
    set(session, kParameterSmoothing, 0.0f);
    process(session, 1500);

    PluginOverInput host(session);
    host.setControl(kParameterFrequency, 0.4f);
    host.plugin.controls[kParameterResonance] = 7.0f;
    host.plugin.controls[kParameterType] = 1e9f;
    host.plugin.controls[kParameterCutoff] = 480.0f;
    host.plugin.controls[kParameterDryWet] = -3.0f;
    host.plugin.controls[kParameterLevel] = std::numeric_limits<float>::infinity();
    host.run(1500);
    host.plugin.controls[kParameterFrequency] = kNaN;
    host.plugin.controls[kParameterLevel] = kNaN;
    host.plugin.controls[kParameterDryWet] = 2.0f;
    host.plugin.controls[kParameterSmoothing] = -1.0f;
    host.run(1500);
    EXPECT_EQ(firstDifference(host.left, vstRender(session)), -1);
}

TEST(PeakPort, ShowsEachRunsHighestFilteredSampleAndNeverLessThanZero) {
    // Straight through at unity, so the filtered signal is the input.
    ScriptedSession session = sessionOf(44100.0f, 12);
    session.input = {0.25f, -0.5f, 0.75f, -0.1f,           // peak 0.75
                     -0.25f, -0.5f, -0.75f, -0.1f,         // all negative: 0
                     kNaN, 0.125f, -1.0f, 0.0625f};         // NaN does not count: 0.125
    PluginOverInput host(session);
    host.setControl(kParameterType, 1.0f);
    const float expected[] = {0.75f, 0.0f, 0.125f};
    for (const float peak : expected) {
        host.plugin.peak = kGuard;
        host.run(4);
        EXPECT_EQ(host.plugin.peak, peak);
    }
    EXPECT_TRUE(std::isnan(host.left[8]));
    // With the filter on, the peak is the highest sample the run wrote (all of it wet).
    ScriptedSession noise = sessionOf(44100.0f, 2048);
    PluginOverInput filtered(noise);
    filtered.setControl(kParameterResonance, 0.8f);
    filtered.run(2048);
    float highest = 0.0f;
    for (const float sample : filtered.left) highest = std::max(highest, sample);
    EXPECT_GT(highest, 0.0f);
    EXPECT_EQ(filtered.plugin.peak, highest);
}

}  // namespace
