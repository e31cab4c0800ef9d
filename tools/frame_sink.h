// Where rendered two-channel audio goes.
#pragma once

#include <cstdint>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void write(const float* left, const float* right, std::int64_t frames) = 0;
};
