// SPDX-License-Identifier: MIT
#include "recurrence_limit.h"

#include "core/coefficient_tables.h"
#include "core/filter_stage.h"

namespace {
// Low-pass row 40, a mid-band setting.
const float* row() { return CoefficientTables::lowPassRows + 6 * 40; }
}  // namespace

float runBareRecurrence(const float* input, float* output, std::size_t count) {
    const double b0 = row()[0], b1 = row()[1], b2 = row()[2], a1 = row()[4], a2 = row()[5];
    float s1 = 0.0f, s2 = 0.0f, y = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = input[i];
        y = flushToZero(static_cast<float>(b0 * x + s1));
        const float n1 = flushToZero(static_cast<float>((b1 * x - a1 * y) + s2));
        s2 = flushToZero(static_cast<float>(b2 * x - a2 * y));
        s1 = n1;
        output[i] = y;
    }
    return y;
}

float runPlainFloatBiquad(const float* input, float* output, std::size_t count) {
    const float b0 = row()[0], b1 = row()[1], b2 = row()[2], a1 = row()[4], a2 = row()[5];
    float s1 = 0.0f, s2 = 0.0f, y = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        const float x = input[i];
        y = b0 * x + s1;
        s1 = b1 * x - a1 * y + s2;
        s2 = b2 * x - a2 * y;
        output[i] = y;
    }
    return y;
}
