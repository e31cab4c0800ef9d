// SPDX-License-Identifier: MIT
#include "tests/windows/render_session.h"

#include <array>
#include <cstring>

#include "interfaces/vst/opcodes.h"

namespace {

std::intptr_t BRAMSOLIKET_CALL sessionHost(AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
    return opcode == kHostVersion ? 2400 : 0;
}

constexpr std::array<std::int32_t, 9> kBlockSizes = {64, 1, 17, 256, 100, 3, 512, 33, 128};
constexpr int kBlockCount = 160;

enum class Change { parameter, program, suspendAndResume, sampleRate };

struct ScheduledChange {
    int block;
    Change change;
    std::int32_t index;
    float value;
};

// Every parameter over its range (filter types, stage counts, glides with and without
// smoothing), program switches, suspend, and a few values outside 0..1.
constexpr ScheduledChange kSchedule[] = {
    {4, Change::parameter, 0, 0.25f},
    {8, Change::parameter, 1, 0.6f},
    {12, Change::parameter, 2, 0.0f},
    {16, Change::parameter, 3, 0.2f},
    {20, Change::parameter, 4, 0.5f},
    {24, Change::parameter, 0, 0.9f},
    {24, Change::parameter, 1, 1.0f},
    {30, Change::parameter, 3, 0.5f},
    {36, Change::parameter, 5, 0.3f},
    {40, Change::parameter, 6, 1.0f},
    {46, Change::parameter, 3, 0.7f},
    {46, Change::parameter, 2, 0.01f},
    {52, Change::parameter, 4, 1.0f},
    {58, Change::suspendAndResume, 0, 0.0f},
    {62, Change::program, 1, 0.0f},
    {66, Change::parameter, 3, 0.9f},
    {72, Change::program, 0, 0.0f},
    {78, Change::parameter, 0, 0.0f},
    {78, Change::parameter, 1, 0.3f},
    {78, Change::parameter, 3, 0.0f},
    {78, Change::parameter, 6, 0.25f},
    {84, Change::sampleRate, 0, 48000.0f},
    {90, Change::parameter, 2, 0.1f},
    {90, Change::parameter, 0, 0.6f},
    {96, Change::parameter, 0, 1.5f},
    {96, Change::parameter, 3, 2.0f},
    {96, Change::parameter, 4, -1.0f},
    {96, Change::parameter, 6, 3.0f},
    {104, Change::parameter, 3, 0.125f},
    {104, Change::parameter, 4, 1.0f / 6.0f},
    {104, Change::parameter, 6, 0.5f},
    {104, Change::parameter, 2, 0.0f},
    {112, Change::parameter, 1, 0.05f},
    {118, Change::parameter, 3, 0.625f},
    {118, Change::parameter, 1, 0.95f},
    {126, Change::parameter, 0, 0.1f},
    {134, Change::parameter, 5, 0.0f},
    {140, Change::parameter, 5, 1.0f},
    {140, Change::parameter, 3, 0.375f},
    {150, Change::parameter, 0, 0.75f},
};

void applyChanges(AEffect* record, int block) {
    for (const ScheduledChange& c : kSchedule) {
        if (c.block != block) continue;
        switch (c.change) {
            case Change::parameter: record->setParameterEntry(record, c.index, c.value); break;
            case Change::program: record->dispatchEntry(record, kEffectSetProgram, 0, c.index, nullptr, 0.0f); break;
            case Change::suspendAndResume:
                record->dispatchEntry(record, kEffectProcessingSwitch, 0, 0, nullptr, 0.0f);
                record->dispatchEntry(record, kEffectProcessingSwitch, 0, 1, nullptr, 0.0f);
                break;
            case Change::sampleRate: record->dispatchEntry(record, kEffectSetSampleRate, 0, 0, nullptr, c.value); break;
        }
    }
}

void append(std::vector<float>& out, const std::vector<float>& samples, std::size_t count) {
    out.insert(out.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace

std::vector<float> renderInputSignal(std::size_t frameCount) {
    std::vector<float> signal(frameCount);
    std::uint32_t state = 20240607u;
    for (std::size_t i = 0; i < frameCount; ++i) {
        state = state * 1664525u + 1013904223u;
        // Noise of 16-bit resolution: an integer over a power of two is exact everywhere.
        const float noise = static_cast<float>(static_cast<std::int32_t>(state >> 16) - 32768) / 32768.0f;
        const std::size_t segment = (i / 2048) % 6;
        switch (segment) {
            case 0: signal[i] = noise * 0.25f; break;                        // moderate noise
            case 1: signal[i] = (i / 50) % 2 == 0 ? 0.9f : -0.9f; break;     // square wave
            case 2: signal[i] = noise * 4.0f; break;                         // far beyond full scale
            case 3: signal[i] = i % 512 == 0 ? 1e-20f : 0.0f; break;         // near silence
            case 4: signal[i] = i % 1000 == 0 ? 1.0f : 0.0f; break;          // impulses
            default: signal[i] = noise; break;                               // full-scale noise
        }
    }
    return signal;
}

std::vector<float> renderSession(AEffect* (BRAMSOLIKET_CALL* entry)(HostCallback)) {
    std::vector<float> result;
    AEffect* replacing = entry(&sessionHost);
    AEffect* accumulating = entry(&sessionHost);
    if (replacing == nullptr || accumulating == nullptr) return result;

    std::size_t total = 0;
    for (int block = 0; block < kBlockCount; ++block) total += kBlockSizes[block % kBlockSizes.size()];
    const std::vector<float> input = renderInputSignal(total);

    for (AEffect* record : {replacing, accumulating}) {
        record->dispatchEntry(record, kEffectSetSampleRate, 0, 0, nullptr, 44100.0f);
        record->dispatchEntry(record, kEffectSetBlockSize, 0, 512, nullptr, 0.0f);
        record->dispatchEntry(record, kEffectProcessingSwitch, 0, 1, nullptr, 0.0f);
    }

    std::vector<float> left(512), right(512), sumLeft(512), sumRight(512);
    std::size_t position = 0;
    for (int block = 0; block < kBlockCount; ++block) {
        const std::int32_t frames = kBlockSizes[block % kBlockSizes.size()];
        applyChanges(replacing, block);
        applyChanges(accumulating, block);

        float* in[1] = {const_cast<float*>(input.data() + position)};
        float* out[2] = {left.data(), right.data()};
        replacing->processReplacingEntry(replacing, in, out, frames);

        // The accumulating entry adds to what the buffers hold.
        for (std::int32_t i = 0; i < frames; ++i) {
            sumLeft[i] = 0.125f;
            sumRight[i] = -0.25f;
        }
        float* sums[2] = {sumLeft.data(), sumRight.data()};
        accumulating->processEntry(accumulating, in, sums, frames);

        const auto count = static_cast<std::size_t>(frames);
        append(result, left, count);
        append(result, right, count);
        append(result, sumLeft, count);
        append(result, sumRight, count);
        result.push_back(static_cast<float>(replacing->dispatchEntry(replacing, kEffectGetMeter, 0, 0, nullptr, 0.0f)));
        result.push_back(static_cast<float>(accumulating->dispatchEntry(accumulating, kEffectGetMeter, 0, 0, nullptr, 0.0f)));
        position += count;
    }

    replacing->dispatchEntry(replacing, kEffectClose, 0, 0, nullptr, 0.0f);
    accumulating->dispatchEntry(accumulating, kEffectClose, 0, 0, nullptr, 0.0f);
    return result;
}
