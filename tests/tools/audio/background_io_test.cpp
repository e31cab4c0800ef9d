// SPDX-License-Identifier: MIT
// Reading ahead and writing behind on I/O threads: every frame of every channel arrives once
// and in order across chunk boundaries, and an error on an I/O thread reaches the caller.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "tools/audio/background_io.h"
#include "tools/tool_error.h"

namespace {

std::vector<float> ramp(std::size_t n) {
    std::vector<float> values(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = static_cast<float>(i);
    return values;
}

// A two-channel source, the samples and their negation, that hands out odd amounts and can
// fail after a number of frames.
class UnevenSource : public SignalSource {
public:
    UnevenSource(std::vector<float> samples, std::int64_t failAfter) : samples_(std::move(samples)), failAfter_(failAfter) {}
    int channelCount() const override { return 2; }
    std::int64_t read(float* const* channels, std::int64_t frames) override {
        if (position_ >= failAfter_) throw ToolError("disk gone");
        const std::int64_t count =
            std::min<std::int64_t>({frames, 777, static_cast<std::int64_t>(samples_.size()) - position_});
        for (std::int64_t i = 0; i < count; ++i) {
            channels[0][i] = samples_[static_cast<std::size_t>(position_ + i)];
            channels[1][i] = -samples_[static_cast<std::size_t>(position_ + i)];
        }
        position_ += count;
        return count;
    }
    std::int64_t totalFrames() const override { return static_cast<std::int64_t>(samples_.size()); }
    double sampleRate() const override { return 48000.0; }

private:
    std::vector<float> samples_;
    std::int64_t position_ = 0;
    std::int64_t failAfter_;
};

class CollectingSink : public FrameSink {
public:
    explicit CollectingSink(std::int64_t failAfter = -1) : failAfter_(failAfter) {}
    int channelCount() const override { return 2; }
    void write(const float* const* channels, std::int64_t frames) override {
        if (failAfter_ >= 0 && static_cast<std::int64_t>(left_.size()) >= failAfter_) throw ToolError("disk full");
        left_.insert(left_.end(), channels[0], channels[0] + frames);
        right_.insert(right_.end(), channels[1], channels[1] + frames);
    }
    std::vector<float> left_, right_;

private:
    std::int64_t failAfter_;
};

TEST(BackgroundIo, EveryFrameOnceAndInOrder) {
    const std::size_t total = 3 * static_cast<std::size_t>(kIoChunkFrames) + 12345;
    const std::vector<float> samples = ramp(total);
    PrefetchingSource source(std::make_unique<UnevenSource>(samples, static_cast<std::int64_t>(total) + 1));
    EXPECT_EQ(source.totalFrames(), static_cast<std::int64_t>(total));
    EXPECT_EQ(source.sampleRate(), 48000.0);
    CollectingSink collected;
    {
        BackgroundSink sink(collected);
        std::vector<float> block(1000), negated(1000);
        float* const channels[] = {block.data(), negated.data()};
        for (;;) {
            const std::int64_t got = source.read(channels, 1000);
            if (got == 0) break;
            sink.write(channels, got);
        }
        EXPECT_EQ(source.read(channels, 1000), 0);
        sink.finish();
    }
    ASSERT_EQ(collected.left_, samples);
    for (std::size_t i = 0; i < total; ++i) ASSERT_EQ(collected.right_[i], -samples[i]);
}

TEST(BackgroundIo, ErrorsReachTheCaller) {
    const std::vector<float> samples = ramp(5 * static_cast<std::size_t>(kIoChunkFrames));
    PrefetchingSource failingSource(std::make_unique<UnevenSource>(samples, kIoChunkFrames + 5));
    std::vector<float> block(4096), second(4096);
    float* const channels[] = {block.data(), second.data()};
    EXPECT_THROW(
        {
            while (failingSource.read(channels, 4096) > 0) {
            }
        },
        ToolError);

    CollectingSink failingFile(kIoChunkFrames);
    BackgroundSink sink(failingFile);
    const std::vector<float> chunk = ramp(4096);
    const float* const chunkChannels[] = {chunk.data(), chunk.data()};
    EXPECT_THROW(
        {
            for (int i = 0; i < 200; ++i) sink.write(chunkChannels, 4096);
            sink.finish();
        },
        ToolError);
}

// Abandoning both halfway (an error elsewhere) stops their threads without waiting for the end.
TEST(BackgroundIo, AbandonedHalfwayStopsCleanly) {
    const std::vector<float> samples = ramp(20 * static_cast<std::size_t>(kIoChunkFrames));
    CollectingSink collected;
    {
        PrefetchingSource source(std::make_unique<UnevenSource>(samples, static_cast<std::int64_t>(samples.size()) + 1));
        BackgroundSink sink(collected);
        std::vector<float> block(512), second(512);
        float* const channels[] = {block.data(), second.data()};
        for (int i = 0; i < 300; ++i) {
            ASSERT_EQ(source.read(channels, 512), 512);
            sink.write(channels, 512);
        }
    }
    EXPECT_LE(collected.left_.size(), 300u * 512u);
}

}  // namespace
