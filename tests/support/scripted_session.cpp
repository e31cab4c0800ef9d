// SPDX-License-Identifier: MIT
#include "support/scripted_session.h"

#include <cstring>
#include <stdexcept>

#include "support/module_loader.h"
#include "support/record_driver.h"

namespace testing_support {
namespace {

// A fixed linear congruential sequence: the same session on every machine and word size.
struct Choices {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
    float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
    std::uint32_t below(std::uint32_t n) { return (next() >> 8) % n; }
};

}  // namespace

ScriptedSession crossFormatSession(float sampleRate, std::uint32_t seed, double seconds) {
    ScriptedSession session;
    session.sampleRate = sampleRate;
    Choices choice{seed};
    const auto totalFrames = static_cast<std::int64_t>(seconds * sampleRate);

    // Noise with now and then a full-scale click, so that the limiter and the resonance ring.
    Choices noise{seed ^ 0x9e3779b9u};
    session.input.resize(static_cast<std::size_t>(totalFrames));
    for (float& sample : session.input) {
        sample = noise.below(997) == 0 ? 1.0f : (noise.unit() - 0.5f) * 0.8f;
    }

    const auto set = [&](std::int32_t index, float value) {
        session.steps.push_back({SessionStep::Kind::SetParameter, index, value, 0});
    };
    // Short glides first, so that the session hears them complete.
    set(2, 0.01f);
    constexpr std::int32_t kBlockSizes[] = {1, 2, 7, 31, 64, 128, 500, 512, 1024, 4096, 8192};
    constexpr float kTypes[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    constexpr float kCutoffs[] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
    std::int64_t done = 0;
    int block = 0;
    while (done < totalFrames) {
        if (block % 3 == 0) {
            const std::int32_t index = static_cast<std::int32_t>(choice.below(7));
            float value = choice.unit();
            if (index == 2) value *= 0.02f;            // glide periods up to 80 samples per row
            if (index == 3) value = kTypes[choice.below(5)];
            if (index == 4) value = kCutoffs[choice.below(4)];
            if (index == 6 && choice.below(8) == 0) value = choice.below(2) == 0 ? 0.0f : 1.0f;
            set(index, value);
        }
        if (block % 40 == 39) session.steps.push_back({SessionStep::Kind::Suspend});
        const std::int64_t frames = std::min<std::int64_t>(kBlockSizes[choice.below(11)], totalFrames - done);
        session.steps.push_back({SessionStep::Kind::Process, 0, 0.0f, static_cast<std::int32_t>(frames)});
        done += frames;
        ++block;
    }
    return session;
}

std::vector<float> renderThroughVstModule(const ScriptedSession& session, const std::string& modulePath) {
    ModuleCopy module(modulePath);
    AEffect* record = module.create(&answeringHost);
    if (record == nullptr) throw std::runtime_error("the module created no effect");
    RecordDriver effect(record);
    effect.setRate(session.sampleRate);
    effect.dispatch(12, 0, 1);

    std::vector<float> left(session.input.size()), right(session.input.size());
    std::size_t position = 0;
    for (const SessionStep& step : session.steps) {
        switch (step.kind) {
            case SessionStep::Kind::SetParameter:
                effect.set(step.index, step.value);
                break;
            case SessionStep::Kind::Suspend:
                effect.dispatch(12, 0, 0);
                effect.dispatch(12, 0, 1);
                break;
            case SessionStep::Kind::Process: {
                float* in[1] = {const_cast<float*>(session.input.data() + position)};
                float* out[2] = {left.data() + position, right.data() + position};
                record->processReplacingEntry(record, in, out, step.frames);
                position += static_cast<std::size_t>(step.frames);
                break;
            }
        }
    }
    ModuleCopy::close(record);
    if (std::memcmp(left.data(), right.data(), left.size() * sizeof(float)) != 0) {
        throw std::runtime_error("the module's two output channels differ");
    }
    return left;
}

std::int64_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<std::int64_t>(i);
    }
    return a.size() == b.size() ? -1 : static_cast<std::int64_t>(common);
}

}  // namespace testing_support
