// The module's one export. Hosts look up the symbol `main`, which C++ reserves for the
// program entry, so the function has another name in the source and takes `main` as its
// symbol through an assembler label. Everything else in the module has hidden visibility.
#include "filter/filter_effect.h"
#include "host/plugin_main.h"

extern "C" __attribute__((visibility("default"), used)) AEffect* BRAMSOLIKET_CALL
bramsoliketMain(HostCallback hostCallback) __asm__("main");

extern "C" AEffect* BRAMSOLIKET_CALL bramsoliketMain(HostCallback hostCallback) {
    return createEffectForHost(hostCallback, &createFilterEffect);
}
