// SPDX-License-Identifier: MIT
#include "formats/vst/effect_entries.h"

#include "formats/vst/effect_base.h"
#include "core/float_environment.h"

// Every entry runs the effect in its own floating-point mode and gives the host its own mode
// back on return, whatever the host had set.

std::intptr_t BRAMSOLIKET_CALL effectDispatchEntry(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                   std::intptr_t value, void* ptr, float opt) {
    FloatEnvironmentGuard environment;
    EffectBase* effect = EffectBase::fromRecord(record);
    if (opcode == kEffectClose) {
        effect->dispatch(opcode, index, value, ptr, opt);
        // The record lies inside the effect: neither is touched after this.
        delete effect;
        return 1;
    }
    return effect->dispatch(opcode, index, value, ptr, opt);
}

void BRAMSOLIKET_CALL effectProcessEntry(AEffect* record, float** inputs, float** outputs, std::int32_t frameCount) {
    FloatEnvironmentGuard environment;
    EffectBase::fromRecord(record)->process(inputs, outputs, frameCount);
}

void BRAMSOLIKET_CALL effectProcessReplacingEntry(AEffect* record, float** inputs, float** outputs,
                                                  std::int32_t frameCount) {
    FloatEnvironmentGuard environment;
    EffectBase::fromRecord(record)->processReplacing(inputs, outputs, frameCount);
}

void BRAMSOLIKET_CALL effectSetParameterEntry(AEffect* record, std::int32_t index, float value) {
    FloatEnvironmentGuard environment;
    EffectBase::fromRecord(record)->setParameter(index, value);
}

float BRAMSOLIKET_CALL effectGetParameterEntry(AEffect* record, std::int32_t index) {
    FloatEnvironmentGuard environment;
    return EffectBase::fromRecord(record)->getParameter(index);
}
