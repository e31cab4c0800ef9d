// SPDX-License-Identifier: MIT
#include "tools/audio/background_io.h"

#include <pthread.h>

#include <algorithm>
#include <csignal>

namespace {
// Chunks waiting between the I/O thread and the effect's thread.
constexpr std::size_t kChunksInFlight = 3;
}  // namespace

std::thread startQuietThread(std::function<void()> work) {
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal);
    // The new thread inherits the mask in force when it starts.
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    std::thread thread(std::move(work));
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

PrefetchingSource::PrefetchingSource(std::unique_ptr<SignalSource> inner)
    : inner_(std::move(inner)),
      channels_(inner_->channelCount()),
      total_(inner_->totalFrames()),
      rate_(inner_->sampleRate()) {
    thread_ = startQuietThread([this] { readAhead(); });
}

PrefetchingSource::~PrefetchingSource() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PrefetchingSource::readAhead() {
    try {
        std::vector<float*> pointers(static_cast<std::size_t>(channels_));
        for (;;) {
            Chunk chunk;
            {
                std::lock_guard lock(mutex_);
                if (!spare_.empty()) {
                    chunk = std::move(spare_.back());
                    spare_.pop_back();
                }
            }
            chunk.samples.resize(static_cast<std::size_t>(kIoChunkFrames * channels_));
            chunk.frames = 0;
            while (chunk.frames < kIoChunkFrames) {
                for (int c = 0; c < channels_; ++c) {
                    pointers[static_cast<std::size_t>(c)] = chunk.samples.data() + c * kIoChunkFrames + chunk.frames;
                }
                const std::int64_t got = inner_->read(pointers.data(), kIoChunkFrames - chunk.frames);
                if (got <= 0) break;
                chunk.frames += got;
            }
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || ready_.size() < kChunksInFlight; });
            if (stopping_) return;
            const bool last = chunk.frames == 0;
            ready_.push_back(std::move(chunk));
            changed_.notify_all();
            if (last) return;
        }
    } catch (...) {
        std::lock_guard lock(mutex_);
        error_ = std::current_exception();
        changed_.notify_all();
    }
}

std::int64_t PrefetchingSource::read(float* const* channels, std::int64_t frames) {
    std::int64_t delivered = 0;
    while (delivered < frames && !ended_) {
        if (consumed_ == current_.frames) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return error_ || !ready_.empty(); });
            if (ready_.empty()) std::rethrow_exception(error_);
            if (current_.samples.capacity() > 0) spare_.push_back(std::move(current_));
            current_ = std::move(ready_.front());
            ready_.pop_front();
            consumed_ = 0;
            changed_.notify_all();
            if (current_.frames == 0) {
                ended_ = true;
                break;
            }
        }
        const std::int64_t count = std::min(current_.frames - consumed_, frames - delivered);
        for (int c = 0; c < channels_; ++c) {
            std::copy_n(current_.samples.begin() + static_cast<std::ptrdiff_t>(c * kIoChunkFrames + consumed_), count,
                        channels[c] + delivered);
        }
        consumed_ += count;
        delivered += count;
    }
    return delivered;
}

BackgroundSink::BackgroundSink(FrameSink& inner) : inner_(inner), channels_(inner.channelCount()) {
    startChunk();
    thread_ = startQuietThread([this] { writeBehind(); });
}

void BackgroundSink::startChunk() {
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    filling_.channels.resize(static_cast<std::size_t>(channels_));
    for (std::vector<float>& channel : filling_.channels) channel.resize(static_cast<std::size_t>(kIoChunkFrames));
    filling_.frames = 0;
}

BackgroundSink::~BackgroundSink() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        pending_.clear();  // not finished: nothing more is wanted
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void BackgroundSink::writeBehind() {
    std::vector<const float*> pointers(static_cast<std::size_t>(channels_));
    for (;;) {
        Chunk chunk;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return closing_ || !pending_.empty(); });
            if (pending_.empty()) return;
            chunk = std::move(pending_.front());
            pending_.pop_front();
            busy_ = true;
        }
        try {
            for (int c = 0; c < channels_; ++c) pointers[static_cast<std::size_t>(c)] = chunk.channels[static_cast<std::size_t>(c)].data();
            inner_.write(pointers.data(), chunk.frames);
        } catch (...) {
            std::lock_guard lock(mutex_);
            error_ = std::current_exception();
            pending_.clear();
            busy_ = false;
            changed_.notify_all();
            return;
        }
        std::lock_guard lock(mutex_);
        spare_.push_back(std::move(chunk));
        busy_ = false;
        changed_.notify_all();
    }
}

void BackgroundSink::hand(Chunk chunk) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return error_ || pending_.size() < kChunksInFlight; });
    if (error_) std::rethrow_exception(error_);
    pending_.push_back(std::move(chunk));
    changed_.notify_all();
}

void BackgroundSink::write(const float* const* channels, std::int64_t frames) {
    std::int64_t done = 0;
    while (done < frames) {
        const std::int64_t count = std::min(kIoChunkFrames - filling_.frames, frames - done);
        for (int c = 0; c < channels_; ++c) {
            std::copy_n(channels[c] + done, count,
                        filling_.channels[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(filling_.frames));
        }
        filling_.frames += count;
        done += count;
        if (filling_.frames == kIoChunkFrames) {
            Chunk full = std::move(filling_);
            hand(std::move(full));
            startChunk();
        }
    }
}

void BackgroundSink::finish() {
    if (filling_.frames > 0) hand(std::move(filling_));
    filling_ = Chunk{};
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return error_ || (pending_.empty() && !busy_); });
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (error_) std::rethrow_exception(error_);
}
