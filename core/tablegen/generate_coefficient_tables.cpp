// SPDX-License-Identifier: MIT
// Writes the coefficient tables' data file from their design rules.
//
// Usage: generate_coefficient_tables [output-path]   (standard output without a path)
// The build target regenerate_coefficient_tables rewrites core/coefficient_tables_data.cpp.
#include <cstdio>

#include "core/tablegen/coefficient_table_source.h"

int main(int argc, char** argv) {
    const std::string text = coefficientTablesSource();
    std::FILE* out = argc > 1 ? std::fopen(argv[1], "wb") : stdout;
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
    return written && closed ? 0 : 1;
}
