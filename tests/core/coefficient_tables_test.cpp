// SPDX-License-Identifier: MIT
// The constant coefficient tables: the published rows and frequencies, the patterns every
// row keeps, the two rounded-up design frequencies, and the committed data file equal to what
// the design rules give today.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>

#include "core/coefficient_tables.h"

#ifdef BRAMSOLIKET_TABLE_RULES
#include "core/tablegen/coefficient_table_source.h"
#endif

namespace {

using Tables = CoefficientTables;
constexpr int kRows = Tables::kFrequencyCount;
constexpr int kSteps = Tables::kResonanceSteps;

enum Field { kB0, kB1, kB2, kA0, kA1, kA2 };

struct NamedTable {
    const char* name;
    const float* rows;
};
const NamedTable kLowPass{"low-pass", Tables::lowPassRows};
const NamedTable kHighPass{"high-pass", Tables::highPassRows};
const NamedTable kBandPass{"band-pass", Tables::bandPassRows};

float passValue(const NamedTable& table, int row, Field field) { return Tables::passRow(table.rows, row)[field]; }
float resonanceValue(int row, int step, Field field) { return Tables::resonanceRow(row, step)[field]; }

std::string hertzText(int row, double sampleRate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", Tables::normalizedFrequencies[row] * sampleRate);
    return text;
}

// --- The data file equals what the rules give --------------------------------------------

TEST(CoefficientTablesData, CommittedFileEqualsRegeneratedText) {
#ifdef BRAMSOLIKET_TABLE_RULES
    const std::string path = std::string(BRAMSOLIKET_SOURCE_DIR) + "/core/coefficient_tables_data.cpp";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << path;
    std::stringstream committed;
    committed << file.rdbuf();
    const std::string regenerated = coefficientTablesSource();
    if (committed.str() == regenerated) {
        return;
    }
    std::istringstream a(committed.str()), b(regenerated);
    std::string lineA, lineB;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (lineA != lineB || moreA != moreB) {
            FAIL() << "line " << line << " differs; run the target regenerate_coefficient_tables\n committed: "
                   << lineA << "\n rules:     " << lineB;
        }
        if (!moreA) {
            FAIL() << "texts differ only in their last bytes";
        }
    }
#else
    GTEST_SKIP() << "the design rules are built on the build machine only";
#endif
}

// --- Normalized frequencies ------------------------------------------------------------------

struct FrequencyCase {
    int row;
    float stored;
    const char* hertzAt44100;
};

class NormalizedFrequency : public testing::TestWithParam<FrequencyCase> {};

TEST_P(NormalizedFrequency, StoredEntryAndHertz) {
    const FrequencyCase& c = GetParam();
    EXPECT_EQ(Tables::normalizedFrequencies[c.row], c.stored);
    EXPECT_EQ(hertzText(c.row, 44100.0), c.hertzAt44100);
}

INSTANTIATE_TEST_SUITE_P(TellingRows, NormalizedFrequency,
                         testing::Values(FrequencyCase{0, 0.007581315f, "334.34"},
                                         FrequencyCase{1, 0.00921746716f, "406.49"},
                                         FrequencyCase{40, 0.120126538f, "5297.58"},
                                         FrequencyCase{55, 0.202310503f, "8921.89"},
                                         FrequencyCase{78, 0.408905953f, "18032.75"},
                                         FrequencyCase{79, 0.420942187f, "18563.55"}));

TEST(NormalizedFrequencies, RiseByTheScaleRatioAndSpanTheAudibleRange) {
    const double ratio = std::pow(10.0, 1.0 / 90.0);
    for (int i = 1; i + 1 < kRows; ++i) {
        const double below = Tables::normalizedFrequencies[i] - Tables::normalizedFrequencies[i - 1];
        const double above = Tables::normalizedFrequencies[i + 1] - Tables::normalizedFrequencies[i];
        EXPECT_NEAR(above / below, ratio, 1e-4) << "row " << i;
    }
    EXPECT_EQ(hertzText(0, 48000.0), "363.90");
    EXPECT_EQ(hertzText(79, 48000.0), "20205.22");
    EXPECT_EQ(hertzText(40, 96000.0), "11532.15");
}

// --- Telling coefficient rows -----------------------------------------------------------------

struct PassRowCase {
    const NamedTable* table;
    int row;
    float b0, b1, b2, a1, a2;
};

void PrintTo(const PassRowCase& c, std::ostream* os) { *os << c.table->name << " row " << c.row; }

