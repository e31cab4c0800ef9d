// SPDX-License-Identifier: MIT
// Drives an effect only through its record, as a host does: the dispatcher, the parameter
// entries and the process entries, with text buffers guarded against writes past their size.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "interfaces/vst/aeffect.h"

namespace testing_support {

inline std::intptr_t BRAMSOLIKET_CALL answeringHost(AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t,
                                                    void*, float) {
    return opcode == 1 ? 2400 : 0;
}

class RecordDriver {
public:
    explicit RecordDriver(AEffect* record) : record(record) {}

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0, void* ptr = nullptr,
                           float opt = 0.0f) {
        return record->dispatchEntry(record, opcode, index, value, ptr, opt);
    }
    void set(std::int32_t index, float value) { record->setParameterEntry(record, index, value); }
    float get(std::int32_t index) { return record->getParameterEntry(record, index); }
    void setRate(float rate) { dispatch(10, 0, 0, nullptr, rate); }

    // A text opcode's result. The buffer is larger than allowed and filled with a marker;
    // the bytes past `allowed` must come back untouched.
    std::string text(std::int32_t opcode, std::int32_t index = 0, std::size_t allowed = 9) {
        std::array<char, 64> buffer;
        buffer.fill('\x7e');
        dispatch(opcode, index, 0, buffer.data());
        for (std::size_t i = allowed; i < buffer.size(); ++i) {
            if (buffer[i] != '\x7e') return "<written past " + std::to_string(allowed) + " bytes>";
        }
        const void* end = std::memchr(buffer.data(), 0, allowed);
        if (end == nullptr) return "<unterminated>";
        return std::string(buffer.data());
    }
    std::string display(std::int32_t index) { return text(7, index); }
    std::string name(std::int32_t index) { return text(8, index); }
    std::string label(std::int32_t index) { return text(6, index); }
    std::string programName() { return text(5, 0, 24); }

    // Renders `input` in blocks of `block` frames into two output channels.
    void render(const std::vector<float>& input, std::vector<float>& left, std::vector<float>& right,
                std::size_t block, bool accumulate = false) {
        left.resize(input.size());
        right.resize(input.size());
        for (std::size_t start = 0; start < input.size(); start += block) {
            const std::size_t n = std::min(block, input.size() - start);
            float* in[1] = {const_cast<float*>(input.data() + start)};
            float* out[2] = {left.data() + start, right.data() + start};
            (accumulate ? record->processEntry : record->processReplacingEntry)(record, in, out,
                                                                               static_cast<std::int32_t>(n));
        }
    }

    AEffect* record;
};

}  // namespace testing_support
