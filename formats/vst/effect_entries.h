// SPDX-License-Identifier: MIT
// The five functions whose addresses stand in every effect's record. The host calls them with
// the record's address; each finds the effect through the record's `object` field and calls
// its virtual operation, so they serve every class derived from EffectBase.
#pragma once

#include <cstdint>

#include "interfaces/vst/aeffect.h"

// Passes the request to the effect's dispatcher. Closing (opcode 1) also destroys the effect,
// record included, and returns 1.
std::intptr_t BRAMSOLIKET_CALL effectDispatchEntry(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                   std::intptr_t value, void* ptr, float opt);
void BRAMSOLIKET_CALL effectProcessEntry(AEffect* record, float** inputs, float** outputs, std::int32_t frameCount);
void BRAMSOLIKET_CALL effectProcessReplacingEntry(AEffect* record, float** inputs, float** outputs,
                                                  std::int32_t frameCount);
void BRAMSOLIKET_CALL effectSetParameterEntry(AEffect* record, std::int32_t index, float value);
float BRAMSOLIKET_CALL effectGetParameterEntry(AEffect* record, std::int32_t index);