class PassRow : public testing::TestWithParam<PassRowCase> {};

TEST_P(PassRow, StoredValues) {
    const PassRowCase& c = GetParam();
    const float* row = Tables::passRow(c.table->rows, c.row);
    EXPECT_EQ(row[kB0], c.b0);
    EXPECT_EQ(row[kB1], c.b1);
    EXPECT_EQ(row[kB2], c.b2);
    EXPECT_EQ(row[kA0], 1.0f);
    EXPECT_EQ(row[kA1], c.a1);
    EXPECT_EQ(row[kA2], c.a2);
}

INSTANTIATE_TEST_SUITE_P(
    TellingRows, PassRow,
    testing::Values(
        PassRowCase{&kLowPass, 0, 0.000609290728f, 0.00121858134f, 0.000609290728f, -1.94662845f, 0.949065685f},
        PassRowCase{&kLowPass, 40, 0.10770686f, 0.215413719f, 0.10770686f, -1.02808738f, 0.458914787f},
        PassRowCase{&kLowPass, 79, 0.76286912f, 1.52573824f, 0.76286912f, 1.43673408f, 0.614742458f},
        PassRowCase{&kHighPass, 0, 0.97634089f, -1.95268178f, 0.97634089f, -1.95167685f, 0.953686833f},
        PassRowCase{&kHighPass, 40, 0.650538564f, -1.30107713f, 0.650538564f, -1.11565351f, 0.48650068f},
        PassRowCase{&kHighPass, 79, 0.0525518321f, -0.105103664f, 0.0525518321f, 1.37714839f, 0.587355673f},
        PassRowCase{&kBandPass, 0, 0.233124465f, 0.0f, -0.233124465f, -1.53404093f, 0.543162882f},
        PassRowCase{&kBandPass, 40, 0.397360444f, 0.0f, -0.397360444f, -0.886379719f, 0.207820147f},
        PassRowCase{&kBandPass, 79, 0.617282093f, 0.0f, -0.617282093f, 0.485131413f, -0.228326723f}));

struct ResonanceRowCase {
    int row, step;
    float b0, a1, a2;
};

class ResonanceRow : public testing::TestWithParam<ResonanceRowCase> {};

TEST_P(ResonanceRow, StoredValues) {
    const ResonanceRowCase& c = GetParam();
    EXPECT_EQ(resonanceValue(c.row, c.step, kB0), c.b0);
    EXPECT_EQ(resonanceValue(c.row, c.step, kA1), c.a1);
    EXPECT_EQ(resonanceValue(c.row, c.step, kA2), c.a2);
}

INSTANTIATE_TEST_SUITE_P(TellingRows, ResonanceRow,
                         testing::Values(ResonanceRowCase{0, 0, 0.00107650529f, -1.99558103f, 0.997846961f},
                                         ResonanceRowCase{0, 19, 0.0008012568f, -1.99613082f, 0.99839747f},
                                         ResonanceRowCase{40, 0, 0.0167881604f, -1.43238652f, 0.96642369f},
                                         ResonanceRowCase{40, 19, 0.0125466352f, -1.43856585f, 0.974906743f},
                                         ResonanceRowCase{79, 0, 0.0563964173f, 1.65912437f, 0.88720715f},
                                         ResonanceRowCase{79, 19, 0.0426011868f, 1.68338037f, 0.914797604f}));

// --- Patterns of every row ------------------------------------------------------------------

TEST(CoefficientTablePatterns, NumeratorShapes) {
    int lowPassRowsWithExactDouble = 0;
    for (int i = 0; i < kRows; ++i) {
        for (const NamedTable* table : {&kLowPass, &kHighPass, &kBandPass}) {
            EXPECT_EQ(passValue(*table, i, kA0), 1.0f) << table->name << " row " << i;
        }
        EXPECT_EQ(passValue(kLowPass, i, kB2), passValue(kLowPass, i, kB0)) << i;
        lowPassRowsWithExactDouble += passValue(kLowPass, i, kB1) == 2.0f * passValue(kLowPass, i, kB0);
        EXPECT_EQ(passValue(kHighPass, i, kB2), passValue(kHighPass, i, kB0)) << i;
        EXPECT_EQ(passValue(kHighPass, i, kB1), -2.0f * passValue(kHighPass, i, kB0)) << i;
        EXPECT_EQ(passValue(kBandPass, i, kB1), 0.0f) << i;
        EXPECT_FALSE(std::signbit(passValue(kBandPass, i, kB1))) << i;
        EXPECT_EQ(passValue(kBandPass, i, kB2), -passValue(kBandPass, i, kB0)) << i;
        for (int j = 0; j < kSteps; ++j) {
            EXPECT_EQ(resonanceValue(i, j, kA0), 1.0f) << i << "," << j;
            EXPECT_EQ(resonanceValue(i, j, kB1), 0.0f) << i << "," << j;
            EXPECT_EQ(resonanceValue(i, j, kB2), -resonanceValue(i, j, kB0)) << i << "," << j;
        }
    }
    // b1 is designed separately from b0, so two low rows round apart from 2 b0.
    EXPECT_EQ(lowPassRowsWithExactDouble, 78);
}

