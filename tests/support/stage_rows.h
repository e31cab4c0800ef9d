// SPDX-License-Identifier: MIT
// Table rows as a stage holds them, and normalized settings that land on a given row or
// resonance step, for the stage tests.
#pragma once

#include <cstring>

#include "core/coefficient_tables.h"
#include "core/filter_stage.h"

namespace testing_support {

inline FilterStage::Coefficients passRow(const float* table, int row) {
    FilterStage::Coefficients values;
    std::memcpy(values.data(), CoefficientTables::passRow(table, row), sizeof values);
    return values;
}

inline FilterStage::Coefficients resonanceRow(int row, int step) {
    FilterStage::Coefficients values;
    std::memcpy(values.data(), CoefficientTables::resonanceRow(row, step), sizeof values);
    return values;
}

// A normalized frequency that lands safely on the given row (row / 79 itself may round to
// just below it), and a resonance that lands on the given step.
inline float frequencyOfRow(int row) { return (static_cast<float>(row) + 0.5f) / 79.0f; }
inline float resonanceOfStep(int step) { return (static_cast<float>(step) + 1.5f) / 20.0f; }

}  // namespace testing_support
