// SPDX-License-Identifier: MIT
// Cost of the audio path through the real process entries, per sample and as a real-time
// factor at 44100 Hz, next to the bare recurrence kernel measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/filter_processor.h"
#include "core/float_environment.h"
#include "formats/vst/filter_effect.h"
#include "recurrence_limit.h"

namespace {

constexpr double kRate = 44100.0;

std::intptr_t BRAMSOLIKET_CALL host(AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
    return opcode == 1 ? 1 : 0;
}

// A signal that keeps every stage busy: noise at a moderate level with occasional peaks
// that reach the soft limiter; `scale` makes it quieter.
std::vector<float> benchSignal(std::size_t n, float scale = 1.0f) {
    std::vector<float> signal(n);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        signal[i] = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * (i % 1000 < 10 ? 3.0f : 0.5f) * scale;
    }
    return signal;
}

void setPerSampleCounters(benchmark::State& state, std::size_t samplesPerIteration, int chains) {
    const double samples = static_cast<double>(samplesPerIteration);
    state.counters["ns_per_sample"] =
        benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["realtime_factor"] =
        benchmark::Counter(samples / kRate, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["chains"] = chains;
}

// Recurrence chains that a case keeps busy: the main biquad of each stage of types 0 to 2,
// and the resonance biquad of the main stage when resonance is on (types 0 to 3).
int activeChains(int type, int stages, bool resonance) {
    int chains = type <= 2 ? stages : 0;
    if (resonance && type <= 3) chains += 1;
    return chains;
}

void BM_BareRecurrence(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const std::vector<float> input = benchSignal(n);
    std::vector<float> output(n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(runBareRecurrence(input.data(), output.data(), n));
        benchmark::ClobberMemory();
    }
    setPerSampleCounters(state, n, 1);
}
BENCHMARK(BM_BareRecurrence)->Arg(4096);

void BM_PlainFloatBiquad(benchmark::State& state) {
    const std::size_t n = static_cast<std::size_t>(state.range(0));
    const std::vector<float> input = benchSignal(n);
    std::vector<float> output(n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(runPlainFloatBiquad(input.data(), output.data(), n));
        benchmark::ClobberMemory();
    }
    setPerSampleCounters(state, n, 1);
}
BENCHMARK(BM_PlainFloatBiquad)->Arg(4096);

// An effect fed consecutive blocks of one long signal, so that every block size sees the
// same signal (a short signal repeated would put its loud start into every small block).
struct Rig {
    static constexpr std::size_t kSignalFrames = 1 << 16;
    explicit Rig(std::size_t block, float scale = 1.0f)
        : effect(std::make_unique<FilterEffect>(&host)), block(block),
          signal(benchSignal(block > kSignalFrames ? block : kSignalFrames, scale)), left(block), right(block) {}
    void render(bool accumulate) {
        if (position + block > signal.size()) position = 0;
        AEffect* record = effect->getRecord();
        float* in[1] = {signal.data() + position};
        float* out[2] = {left.data(), right.data()};
        (accumulate ? record->processEntry : record->processReplacingEntry)(record, in, out,
                                                                           static_cast<std::int32_t>(block));
        position += block;
    }
    std::unique_ptr<FilterEffect> effect;
    std::size_t block;
    std::size_t position = 0;
    std::vector<float> signal, left, right;
};

// The steady cases' frequency (row 39 of 80) and the one gliding cases also visit (row 44).
constexpr float kSteadyFrequency = 0.5f;
constexpr float kNearbyFrequency = (44.0f + 0.5f) / 79.0f;

// Arguments: type 0..4, stages 1..4, resonance 0/1, gliding 0/1, block size.
void BM_ProcessReplacing(benchmark::State& state) {
    const int type = static_cast<int>(state.range(0));
    const int stages = static_cast<int>(state.range(1));
    const bool resonance = state.range(2) != 0;
    const bool gliding = state.range(3) != 0;
    const std::size_t block = static_cast<std::size_t>(state.range(4));
    Rig rig(block);
    FilterEffect& effect = *rig.effect;
    effect.setParameter(kParameterType, type / 4.0f);
    effect.setParameter(kParameterCutoff, (stages - 1) / 3.0f);
    effect.setParameter(kParameterResonance, resonance ? 0.8f : 0.0f);
    effect.setParameter(kParameterFrequency, kSteadyFrequency);
    // Settle the glide of a fresh effect before measuring.
    for (int i = 0; i < 40 * 400 / static_cast<int>(block) + 2; ++i) rig.render(false);
    // Gliding cases go back and forth between the steady setting's row and one a few rows up,
    // so that they filter much as the steady case does and the difference is the glide's.
    float target = kNearbyFrequency;
    if (gliding) effect.setParameter(kParameterFrequency, target);
    for (auto _ : state) {
        rig.render(false);
        if (gliding && effect.stage(0).frequencyIndex() == effect.stage(0).targetFrequencyIndex()) {
            target = target == kNearbyFrequency ? kSteadyFrequency : kNearbyFrequency;
            effect.setParameter(kParameterFrequency, target);  // keep a glide under way all along
        }
    }
    setPerSampleCounters(state, block, activeChains(type, stages, resonance));
    // The share of output samples the limiter bends (all wet: the output is the main stage's
    // limited output, and it exceeds the first knee exactly when its input did), over one
    // pass through the whole signal after the timing.
    std::size_t bent = 0, frames = 0;
    for (std::size_t start = 0; start + block <= rig.signal.size(); start += block) {
        rig.render(false);
        for (const float y : rig.left) bent += (y > 0.5f || y < -0.5f) ? 1 : 0;
        frames += block;
    }
    state.counters["limited_share"] = static_cast<double>(bent) / static_cast<double>(frames);
}
BENCHMARK(BM_ProcessReplacing)
    ->ArgNames({"type", "stages", "res", "glide", "block"})
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1, 2, 3, 4}, {0, 1}, {0, 1}, {32, 512, 4096}})
    ->MinTime(0.02);