// a1 = 0 means poles at a quarter of the sample rate; each table crosses it exactly once.
struct SignChangeCase {
    const char* name;
    int firstPositiveRow;
    float (*a1)(int row);
};

void PrintTo(const SignChangeCase& c, std::ostream* os) { *os << c.name; }

class A1SignChange : public testing::TestWithParam<SignChangeCase> {};

TEST_P(A1SignChange, NegativeBelowPositiveFrom) {
    const SignChangeCase& c = GetParam();
    for (int i = 0; i < kRows; ++i) {
        if (i < c.firstPositiveRow) {
            EXPECT_LT(c.a1(i), 0.0f) << c.name << " row " << i;
        } else {
            EXPECT_GT(c.a1(i), 0.0f) << c.name << " row " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllTables, A1SignChange,
    testing::Values(SignChangeCase{"low-pass", 61, [](int i) { return passValue(kLowPass, i, kA1); }},
                    SignChangeCase{"high-pass", 63, [](int i) { return passValue(kHighPass, i, kA1); }},
                    SignChangeCase{"band-pass", 67, [](int i) { return passValue(kBandPass, i, kA1); }},
                    SignChangeCase{"resonance", 62, [](int i) {
                                       for (int j = 1; j < kSteps; ++j) {
                                           EXPECT_EQ(std::signbit(resonanceValue(i, j, kA1)),
                                                     std::signbit(resonanceValue(i, 0, kA1)));
                                       }
                                       return resonanceValue(i, 0, kA1);
                                   }}));

TEST(CoefficientTablePatterns, ResonanceA2ExtremesAndOrdering) {
    float largest = -1.0f, smallest = 2.0f;
    for (int i = 0; i < kRows; ++i) {
        for (int j = 0; j < kSteps; ++j) {
            const float a2 = resonanceValue(i, j, kA2);
            largest = std::fmax(largest, a2);
            smallest = std::fmin(smallest, a2);
            // Higher steps are narrower (pole radius grows), higher rows wider.
            if (j > 0) {
                EXPECT_GT(a2, resonanceValue(i, j - 1, kA2)) << i << "," << j;
            }
            if (i > 0) {
                EXPECT_LT(a2, resonanceValue(i - 1, j, kA2)) << i << "," << j;
            }
        }
    }
    EXPECT_EQ(largest, 0.99839747f);
    EXPECT_EQ(largest, resonanceValue(0, 19, kA2));
    EXPECT_EQ(smallest, 0.88720715f);
    EXPECT_EQ(smallest, resonanceValue(79, 0, kA2));
}

TEST(CoefficientTablePatterns, BandPassPoles) {
    for (int i = 0; i < kRows; ++i) {
        const double a1 = passValue(kBandPass, i, kA1);
        const double a2 = passValue(kBandPass, i, kA2);
        const bool complexPoles = a1 * a1 < 4.0 * a2;
        EXPECT_EQ(complexPoles, i >= 34 && i <= 56) << "row " << i;
        EXPECT_EQ(a2 < 0.0, i >= 60) << "row " << i;
    }
}

TEST(CoefficientTablePatterns, LowPassRowZeroDcGainAfterRounding) {
    const double b = static_cast<double>(passValue(kLowPass, 0, kB0)) + passValue(kLowPass, 0, kB1) +
                     passValue(kLowPass, 0, kB2);
    const double a = 1.0 + passValue(kLowPass, 0, kA1) + passValue(kLowPass, 0, kA2);
    EXPECT_NEAR(b / a, 0.99997, 0.000005);
}

// --- The rounded-up design frequencies ------------------------------------------------------
// A plain transcription of three designs, used to show which design frequency a row used.

float tenDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10f", value);
    return std::strtof(text, nullptr);
}

double sixDecimalScaleValue(double position) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", (std::pow(10.0, position) - 1.0) / 18.0);
    return std::strtod(text, nullptr);
}

