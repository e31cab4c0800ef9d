#include "tools/background_io.h"

#include <algorithm>

namespace {
// Chunks waiting between the I/O thread and the effect's thread.
constexpr std::size_t kChunksInFlight = 3;
}  // namespace

PrefetchingSource::PrefetchingSource(std::unique_ptr<SignalSource> inner)
    : inner_(std::move(inner)), total_(inner_->totalFrames()), rate_(inner_->sampleRate()) {
    thread_ = std::thread([this] { readAhead(); });
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
        for (;;) {
            std::vector<float> chunk;
            {
                std::lock_guard lock(mutex_);
                if (!spare_.empty()) {
                    chunk = std::move(spare_.back());
                    spare_.pop_back();
                }
            }
            chunk.resize(static_cast<std::size_t>(kIoChunkFrames));
            std::int64_t filled = 0;
            while (filled < kIoChunkFrames) {
                const std::int64_t got = inner_->read(chunk.data() + filled, kIoChunkFrames - filled);
                if (got <= 0) break;
                filled += got;
            }
            chunk.resize(static_cast<std::size_t>(filled));
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || ready_.size() < kChunksInFlight; });
            if (stopping_) return;
            const bool last = filled == 0;
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

std::int64_t PrefetchingSource::read(float* channel0, std::int64_t frames) {
    std::int64_t delivered = 0;
    while (delivered < frames && !ended_) {
        if (consumed_ == current_.size()) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return error_ || !ready_.empty(); });
            if (ready_.empty()) std::rethrow_exception(error_);
            if (current_.capacity() > 0) spare_.push_back(std::move(current_));
            current_ = std::move(ready_.front());
            ready_.pop_front();
            consumed_ = 0;
            changed_.notify_all();
            if (current_.empty()) {
                ended_ = true;
                break;
            }
        }
        const std::size_t count =
            std::min(current_.size() - consumed_, static_cast<std::size_t>(frames - delivered));
        std::copy_n(current_.begin() + static_cast<std::ptrdiff_t>(consumed_), count, channel0 + delivered);
        consumed_ += count;
        delivered += static_cast<std::int64_t>(count);
    }
    return delivered;
}

BackgroundSink::BackgroundSink(FrameSink& inner) : inner_(inner) {
    startChunk();
    thread_ = std::thread([this] { writeBehind(); });
}

void BackgroundSink::startChunk() {
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    filling_.left.clear();
    filling_.right.clear();
    filling_.left.reserve(static_cast<std::size_t>(kIoChunkFrames));
    filling_.right.reserve(static_cast<std::size_t>(kIoChunkFrames));
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
            inner_.write(chunk.left.data(), chunk.right.data(), static_cast<std::int64_t>(chunk.left.size()));
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

void BackgroundSink::write(const float* left, const float* right, std::int64_t frames) {
    while (frames > 0) {
        const std::int64_t room = kIoChunkFrames - static_cast<std::int64_t>(filling_.left.size());
        const std::int64_t count = std::min(room, frames);
        filling_.left.insert(filling_.left.end(), left, left + count);
        filling_.right.insert(filling_.right.end(), right, right + count);
        left += count;
        right += count;
        frames -= count;
        if (static_cast<std::int64_t>(filling_.left.size()) == kIoChunkFrames) {
            Chunk full = std::move(filling_);
            hand(std::move(full));
            startChunk();
        }
    }
}

void BackgroundSink::finish() {
    if (!filling_.left.empty()) hand(std::move(filling_));
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
