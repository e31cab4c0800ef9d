// SPDX-License-Identifier: MIT
// The design rules of the filter's coefficient tables, and the text of
// core/coefficient_tables_data.cpp that holds their results as exact hexadecimal float
// literals. generate_coefficient_tables prints that text; a test compares it with the
// committed file byte for byte. The module itself never runs this code.
//
// How every number comes about:
// - Frequency scale: position p in [0, 1] maps to the normalized frequency
//   f(p) = (10^p - 1) / 18 (0 is DC, 1 is half the sample rate). Row i sits at
//   p_i = (i + 5) / 90. Positions are kept as exact fractions n / 360 so that the two
//   special points below are found by comparing integers.
// - Stored frequency of row i: f(p_i) evaluated in double and rounded toward +infinity to
//   single precision (this reproduces the frequencies the effect has always shown).
// - Design frequency phi(p): f(p) rounded to six decimals, except at p = 2/3 and p = 53/60,
//   which take the next higher six-decimal value (0.202311 and 0.369124).
// - Coefficients: computed in double from the design frequencies, rounded to ten decimals,
//   then to the nearest float. Both roundings go through decimal text ("%.10f" and strtof),
//   which glibc performs exactly, so no intermediate binary rounding creeps in.
// - Low-pass and high-pass rows: second-order Chebyshev type I, 1 dB ripple, bilinear
//   transform prewarped to phi_i. Band-pass rows: a one-pole prototype 1 dB down at its edge,
//   turned into a band-pass between phi(0.75 p_i) and phi(0.75 p_i + 0.25) and scaled to
//   unity gain at the edges' arithmetic mean. Resonance rows: two-pole resonators at phi_i
//   with quality 22.1 + 0.4 j for step j.
#include "core/tablegen/coefficient_table_source.h"

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kFrequencyCount = 80;
constexpr int kResonanceSteps = 20;
constexpr int kRowSize = 6;

// Scale positions as numerators over this denominator: row positions (i + 5) / 90 and the
// band-pass edges 0.75 p_i and 0.75 p_i + 0.25 are all whole multiples of 1/360.
constexpr int kScaleDenominator = 360;
constexpr int rowPositionNumerator(int row) { return 4 * (row + 5); }
constexpr int lowerEdgeNumerator(int row) { return 3 * (row + 5); }
constexpr int upperEdgeNumerator(int row) { return 3 * (row + 5) + kScaleDenominator / 4; }

// The two scale points whose design frequency is the next six-decimal value above f(p).
constexpr int kRoundUpPointTwoThirds = 240;      // p = 2/3
constexpr int kRoundUpPointFiftyThreeSixtieths = 318;  // p = 53/60

double scaleFrequency(int numerator) {
    const double p = static_cast<double>(numerator) / kScaleDenominator;
    return (std::pow(10.0, p) - 1.0) / 18.0;
}

// The float at or above value: the stored frequencies are rounded toward +infinity.
float roundUpToFloat(double value) {
    float result = static_cast<float>(value);
    if (static_cast<double>(result) < value) {
        result = std::nextafter(result, INFINITY);
    }
    return result;
}

double parseDecimal(const char* text) { return std::strtod(text, nullptr); }

// phi(p): the design frequency, a six-decimal value of the scale.
double designFrequency(int numerator) {
    const double exact = scaleFrequency(numerator);
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", exact);
    const bool roundsUp =
        numerator == kRoundUpPointTwoThirds || numerator == kRoundUpPointFiftyThreeSixtieths;
    if (roundsUp && parseDecimal(text) < exact) {
        const long long millionths = std::llround(parseDecimal(text) * 1e6) + 1;
        std::snprintf(text, sizeof text, "%lld.%06lld", millionths / 1000000, millionths % 1000000);
    }
    return parseDecimal(text);
}

// A coefficient as stored: the double rounded to ten decimals, then to the nearest float.
float storedCoefficient(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10f", value);
    return std::strtof(text, nullptr);
}

using Row = std::array<float, kRowSize>;

Row storedRow(double b0, double b1, double b2, double a1, double a2) {
    return {storedCoefficient(b0), storedCoefficient(b1), storedCoefficient(b2), storedCoefficient(1.0),
            storedCoefficient(a1), storedCoefficient(a2)};
}

// Second-order Chebyshev type I prototype with 1 dB ripple, B / (s^2 + A s + B).
struct ChebyshevPrototype {
    double ripple;  // eps
    double a;
    double b;
};

ChebyshevPrototype chebyshevPrototype() {
    const double ripple = std::sqrt(std::pow(10.0, 0.1) - 1.0);
    const double h = std::asinh(1.0 / ripple) / 2.0;
    const double sinhH = std::sinh(h);
    const double coshH = std::cosh(h);
    return {ripple, std::sqrt(2.0) * sinhH, (sinhH * sinhH + coshH * coshH) / 2.0};
}

double prewarp(double frequency) { return std::tan(std::numbers::pi * frequency); }

Row lowPassRow(const ChebyshevPrototype& proto, double frequency) {
    const double t = prewarp(frequency);
    const double bt2 = proto.b * (t * t);
    const double d = 1.0 + proto.a * t + bt2;
    const double b0 = bt2 / d;
    return storedRow(b0, 2.0 * bt2 / d, b0, 2.0 * (bt2 - 1.0) / d, (1.0 - proto.a * t + bt2) / d);
}

