// SPDX-License-Identifier: MIT
// Where rendered audio goes: a fixed number of channels, written block by block.
#pragma once

#include <cstdint>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual int channelCount() const = 0;
    virtual void write(const float* const* channels, std::int64_t frames) = 0;
};

// Output that nobody wants (render -n, the settling part of the response measurement).
class DiscardingSink : public FrameSink {
public:
    explicit DiscardingSink(int channels) : channels_(channels) {}
    int channelCount() const override { return channels_; }
    void write(const float* const*, std::int64_t) override {}

private:
    int channels_;
};
