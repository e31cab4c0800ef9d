// SPDX-License-Identifier: MIT
// bramsoliket_render MODULE OUTPUT: loads the module, runs the fixed rendering session and
// writes the raw 32-bit float results (little-endian) to OUTPUT.
#include <cstdio>

#include "tests/windows/module_library.h"
#include "tests/windows/render_session.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MODULE OUTPUT\n", argv[0]);
        return 2;
    }
    ModuleLibrary library(argv[1]);
    const ModuleEntry entry = library.entry();
    if (entry == nullptr) {
        std::fprintf(stderr, "cannot load %s or find its entry main\n", argv[1]);
        return 1;
    }
    const std::vector<float> samples = renderSession(entry);
    if (samples.empty()) {
        std::fprintf(stderr, "the module created no effect\n");
        return 1;
    }
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    const bool written = std::fwrite(samples.data(), sizeof(float), samples.size(), file) == samples.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%zu floats written to %s\n", samples.size(), argv[2]);
    return 0;
}