bool lowPassDesignedAt(int row, double phi) {
    const double eps = std::sqrt(std::pow(10.0, 0.1) - 1.0);
    const double h = std::asinh(1.0 / eps) / 2.0;
    const double A = std::sqrt(2.0) * std::sinh(h);
    const double B = (std::sinh(h) * std::sinh(h) + std::cosh(h) * std::cosh(h)) / 2.0;
    const double t = std::tan(std::numbers::pi * phi);
    const double D = 1.0 + A * t + B * t * t;
    return passValue(kLowPass, row, kB0) == tenDecimals(B * t * t / D) &&
           passValue(kLowPass, row, kA1) == tenDecimals(2.0 * (B * t * t - 1.0) / D) &&
           passValue(kLowPass, row, kA2) == tenDecimals((1.0 - A * t + B * t * t) / D);
}

bool bandPassDesignedAt(int row, double low, double high) {
    const double eps = std::sqrt(std::pow(10.0, 0.1) - 1.0);
    const double kLow = std::tan(std::numbers::pi * low), kHigh = std::tan(std::numbers::pi * high);
    const double w2 = kLow * kHigh, w = std::sqrt(w2), bw = (kHigh - kLow) / eps;
    const double kCentre = std::tan(std::numbers::pi * (low + high) / 2.0);
    const double q = w / bw, x = kCentre / w - w / kCentre;
    const double gain = std::sqrt(1.0 + q * q * x * x);
    const double D = 1.0 + bw + w2;
    return passValue(kBandPass, row, kB0) == tenDecimals(gain * bw / D) &&
           passValue(kBandPass, row, kA1) == tenDecimals(2.0 * (w2 - 1.0) / D) &&
           passValue(kBandPass, row, kA2) == tenDecimals((1.0 - bw + w2) / D);
}

bool resonanceDesignedAt(int row, double phi) {
    for (int j = 0; j < kSteps; ++j) {
        const double w = 2.0 * std::numbers::pi * phi;
        const double alpha = std::exp(-w / (22.1 + 0.4 * j));
        if (resonanceValue(row, j, kB0) != tenDecimals((1.0 - alpha) / 2.0) ||
            resonanceValue(row, j, kA1) != tenDecimals(-(1.0 + alpha) * std::cos(w)) ||
            resonanceValue(row, j, kA2) != tenDecimals(alpha)) {
            return false;
        }
    }
    return true;
}

TEST(DesignFrequencies, TwoThirdsOfTheScaleUses0_202311) {
    EXPECT_TRUE(lowPassDesignedAt(55, 0.202311));
    EXPECT_FALSE(lowPassDesignedAt(55, 0.202310));
    EXPECT_TRUE(resonanceDesignedAt(55, 0.202311));
    // Band-pass row 45 has its upper edge there, row 75 its lower edge.
    const double lower45 = sixDecimalScaleValue(0.75 * 50 / 90);
    EXPECT_TRUE(bandPassDesignedAt(45, lower45, 0.202311));
    EXPECT_FALSE(bandPassDesignedAt(45, lower45, 0.202310));
    const double upper75 = sixDecimalScaleValue(0.75 * 80 / 90 + 0.25);
    EXPECT_TRUE(bandPassDesignedAt(75, 0.202311, upper75));
    EXPECT_FALSE(bandPassDesignedAt(75, 0.202310, upper75));
}

TEST(DesignFrequencies, FiftyThreeSixtiethsUses0_369124) {
    const double lower71 = sixDecimalScaleValue(0.75 * 76 / 90);
    EXPECT_TRUE(bandPassDesignedAt(71, lower71, 0.369124));
    EXPECT_FALSE(bandPassDesignedAt(71, lower71, 0.369123));
}

TEST(DesignFrequencies, OrdinaryRowsUseTheStoredFrequencyWithSixDecimals) {
    for (int row : {0, 1, 40, 54, 56, 78, 79}) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", static_cast<double>(Tables::normalizedFrequencies[row]));
        const double phi = std::strtod(text, nullptr);
        EXPECT_TRUE(lowPassDesignedAt(row, phi)) << row;
        EXPECT_TRUE(resonanceDesignedAt(row, phi)) << row;
    }
    EXPECT_TRUE(bandPassDesignedAt(0, 0.005594, 0.053186));
    EXPECT_TRUE(bandPassDesignedAt(79, 0.222882, 0.439584));
}

}  // namespace
