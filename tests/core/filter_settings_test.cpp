// SPDX-License-Identifier: MIT
// The processor's settings as displays get them: published after process calls, following a
// glide row by row as the stages use it, settling where the targets say and where a setting
// that is not running says; published only when something in them changed; and handed from
// the audio thread to readers without a torn copy.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "core/filter_processor.h"
#include "core/filter_settings.h"
#include "core/snapshot_channel.h"

namespace {

constexpr std::int32_t kBlock = 256;

// Runs silence through the processor until no stage of its cascade glides.
void settle(FilterProcessor& processor) {
    std::vector<float> silence(kBlock, 0.0f), left(kBlock), right(kBlock);
    const auto gliding = [&] {
        for (int k = 0; k < static_cast<int>(processor.slopeStageCount()); ++k) {
            if (processor.stage(k).isGliding()) return true;
        }
        return false;
    };
    for (int block = 0; gliding(); ++block) {
        ASSERT_LT(block, 400000 / kBlock) << "the glide does not end";
        processor.process(silence.data(), left.data(), right.data(), kBlock, OutputMode::Replace);
    }
}

FilterSettings stagesNow(const FilterProcessor& processor) {
    FilterSettings settings = processor.publishedSettings();
    for (int k = 0; k < settings.stageCount; ++k) settings.stages[k] = currentStageSettings(processor.stage(k));
    return settings;
}

void processBlock(FilterProcessor& processor, std::int32_t frames = kBlock) {
    std::vector<float> input(static_cast<std::size_t>(frames), 0.25f), left(input.size()), right(input.size());
    processor.process(input.data(), left.data(), right.data(), frames, OutputMode::Replace);
}

TEST(PublishedSettings, FollowTheGlideAndSettleWhereTheTargetsSay) {
    FilterProcessor processor;
    settle(processor);
    const std::array<float, kParameterCount> values = {0.2f, 0.7f, 0.1f, 0.25f, 0.34f, 0.8f, 0.4f};
    // Type first: its jump lands on the old frequency, from which "Freq" then glides.
    for (const std::int32_t index : {3, 0, 1, 2, 4, 5, 6}) processor.setParameter(index, values[static_cast<std::size_t>(index)]);
    const std::int32_t from = processor.stage(0).frequencyIndex();
    const std::int32_t to = processor.stage(0).targetFrequencyIndex();
    ASSERT_NE(from, to);
    std::vector<std::int32_t> rows;
    while (processor.stage(0).isGliding()) {
        processBlock(processor);
        // What the stages use after the call, as they use it.
        ASSERT_EQ(processor.publishedSettings(), stagesNow(processor));
        rows.push_back(processor.publishedSettings().stages[0].frequencyRow);
    }
    // Row by row, with the target row published throughout.
    EXPECT_GT(rows.size(), 3u);
    for (std::size_t k = 1; k < rows.size(); ++k) EXPECT_LE(std::abs(rows[k] - rows[k - 1]), 3) << k;
    EXPECT_EQ(rows.back(), to);
    EXPECT_EQ(processor.publishedSettings().targetFrequencyRow, to);
    settle(processor);
    EXPECT_EQ(processor.publishedSettings(), processor.settledSettings());
    EXPECT_EQ(processor.publishedSettings(), settingsForValues(values));
}

TEST(PublishedSettings, SettingsForValuesAreWhereEveryKindOfSettingSettles) {
    for (int type = 0; type < kFilterTypeCount; ++type) {
        for (const float cutoff : {0.0f, 1.0f}) {
            for (const float resonance : {0.0f, 1.0f}) {
                const std::array<float, kParameterCount> values = {0.05f + 0.2f * static_cast<float>(type), resonance, 0.0f,
                                                       0.25f * static_cast<float>(type), cutoff, 0.6f, 0.9f};
                FilterProcessor processor;
                for (std::int32_t index = 0; index < kParameterCount; ++index) {
                    processor.setParameter(index, values[static_cast<std::size_t>(index)]);
                }
                settle(processor);
                processBlock(processor);
                const FilterSettings settings = processor.publishedSettings();
                EXPECT_EQ(settings, settingsForValues(values)) << type << " " << cutoff << " " << resonance;
                EXPECT_EQ(settings.stageCount, cutoff == 0.0f ? 1 : 4);
                EXPECT_EQ(settings.stages[0].resonanceStep, resonance == 0.0f ? -1 : 19);
            }
        }
    }
}

TEST(PublishedSettings, PublishedOnlyWhenWhatTheyHoldChanges) {
    FilterProcessor processor;
    processor.setParameter(kParameterSmoothing, 1.0f);
    settle(processor);
    processBlock(processor);
    const std::uint32_t quiet = processor.settingsPublications();
    for (int call = 0; call < 20; ++call) processBlock(processor);
    EXPECT_EQ(processor.settingsPublications(), quiet) << "published while nothing changed";

    // A change counts from the next call with frames; a call without frames publishes nothing.
    processor.setParameter(kParameterDryWet, 0.3f);
    processBlock(processor, 0);
    EXPECT_EQ(processor.settingsPublications(), quiet);
    EXPECT_EQ(processor.publishedSettings().dryWet, 1.0f);
    processBlock(processor);
    EXPECT_EQ(processor.settingsPublications(), quiet + 1);
    EXPECT_EQ(processor.publishedSettings().dryWet, 0.3f);

    // A new target row alone, before the glide's first move: the lone glide that settled left
    // the step counter at 1, so the first move is 3999 samples away.
    const FilterSettings before = processor.publishedSettings();
    processor.setParameter(kParameterFrequency, 0.9f);
    processBlock(processor);
    EXPECT_EQ(processor.settingsPublications(), quiet + 2);
    EXPECT_EQ(processor.publishedSettings().targetFrequencyRow, 71);
    EXPECT_EQ(processor.publishedSettings().stages[0].frequencyRow, before.stages[0].frequencyRow);

    // Each of the rest is published, and nothing more once its glides are over; a NaN mix,
    // which compares unequal to itself, among them.
    const auto changes = [&](std::int32_t index, float value) {
        const std::uint32_t publications = processor.settingsPublications();
        processor.setParameter(index, value);
        processBlock(processor);
        EXPECT_GT(processor.settingsPublications(), publications) << index;
        settle(processor);
        processBlock(processor);
        const std::uint32_t settled = processor.settingsPublications();
        for (int call = 0; call < 5; ++call) processBlock(processor);
        EXPECT_EQ(processor.settingsPublications(), settled) << index;
    };
    changes(kParameterCutoff, 0.67f);
    EXPECT_EQ(processor.publishedSettings().stageCount, 3);
    changes(kParameterLevel, 0.25f);
    EXPECT_EQ(processor.publishedSettings().stages[0].level, 0.5f);
    changes(kParameterType, 0.5f);
    EXPECT_EQ(processor.publishedSettings().stages[2].type, 2);
    changes(kParameterDryWet, std::numeric_limits<float>::quiet_NaN());
}

// Readers take copies while the writer publishes as an audio thread does, one value after
// each short pause (a block of a few dozen frames takes longer): every copy is one value
// whole, and the copies a reader takes never go back in time.
TEST(SnapshotChannelConcurrencyStress, ReadersNeverKeepATornValue) {
    struct Words {
        std::uint32_t values[64];
    };
    SnapshotChannel<Words> channel;
    std::atomic<bool> done{false};
    std::atomic<std::uint32_t> published{0};
    std::thread writer([&] {
        Words words{};
        for (std::uint32_t n = 1; !done.load(std::memory_order_relaxed); ++n) {
            for (std::uint32_t& word : words.values) word = n;
            channel.publish(words);
            published.store(n, std::memory_order_relaxed);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
    });
#if defined(__SANITIZE_THREAD__)
    const auto duration = std::chrono::milliseconds(1500);
#else
    const auto duration = std::chrono::milliseconds(300);
#endif
    std::vector<std::thread> readers;
    std::atomic<int> torn{0}, backwards{0}, reads{0};
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            std::uint32_t last = 0;
            const auto end = std::chrono::steady_clock::now() + duration;
            while (std::chrono::steady_clock::now() < end) {
                Words copy{};
                if (!channel.read(copy)) continue;
                reads.fetch_add(1, std::memory_order_relaxed);
                for (const std::uint32_t word : copy.values) torn += word != copy.values[0];
                backwards += copy.values[0] < last;
                last = copy.values[0];
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    done = true;
    writer.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(backwards.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(published.load(), 1u);
}

}  // namespace
