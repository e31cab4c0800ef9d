// SPDX-License-Identifier: MIT
#include "formats/lv2/host_units.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/saturating_conversion.h"
#include "core/value_text.h"

namespace lv2_units {
namespace {

constexpr double kDecibelsPerDecade = 20.0;

// The largest power of two that divides a positive, normal float: the place of its lowest
// set bit. Of several gains, the one with the highest place has the fewest significant bits.
int lowestBitPlace(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    constexpr int kSignificandBits = 23;
    constexpr int kExponentBias = 127;
    const std::uint32_t biasedExponent = bits >> kSignificandBits;
    const std::uint32_t significand = (bits & ((1u << kSignificandBits) - 1)) | (1u << kSignificandBits);
    return static_cast<int>(biasedExponent) - kExponentBias - kSignificandBits + std::countr_zero(significand);
}

// Where one float in decibels stands for several gains (their decibels round to the same
// float), the walk over them stays short: from the floor up, one step of a float in decibels
// spans at most about 30 gains (|dB| < 256, a step of 2^-16 dB, about 1.8e-6 of the gain).
// The limit only bounds the work; the tests check that every walk ends before it.
constexpr int kLongestSharedDecibels = 256;

}  // namespace

float rowFrequencyHz(int row, float sampleRate) {
    const int kept = std::clamp(row, 0, kTopFrequencyRow);
    return roundToFloat(static_cast<double>(CoefficientTables::normalizedFrequencies[kept]) * sampleRate);
}

int rowForFrequency(float hertz, float sampleRate) {
    if (!(hertz > rowFrequencyHz(0, sampleRate))) return 0;
    if (hertz >= rowFrequencyHz(kTopFrequencyRow, sampleRate)) return kTopFrequencyRow;
    int upper = 1;
    while (rowFrequencyHz(upper, sampleRate) <= hertz) ++upper;
    const int lower = upper - 1;
    // Differences of floats this close are exact in double precision.
    const double aboveLower = static_cast<double>(hertz) - rowFrequencyHz(lower, sampleRate);
    const double belowUpper = static_cast<double>(rowFrequencyHz(upper, sampleRate)) - hertz;
    return aboveLower < belowUpper ? lower : upper;
}

float frequencyValueForRow(int row) {
    const int kept = std::clamp(row, 0, kTopFrequencyRow);
    if (kept == 0) return 0.0f;
    if (kept == kTopFrequencyRow) return 1.0f;
    // rnd((r + 0.5) / 79) differs from (r + 0.5) / 79 by less than 2^-24 of it, so times 79
    // it stays within 0.0003 of r + 0.5 and truncates to r.
    return roundToFloat((kept + 0.5) / kTopFrequencyRow);
}

int typeForNumber(float number) {
    const double nearest = std::floor(static_cast<double>(number) + 0.5);
    return static_cast<int>(std::clamp(nearest, 0.0, static_cast<double>(kFilterTypeCount - 1)));
}

float typeValue(int type) {
    // type / 4, exact in float: 0, 0.25, 0.5, 0.75, 1. The core's trunc(4v + 0.5) gives back type.
    return static_cast<float>(std::clamp(type, 0, kFilterTypeCount - 1)) * 0.25f;
}

int stagesForSlope(float decibelsPerOctave) {
    const double nearest = std::floor(static_cast<double>(decibelsPerOctave) / kDecibelsPerOctavePerStage + 0.5);
    return static_cast<int>(std::clamp(nearest, 1.0, static_cast<double>(kMaximumSlopeStages)));
}

float slopeValue(int stages) {
    // (stages - 1) / 3 rounded to float: 0, 0.33333334, 0.6666667, 1. Times 3 they lie within
    // 1e-7 of 0, 1, 2, 3, so the core's 1 + trunc(3v + 0.5) gives back the count.
    const int kept = std::clamp(stages, 1, kMaximumSlopeStages);
    return roundToFloat((kept - 1) / static_cast<double>(kMaximumSlopeStages - 1));
}

float levelDecibels(float value) {
    const float gain = outputLevelFor(value);
    if (!gainHasDecibels(gain)) return -std::numeric_limits<float>::infinity();
    return gainToDecibels(gain);
}

float topLevelDecibels() {
    return levelDecibels(1.0f);
}

float levelValueForDecibels(float decibels) {
    if (!(decibels > kLevelFloorDecibels)) return 0.0f;
    if (decibels >= topLevelDecibels()) return 1.0f;

    // The gains whose display shows exactly these decibels: the VST build shows a gain's
    // decibels rounded to float, so a value read off it belongs to a run of one or more
    // neighbouring gains, the nearest gain to 10^(dB/20) or one beside it. Of the run, the
    // gain with the fewest significant bits is taken, which is every gain a fader step of
    // 2^-24 gives, and the only gain of runs of one.
    const auto shows = [decibels](float gain) { return gainToDecibels(gain) == decibels; };
    const float nearest = roundToFloat(std::pow(10.0, static_cast<double>(decibels) / kDecibelsPerDecade));
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const float candidates[] = {nearest, std::nextafter(nearest, 0.0f), std::nextafter(nearest, kInfinity)};
    const float* shown = std::find_if(std::begin(candidates), std::end(candidates), shows);
    // No gain shows these decibels: the nearest gain. Above the floor every gain is a
    // normal float, so halving it is exact.
    if (shown == std::end(candidates)) return nearest * 0.5f;

    float simplest = *shown;
    for (const float direction : {0.0f, kInfinity}) {
        float gain = *shown;
        for (int step = 0; step < kLongestSharedDecibels; ++step) {
            gain = std::nextafter(gain, direction);
            if (!shows(gain)) break;
            if (lowestBitPlace(gain) > lowestBitPlace(simplest)) simplest = gain;
        }
    }
    return std::min(simplest, 2.0f) * 0.5f;
}

float shownHostValue(FilterProcessor& processor, ParameterIndex index, float sampleRate) {
    const auto display = processor.display(index, sampleRate);
    if (!display) return std::numeric_limits<float>::quiet_NaN();
    switch (display->kind) {
        case ParameterDisplay::Kind::Number: return display->number;
        case ParameterDisplay::Kind::Integer: return static_cast<float>(display->integer);
        case ParameterDisplay::Kind::NoSignal: return -std::numeric_limits<float>::infinity();
        case ParameterDisplay::Kind::Name:
            for (std::int32_t type = 0; type < kFilterTypeCount; ++type) {
                if (std::strcmp(FilterStage::typeName(type), display->name) == 0) return static_cast<float>(type);
            }
            break;
    }
    return std::numeric_limits<float>::quiet_NaN();
}

std::optional<float> normalizedValue(ParameterIndex index, float hostValue, float sampleRate) {
    if (std::isnan(hostValue)) return std::nullopt;
    switch (index) {
        case kParameterFrequency:
            return frequencyValueForRow(rowForFrequency(hostValue, sampleRate));
        case kParameterType:
            return typeValue(typeForNumber(hostValue));
        case kParameterCutoff:
            return slopeValue(stagesForSlope(hostValue));
        case kParameterLevel:
            return levelValueForDecibels(hostValue);
        case kParameterResonance:
        case kParameterSmoothing:
        case kParameterDryWet:
            return std::clamp(hostValue, 0.0f, 1.0f);
        case kParameterCount:
            break;
    }
    return std::nullopt;
}

}  // namespace lv2_units
