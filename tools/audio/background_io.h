// SPDX-License-Identifier: MIT
// File reading and writing on threads of their own, so that the effect's thread only
// processes: a prefetching source reads ahead in large chunks, and a background sink
// collects rendered frames into large chunks and writes them behind. Both keep a bounded
// number of chunks in flight, so memory stays constant however long the signal is. An
// error on an I/O thread reaches the caller at its next read, write or finish.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/audio/frame_sink.h"
#include "tools/audio/signal_source.h"

// Frames per chunk handed between threads: large enough that file system calls are rare.
inline constexpr std::int64_t kIoChunkFrames = 65536;

// The I/O threads leave SIGINT, SIGTERM and SIGHUP to the effect's thread (see
// interrupt_cleanup.h), so that the handler never runs on them.
class PrefetchingSource : public SignalSource {
public:
    explicit PrefetchingSource(std::unique_ptr<SignalSource> inner);
    ~PrefetchingSource() override;
    PrefetchingSource(const PrefetchingSource&) = delete;
    PrefetchingSource& operator=(const PrefetchingSource&) = delete;

    int channelCount() const override { return channels_; }
    std::int64_t read(float* const* channels, std::int64_t frames) override;
    std::int64_t totalFrames() const override { return total_; }
    double sampleRate() const override { return rate_; }

private:
    // Channel c's frames at [c * kIoChunkFrames, c * kIoChunkFrames + frames).
    struct Chunk {
        std::vector<float> samples;
        std::int64_t frames = 0;
    };
    void readAhead();

    std::unique_ptr<SignalSource> inner_;
    const int channels_;
    const std::int64_t total_;
    const double rate_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> ready_;  // a chunk without frames marks the end
    std::vector<Chunk> spare_;  // consumed chunks, reused so memory is touched once
    Chunk current_;
    std::int64_t consumed_ = 0;
    bool ended_ = false;
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

class BackgroundSink : public FrameSink {
public:
    explicit BackgroundSink(FrameSink& inner);
    ~BackgroundSink() override;
    BackgroundSink(const BackgroundSink&) = delete;
    BackgroundSink& operator=(const BackgroundSink&) = delete;

    int channelCount() const override { return channels_; }
    void write(const float* const* channels, std::int64_t frames) override;
    // Writes what is left and waits for the writer; throws what the writer failed with.
    void finish();

private:
    struct Chunk {
        std::vector<std::vector<float>> channels;
        std::int64_t frames = 0;
    };
    void hand(Chunk chunk);
    void startChunk();
    void writeBehind();

    FrameSink& inner_;
    const int channels_;
    Chunk filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> pending_;
    std::vector<Chunk> spare_;  // written chunks, reused so memory is touched once
    bool closing_ = false;
    bool busy_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

// A thread that runs `work` with SIGINT, SIGTERM and SIGHUP blocked.
std::thread startQuietThread(std::function<void()> work);
