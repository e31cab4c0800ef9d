// SPDX-License-Identifier: MIT
#include "tools/audio/tail_source.h"

#include <algorithm>

std::int64_t TailSource::read(float* const* channels, std::int64_t frames) {
    if (!innerEnded_) {
        const std::int64_t got = inner_->read(channels, frames);
        if (got > 0) return got;
        innerEnded_ = true;
    }
    const std::int64_t count = std::min(frames, tailFrames_ - tailDone_);
    for (int c = 0; c < channelCount(); ++c) std::fill_n(channels[c], count, 0.0f);
    tailDone_ += count;
    return count;
}
