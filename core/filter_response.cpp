// SPDX-License-Identifier: MIT
#include "core/filter_response.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "core/filter_stage.h"

namespace {

using Complex = std::complex<double>;

// (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2) of a row b0, b1, b2, a0, a1, a2 (a0 is
// 1 and unread, as on the audio path).
Complex sectionResponse(const float (&row)[CoefficientTables::kRowSize], Complex zInverse) {
    const Complex zInverse2 = zInverse * zInverse;
    const Complex numerator = static_cast<double>(row[0]) + static_cast<double>(row[1]) * zInverse +
                              static_cast<double>(row[2]) * zInverse2;
    const Complex denominator = 1.0 + static_cast<double>(row[4]) * zInverse + static_cast<double>(row[5]) * zInverse2;
    return numerator / denominator;
}

Complex zInverseAt(double normalizedFrequency) {
    return std::polar(1.0, -2.0 * std::numbers::pi * normalizedFrequency);
}

Complex stageResponseAt(const StageSettings& stage, Complex zInverse) {
    const double level = stage.level;
    if (stage.type == kTypeThru) return level;
    // "Resonant" passes the input itself to the resonance section, unweighted; every other
    // type (the audio path runs any type but these two through its main section) weighs the
    // main section's output.
    const Complex main = stage.type == kTypeResonant
                             ? Complex(1.0)
                             : static_cast<double>(stage.mainGain) * sectionResponse(stage.mainRow, zInverse);
    Complex sum = main;
    if (stage.resonanceStep != FilterStage::kNoResonance) {
        sum += static_cast<double>(stage.resonanceGain) * sectionResponse(stage.resonanceRow, zInverse) * main;
    }
    return sum * level;
}

Complex filterResponseAt(const FilterSettings& settings, Complex zInverse) {
    // The slope stages 1 to stageCount - 1, then the main stage.
    const int stageCount = settings.stageCount < 1 ? 1 : settings.stageCount > kStageCount ? kStageCount : settings.stageCount;
    Complex wet = stageResponseAt(settings.stages[0], zInverse);
    for (int k = 1; k < stageCount; ++k) wet *= stageResponseAt(settings.stages[k], zInverse);
    // The mix as the audio loop forms it: the dry share rounded to float, the wet share as set.
    const double wetShare = settings.dryWet;
    const double dryShare = static_cast<float>(1.0 - wetShare);
    return dryShare + wetShare * wet;
}

}  // namespace

std::complex<double> stageResponse(const StageSettings& stage, double normalizedFrequency) {
    return stageResponseAt(stage, zInverseAt(normalizedFrequency));
}

std::complex<double> filterResponse(const FilterSettings& settings, double normalizedFrequency) {
    return filterResponseAt(settings, zInverseAt(normalizedFrequency));
}

void filterResponse(const FilterSettings& settings, const double* normalizedFrequencies, std::size_t count,
                    std::complex<double>* responses) {
    for (std::size_t k = 0; k < count; ++k) responses[k] = filterResponse(settings, normalizedFrequencies[k]);
}

double responseDecibels(std::complex<double> response) {
    const double magnitude = std::abs(response);
    if (magnitude == 0.0) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(magnitude);
}
