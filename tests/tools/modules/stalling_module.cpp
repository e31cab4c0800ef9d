// SPDX-License-Identifier: MIT
// An effect whose processing never returns, as a very slow one seems to: the host is
// caught inside a render for as long as a test needs, with its output file half made.
// One input, one output, no parameters.
#include <unistd.h>

#include "module_entry.h"

namespace {

AEffect record{};

std::intptr_t dispatchStalling(AEffect*, std::int32_t, std::int32_t, std::intptr_t, void*, float) { return 0; }

void processStalling(AEffect*, float**, float**, std::int32_t) {
    for (;;) ::pause();
}

void setParameterStalling(AEffect*, std::int32_t, float) {}
float getParameterStalling(AEffect*, std::int32_t) { return 0.0f; }

}  // namespace

AEffect* testModuleMain(HostCallback) {
    record.magic = kEffectMagic;
    record.dispatchEntry = dispatchStalling;
    record.processEntry = processStalling;
    record.processReplacingEntry = processStalling;
    record.setParameterEntry = setParameterStalling;
    record.getParameterEntry = getParameterStalling;
    record.inputCount = 1;
    record.outputCount = 1;
    record.flags = kFlagCanReplace;
    record.uniqueId = fourCharacters("Stal");
    return &record;
}
