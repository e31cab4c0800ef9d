// SPDX-License-Identifier: MIT
// A source followed by silence: what a reverb or delay needs to ring out after its input
// ends (render --tail SECONDS).
#pragma once

#include <memory>

#include "tools/audio/signal_source.h"

class TailSource : public SignalSource {
public:
    TailSource(std::unique_ptr<SignalSource> inner, std::int64_t tailFrames)
        : inner_(std::move(inner)), tailFrames_(tailFrames) {}
    int channelCount() const override { return inner_->channelCount(); }
    std::int64_t read(float* const* channels, std::int64_t frames) override;
    std::int64_t totalFrames() const override { return inner_->totalFrames() + tailFrames_; }
    double sampleRate() const override { return inner_->sampleRate(); }

private:
    std::unique_ptr<SignalSource> inner_;
    std::int64_t tailFrames_;
    std::int64_t tailDone_ = 0;
    bool innerEnded_ = false;
};
