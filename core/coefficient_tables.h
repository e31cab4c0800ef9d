// SPDX-License-Identifier: MIT
// The filter's designs, done ahead of time: 80 normalized frequencies (fractions of the
// sample rate) and, for each of them, one low-pass, one high-pass and one band-pass biquad
// row plus 20 narrow band-pass rows of rising quality for the resonance path. Rows are six
// floats b0, b1, b2, a0, a1, a2 of H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2);
// a0 is always 1.0 and travels with the row unread.
//
// The data lives in coefficient_tables_data.cpp, printed by
// tablegen/generate_coefficient_tables.cpp (which states the design rules); nothing
// prepares the tables at run time and nothing writes them.
#pragma once

struct CoefficientTables {
    static constexpr int kFrequencyCount = 80;
    static constexpr int kResonanceSteps = 20;
    static constexpr int kRowSize = 6;

    static const float normalizedFrequencies[kFrequencyCount];
    static const float lowPassRows[kFrequencyCount * kRowSize];
    static const float highPassRows[kFrequencyCount * kRowSize];
    static const float bandPassRows[kFrequencyCount * kRowSize];
    // Row 20 i + j holds frequency index i, resonance step j; the stride of 20 is fixed.
    static const float resonanceRows[kFrequencyCount * kResonanceSteps * kRowSize];

    // Row addresses; the caller keeps frequencyIndex in 0..79 and step in 0..19.
    static const float* passRow(const float* table, int frequencyIndex) {
        return table + kRowSize * frequencyIndex;
    }
    static const float* resonanceRow(int frequencyIndex, int step) {
        return resonanceRows + kRowSize * (kResonanceSteps * frequencyIndex + step);
    }
};
