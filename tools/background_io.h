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
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/frame_sink.h"
#include "tools/signal_source.h"

// Frames per chunk handed between threads: large enough that file system calls are rare.
inline constexpr std::int64_t kIoChunkFrames = 65536;

class PrefetchingSource : public SignalSource {
public:
    explicit PrefetchingSource(std::unique_ptr<SignalSource> inner);
    ~PrefetchingSource() override;
    PrefetchingSource(const PrefetchingSource&) = delete;
    PrefetchingSource& operator=(const PrefetchingSource&) = delete;

    std::int64_t read(float* channel0, std::int64_t frames) override;
    std::int64_t totalFrames() const override { return total_; }
    double sampleRate() const override { return rate_; }

private:
    void readAhead();

    std::unique_ptr<SignalSource> inner_;
    const std::int64_t total_;
    const double rate_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<float>> ready_;  // an empty chunk marks the end
    std::vector<std::vector<float>> spare_;  // consumed chunks, reused so memory is touched once
    std::vector<float> current_;
    std::size_t consumed_ = 0;
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

    void write(const float* left, const float* right, std::int64_t frames) override;
    // Writes what is left and waits for the writer; throws what the writer failed with.
    void finish();

private:
    struct Chunk {
        std::vector<float> left, right;
    };
    void hand(Chunk chunk);
    void startChunk();
    void writeBehind();

    FrameSink& inner_;
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
