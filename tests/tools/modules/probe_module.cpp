// SPDX-License-Identifier: MIT
// A small effect that makes the host's behaviour visible. It declares 2 inputs and 3
// outputs (more than our filter) and these parameters: 0 "Offset", 1 "Gain".
//   replacing entry:     out0 = in0 * gain + offset, out1 = the call's frame count,
//                        out2 = in1 (the second input, which the host should leave at zero)
//   accumulating entry:  the same values plus 1000 on out1, added to what the outputs hold
// Every dispatcher request is logged; probeLog() gives the log to tests that load the same
// module file into their own process.
#include <cstdio>
#include <cstring>
#include <string>

#include "module_entry.h"

namespace {

struct Probe {
    AEffect record{};
    float offset = 0.0f;
    float gain = 1.0f;
};

std::string log;

void note(const char* format, double a, double b) {
    char line[96];
    std::snprintf(line, sizeof line, format, a, b);
    log += line;
}

Probe& probeOf(AEffect* record) { return *static_cast<Probe*>(record->object); }

std::intptr_t dispatchProbe(AEffect* record, std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                            float opt) {
    note("dispatch %g %g", opcode, index);
    note(" %g %g\n", static_cast<double>(value), opt);
    const char* names[] = {"Offset", "Gain"};
    switch (opcode) {
        case 1:
            delete &probeOf(record);
            return 1;
        case 6:
        case 8:
            if (index == 0 || index == 1) std::strcpy(static_cast<char*>(ptr), opcode == 8 ? names[index] : "");
            return 0;
        case 7:
            if (index == 0 || index == 1) {
                std::snprintf(static_cast<char*>(ptr), 9, "%.4f", index == 0 ? probeOf(record).offset : probeOf(record).gain);
            }
            return 0;
        case 9:
            return 12345;
        default:
            return 0;
    }
}

void processProbe(AEffect* record, float** inputs, float** outputs, std::int32_t frames, bool accumulate) {
    const Probe& probe = probeOf(record);
    note("process %g %g\n", frames, accumulate ? 1 : 0);
    for (std::int32_t i = 0; i < frames; ++i) {
        const float values[3] = {inputs[0][i] * probe.gain + probe.offset,
                                 static_cast<float>(frames) + (accumulate ? 1000.0f : 0.0f), inputs[1][i]};
        for (int c = 0; c < 3; ++c) outputs[c][i] = accumulate ? outputs[c][i] + values[c] : values[c];
    }
}

void processReplacingEntry(AEffect* record, float** inputs, float** outputs, std::int32_t frames) {
    processProbe(record, inputs, outputs, frames, false);
}

void processAccumulatingEntry(AEffect* record, float** inputs, float** outputs, std::int32_t frames) {
    processProbe(record, inputs, outputs, frames, true);
}

void setParameterEntry(AEffect* record, std::int32_t index, float value) {
    note("set %g %g\n", index, value);
    if (index == 0) probeOf(record).offset = value;
    if (index == 1) probeOf(record).gain = value;
}

float getParameterEntry(AEffect* record, std::int32_t index) {
    return index == 0 ? probeOf(record).offset : index == 1 ? probeOf(record).gain : 0.0f;
}

}  // namespace

TEST_MODULE_EXPORT const char* probeLog() { return log.c_str(); }
TEST_MODULE_EXPORT void probeClearLog() { log.clear(); }

AEffect* testModuleMain(HostCallback host) {
    const std::intptr_t version = host(nullptr, 1, 0, 0, nullptr, 0.0f);
    note("version %g %g\n", static_cast<double>(version), 0);
    if (version == 0) return nullptr;
    auto* probe = new Probe;
    AEffect& r = probe->record;
    r.magic = kEffectMagic;
    r.dispatchEntry = dispatchProbe;
    r.processEntry = processAccumulatingEntry;
    r.processReplacingEntry = processReplacingEntry;
    r.setParameterEntry = setParameterEntry;
    r.getParameterEntry = getParameterEntry;
    r.programCount = 0;
    r.parameterCount = 2;
    r.inputCount = 2;
    r.outputCount = 3;
    r.flags = kFlagCanReplace | kFlagHasMeter;
    r.ioRatio = 1.0f;
    r.object = probe;
    r.uniqueId = fourCharacters("Prob");
    r.version = 7;
    return &r;
}