// The worst case of the state flush's predicted branch: a signal so quiet (noise around
// 1e-9) that the filter states keep crossing the flush threshold. Four low-pass stages.
void BM_NearFlushThreshold(benchmark::State& state) {
    const std::size_t block = static_cast<std::size_t>(state.range(0));
    Rig rig(block, 1e-9f);
    rig.effect->setParameter(kParameterCutoff, 1.0f);
    for (int i = 0; i < 40 * 400 / static_cast<int>(block) + 2; ++i) rig.render(false);
    for (auto _ : state) rig.render(false);
    setPerSampleCounters(state, block, 4);
}
BENCHMARK(BM_NearFlushThreshold)->Arg(512);

// Accumulating against replacing processing at the default settings.
void BM_ProcessMode(benchmark::State& state) {
    const bool accumulate = state.range(0) != 0;
    const std::size_t block = static_cast<std::size_t>(state.range(1));
    Rig rig(block);
    for (int i = 0; i < 40 * 400 / static_cast<int>(block) + 2; ++i) rig.render(false);
    for (auto _ : state) rig.render(accumulate);
    setPerSampleCounters(state, block, 1);
}
BENCHMARK(BM_ProcessMode)->ArgNames({"accumulate", "block"})->ArgsProduct({{0, 1}, {512, 4096}});

// Two channels against one through the processor itself, as a stereo and a mono plug-in call
// it (under the floating-point guard every format's entry sets): time per frame, that is per
// sample of each channel. The right channel is the same noise a little later, so both
// channels filter alike. Arguments: channels 1/2, type 0..4, stages 1/4, resonance 0/1,
// gliding 0/1, block size.
void BM_Channels(benchmark::State& state) {
    const bool stereo = state.range(0) == 2;
    const int type = static_cast<int>(state.range(1));
    const int stages = static_cast<int>(state.range(2));
    const bool resonance = state.range(3) != 0;
    const bool gliding = state.range(4) != 0;
    const std::size_t block = static_cast<std::size_t>(state.range(5));
    constexpr std::size_t kOffset = 12345;
    const std::vector<float> signal = benchSignal((block > Rig::kSignalFrames ? block : Rig::kSignalFrames) + kOffset);
    std::vector<float> left(block), right(block);
    auto processor = std::make_unique<FilterProcessor>();
    processor->setParameter(kParameterType, type / 4.0f);
    processor->setParameter(kParameterCutoff, (stages - 1) / 3.0f);
    processor->setParameter(kParameterResonance, resonance ? 0.8f : 0.0f);
    processor->setParameter(kParameterFrequency, kSteadyFrequency);
    std::size_t position = 0;
    const auto render = [&] {
        if (position + block + kOffset > signal.size()) position = 0;
        FloatEnvironmentGuard guard;
        const float* in = signal.data() + position;
        const auto frames = static_cast<std::int32_t>(block);
        if (stereo) {
            processor->process(in, in + kOffset, left.data(), right.data(), frames, OutputMode::Replace);
        } else {
            processor->process(in, left.data(), right.data(), frames, OutputMode::Replace);
        }
        position += block;
    };
    for (int i = 0; i < 40 * 400 / static_cast<int>(block) + 2; ++i) render();
    float target = kNearbyFrequency;
    if (gliding) processor->setParameter(kParameterFrequency, target);
    for (auto _ : state) {
        render();
        if (gliding && processor->stage(0).frequencyIndex() == processor->stage(0).targetFrequencyIndex()) {
            target = target == kNearbyFrequency ? kSteadyFrequency : kNearbyFrequency;
            processor->setParameter(kParameterFrequency, target);
        }
    }
    setPerSampleCounters(state, block, activeChains(type, stages, resonance));
}
BENCHMARK(BM_Channels)
    ->ArgNames({"channels", "type", "stages", "res", "glide", "block"})
    ->ArgsProduct({{1, 2}, {0, 1, 2, 3, 4}, {1, 4}, {0, 1}, {0, 1}, {32, 512, 4096}})
    ->MinTime(0.02);

}  // namespace

BENCHMARK_MAIN();
