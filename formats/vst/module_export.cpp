// SPDX-License-Identifier: MIT
// The module's one export. Hosts look up the symbol `main`, which C++ reserves for the
// program entry, so the function has another name in the source and takes `main` as its
// symbol through an assembler label. Everything else in the module has hidden visibility.
#include "formats/vst/filter_effect.h"
#include "formats/vst/plugin_main.h"

// 32-bit Windows gives C symbols a leading underscore, and the module-definition file names
// the export at the C level, so there the label carries the underscore; the export table
// still reads `main`.
#if defined(_WIN32) && !defined(_WIN64)
#define BRAMSOLIKET_MAIN_SYMBOL "_main"
#else
#define BRAMSOLIKET_MAIN_SYMBOL "main"
#endif

extern "C" __attribute__((visibility("default"), used)) AEffect* BRAMSOLIKET_CALL
bramsoliketMain(HostCallback hostCallback) __asm__(BRAMSOLIKET_MAIN_SYMBOL);

extern "C" AEffect* BRAMSOLIKET_CALL bramsoliketMain(HostCallback hostCallback) {
    return createEffectForHost(hostCallback, &createFilterEffect);
}
