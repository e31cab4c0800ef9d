// SPDX-License-Identifier: MIT
// What the module's exported `main` does, for any effect: ask the host for its version,
// create the effect and hand the host its record.
#pragma once

#include "interfaces/vst/aeffect.h"
#include "formats/vst/effect_base.h"

// Creates the effect for a host. The factory allocates with new (std::nothrow) and returns
// null when memory runs out.
using EffectFactory = EffectBase* (*)(HostCallback hostCallback);

// Returns the new effect's record, or null when there is no host callback, when the host
// answers 0 to the version query, or when the effect cannot be created. The callback gets
// exactly one call: the version query, with a null record and every other argument zero.
AEffect* createEffectForHost(HostCallback hostCallback, EffectFactory createEffect);
