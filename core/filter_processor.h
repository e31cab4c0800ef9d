// SPDX-License-Identifier: MIT
// The filter as every plug-in format uses it: seven parameters as normalized values, two
// programs, four stages in cascade, the dry/wet mix, and processing of one input channel
// into two identical output channels. It knows no plug-in interface; each format's adapter
// turns its host's calls into these.
//
// Threads: a host's parameter thread may call the setters while its audio thread runs
// process. The working values and the stages' settings they reach are relaxed atomics, so
// each change lands whole and is seen from the next sample or call on, without locks.
// Nothing here allocates after construction.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/block_output.h"
#include "core/filter_program.h"
#include "core/filter_settings.h"
#include "core/filter_stage.h"
#include "core/parameter_display.h"
#include "core/parameter_rules.h"
#include "core/snapshot_channel.h"

inline constexpr std::int32_t kFilterProgramCount = 2;

class FilterProcessor {
public:
    // Builds the stages, allocates the programs (throws std::bad_alloc when it cannot) and
    // loads program 0, which sets every working value and stage; the histories start clear.
    FilterProcessor();
    FilterProcessor(const FilterProcessor&) = delete;
    FilterProcessor& operator=(const FilterProcessor&) = delete;

    // Stores the value in the current program and turns it into its working value, telling
    // the stages that need it. An index outside 0 to 6 is ignored.
    void setParameter(std::int32_t index, float value);
    // The last value set for the index, 0 for any other index.
    float getParameter(std::int32_t index) const;
    // What the index shows at the given sample rate (parameter_units.h); nothing for an
    // unknown index. For "Freq" it is the main stage's target row in hertz.
    std::optional<ParameterDisplay> display(std::int32_t index, float sampleRate) const;

    // Loads program 0 or 1 (anything else is ignored): its seven values are set in parameter
    // order, each written back into the program.
    void setProgram(std::int32_t program);
    std::int32_t currentProgram() const { return currentProgram_.load(std::memory_order_relaxed); }
    // Renames the current program; a name longer than 23 characters is cut, and the stored
    // name is always terminated.
    void setProgramName(const char* name);
    // Writes the current program's name with its terminator, at most 24 bytes.
    void getProgramName(char* name) const;

    // Clears the four stages' histories; settings, glides and programs stay.
    void suspend();

    // Filters `frameCount` samples of `input` into `left` and `right` and returns the highest
    // filtered sample of the call (signed: negative samples never raise it; minus infinity
    // for no frames, and NaN never counts). A count of 0 or less touches nothing. The input
    // may be the same array as either output.
    float process(const float* input, float* left, float* right, std::int32_t frameCount, OutputMode mode);

    // The settings the stages use, as the audio thread published them after its last process
    // call with frames (construction publishes the first): any thread may read them while
    // process runs, and they follow each glide as it moves.
    FilterSettings publishedSettings() const;
    // Moves on with every publication; the audio thread publishes only when a stage's
    // settings, the stage count, the mix or the main stage's target row have changed.
    std::uint32_t settingsPublications() const { return publishedSettings_.publications(); }
    // The settings the stages will use once every glide toward the present targets has ended.
    FilterSettings settledSettings() const;

    // Read-only views for adapters, tests and diagnostics.
    const FilterStage& stage(int index) const { return stages_[index]; }
    float slopeStageCount() const { return slopeStages_.load(std::memory_order_relaxed); }
    float smoothingSampleCount() const { return smoothingSamples_.load(std::memory_order_relaxed); }
    float filterTypeNumber() const { return filterType_.load(std::memory_order_relaxed); }

private:
    template <OutputMode Mode>
    float render(const float* input, float* left, float* right, std::int32_t frameCount);
    FilterSettings currentSettings() const;
    // Publishes the current settings when they differ from the ones last published.
    void publishChangedSettings();
    FilterProgram& currentProgramRecord();
    const FilterProgram& currentProgramRecord() const;

    std::unique_ptr<FilterProgram[]> programs_;
    FilterStage stages_[kStageCount];
    std::atomic<std::int32_t> currentProgram_{0};
    std::atomic<float> parameterValues_[kParameterCount];
    std::atomic<float> frequency_;
    std::atomic<float> resonance_;
    std::atomic<float> smoothingSamples_;
    std::atomic<float> filterType_;
    std::atomic<float> slopeStages_;
    std::atomic<float> dryWetMix_;
    std::atomic<float> outputLevel_;
    // The stages' settings as plain kernels, kept by the audio thread (render alone touches
    // them) from one call to the next and reloaded only after a stage's settings version has
    // moved on; the histories are loaded afresh on every call. A version of 0 is never a
    // built stage's, so every kernel is loaded on the first call.
    StageKernel kernels_[kStageCount] = {};
    std::uint32_t kernelVersions_[kStageCount] = {};

    // What the settings last published were made from: the stages' settings versions and the
    // processor's own values a snapshot holds. Only the publishing thread touches it.
    struct PublishedFrom {
        std::uint32_t stageVersions[kStageCount];
        std::int32_t stageCount;
        std::uint32_t dryWetBits;  // the bits, so that a NaN mix compares equal to itself
        std::int32_t targetFrequencyRow;
        bool operator==(const PublishedFrom&) const = default;
    };
    PublishedFrom publishedFrom_ = {};
    SnapshotChannel<FilterSettings> publishedSettings_;
};
