// SPDX-License-Identifier: MIT
#include "formats/vst/plugin_main.h"

#include <new>

#include "core/float_environment.h"

AEffect* createEffectForHost(HostCallback hostCallback, EffectFactory createEffect) {
    if (hostCallback == nullptr || createEffect == nullptr) {
        return nullptr;
    }
    // No effect exists yet, hence the null record.
    if (hostCallback(nullptr, kHostVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    // The effect's constructor computes its first settings in the effect's own
    // floating-point mode, like every later call through the record.
    FloatEnvironmentGuard environment;
    EffectBase* effect = nullptr;
    try {
        effect = createEffect(hostCallback);
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (...) {
        // Nothing may unwind into the host, which knows no exceptions.
        return nullptr;
    }
    return effect == nullptr ? nullptr : effect->getRecord();
}