Row highPassRow(const ChebyshevPrototype& proto, double frequency) {
    const double t = prewarp(frequency);
    const double t2 = t * t;
    const double d = proto.b + proto.a * t + t2;
    const double b0 = proto.b / d;
    return storedRow(b0, -2.0 * proto.b / d, b0, 2.0 * (t2 - proto.b) / d, (proto.b - proto.a * t + t2) / d);
}

Row bandPassRow(const ChebyshevPrototype& proto, double lowerEdge, double upperEdge) {
    const double kLo = prewarp(lowerEdge);
    const double kHi = prewarp(upperEdge);
    const double w2 = kLo * kHi;
    const double w = std::sqrt(w2);
    const double bw = (kHi - kLo) / proto.ripple;
    const double kCentre = prewarp((lowerEdge + upperEdge) / 2.0);
    const double q = w / bw;
    const double x = kCentre / w - w / kCentre;
    const double gain = std::sqrt(1.0 + q * q * x * x);
    const double d = 1.0 + bw + w2;
    const double b0 = gain * bw / d;
    return storedRow(b0, 0.0, -b0, 2.0 * (w2 - 1.0) / d, (1.0 - bw + w2) / d);
}

Row resonanceRow(double frequency, int step) {
    const double w = 2.0 * std::numbers::pi * frequency;
    const double q = 22.1 + 0.4 * step;
    const double alpha = std::exp(-w / q);
    const double b0 = (1.0 - alpha) / 2.0;
    return storedRow(b0, 0.0, -b0, -(1.0 + alpha) * std::cos(w), alpha);
}

std::string literal(float value) {
    char text[64];
    if (value == 0.0f) {
        std::snprintf(text, sizeof text, "%s0.0f", std::signbit(value) ? "-" : "");
    } else {
        std::snprintf(text, sizeof text, "%af", static_cast<double>(value));
    }
    return text;
}

// printf into a growing text.
[[gnu::format(printf, 2, 3)]] void append(std::string& out, const char* format, ...) {
    char buffer[160];  // longer than any line this file prints
    std::va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        std::abort();
    }
    out.append(buffer, static_cast<std::size_t>(length));
}

// One table definition; rowLabel(r) names row r in the comment that ends its line.
template <typename Label>
void appendRowsTable(std::string& out, const char* name, const char* size, const std::vector<Row>& rows,
                     Label rowLabel) {
    append(out, "\nconst float CoefficientTables::%s[%s] = {\n", name, size);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        append(out, "   ");
        for (float value : rows[r]) {
            append(out, " %s,", literal(value).c_str());
        }
        append(out, "  // %s\n", rowLabel(static_cast<int>(r)).c_str());
    }
    append(out, "};\n");
}

std::string passRowLabel(int row) { return std::to_string(row); }

std::string resonanceRowLabel(int row) {
    return std::to_string(row / kResonanceSteps) + " step " + std::to_string(row % kResonanceSteps);
}

}  // namespace

std::string coefficientTablesSource() {
    const ChebyshevPrototype proto = chebyshevPrototype();

    std::vector<float> frequencies;
    std::vector<Row> lowPass, highPass, bandPass, resonance;
    for (int i = 0; i < kFrequencyCount; ++i) {
        frequencies.push_back(roundUpToFloat(scaleFrequency(rowPositionNumerator(i))));
        const double phi = designFrequency(rowPositionNumerator(i));
        lowPass.push_back(lowPassRow(proto, phi));
        highPass.push_back(highPassRow(proto, phi));
        bandPass.push_back(bandPassRow(proto, designFrequency(lowerEdgeNumerator(i)),
                                       designFrequency(upperEdgeNumerator(i))));
        for (int j = 0; j < kResonanceSteps; ++j) {
            resonance.push_back(resonanceRow(phi, j));
        }
    }

    std::string out;
    out +=
        "// SPDX-License-Identifier: MIT\n"
        "// Generated by generate_coefficient_tables from the rules in\n"
        "// core/tablegen/coefficient_table_source.cpp; do not edit by hand.\n"
        "// Rows are b0, b1, b2, a0, a1, a2.\n"
        "#include \"core/coefficient_tables.h\"\n";
    append(out, "\nconst float CoefficientTables::normalizedFrequencies[kFrequencyCount] = {\n");
    for (int i = 0; i < kFrequencyCount; ++i) {
        append(out, "    %s,  // %d: %.9g\n", literal(frequencies[i]).c_str(), i,
               static_cast<double>(frequencies[i]));
    }
    append(out, "};\n");
    const char* passSize = "kFrequencyCount * kRowSize";
    appendRowsTable(out, "lowPassRows", passSize, lowPass, passRowLabel);
    appendRowsTable(out, "highPassRows", passSize, highPass, passRowLabel);
    appendRowsTable(out, "bandPassRows", passSize, bandPass, passRowLabel);
    appendRowsTable(out, "resonanceRows", "kFrequencyCount * kResonanceSteps * kRowSize", resonance,
                    resonanceRowLabel);
    return out;
}
