// SPDX-License-Identifier: MIT
// A stand-in module for the Ardour test: it loads the real LV2 module, hands every call on
// unchanged, and writes down what the host does with the inline display: whether it offers
// queue_draw at instantiate, whether it asks for the display interface, how often run asks
// for a picture and how often the host renders one. The lines go to the file named by
// BRAMSOLIKET_PROBE_LOG when each instance is cleaned up.
#include <dlfcn.h>
#include <lv2/core/lv2.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/lv2/inline_display_extension.h"

namespace {

const LV2_Descriptor* realDescriptor() {
    static const LV2_Descriptor* descriptor = [] {
        void* module = ::dlopen(BRAMSOLIKET_LV2_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) return static_cast<const LV2_Descriptor*>(nullptr);
        const auto entry = reinterpret_cast<LV2_Descriptor_Function>(::dlsym(module, "lv2_descriptor"));
        return entry == nullptr ? nullptr : entry(0);
    }();
    return descriptor;
}

struct Probe {
    LV2_Handle real = nullptr;
    Lv2InlineDisplayQueueDraw hostQueueDraw{nullptr, nullptr};
    Lv2InlineDisplayQueueDraw countingQueueDraw{nullptr, nullptr};
    LV2_Feature countingFeature{kInlineDisplayQueueDrawUri, nullptr};
    std::atomic<int> requests{0}, renders{0};
};

std::atomic<bool> interfaceAsked{false};

void countRequest(void* handle) {
    auto* probe = static_cast<Probe*>(handle);
    probe->requests.fetch_add(1);
    probe->hostQueueDraw.queue_draw(probe->hostQueueDraw.handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char* bundle, const LV2_Feature* const* features) {
    const LV2_Descriptor* real = realDescriptor();
    if (real == nullptr) return nullptr;
    auto* probe = new Probe;
    probe->countingQueueDraw = {probe, countRequest};
    probe->countingFeature.data = &probe->countingQueueDraw;
    std::vector<const LV2_Feature*> passed;
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, kInlineDisplayQueueDrawUri) == 0) {
            probe->hostQueueDraw = *static_cast<const Lv2InlineDisplayQueueDraw*>((*features)->data);
            passed.push_back(&probe->countingFeature);
        } else {
            passed.push_back(*features);
        }
    }
    passed.push_back(nullptr);
    probe->real = real->instantiate(real, rate, bundle, passed.data());
    if (probe->real == nullptr) {
        delete probe;
        return nullptr;
    }
    return probe;
}

Probe* probeOf(LV2_Handle handle) { return static_cast<Probe*>(handle); }
void connectPort(LV2_Handle h, std::uint32_t port, void* data) { realDescriptor()->connect_port(probeOf(h)->real, port, data); }
void activate(LV2_Handle h) { realDescriptor()->activate(probeOf(h)->real); }
void run(LV2_Handle h, std::uint32_t frames) { realDescriptor()->run(probeOf(h)->real, frames); }
void deactivate(LV2_Handle h) { realDescriptor()->deactivate(probeOf(h)->real); }

void cleanup(LV2_Handle h) {
    Probe* probe = probeOf(h);
    if (const char* path = std::getenv("BRAMSOLIKET_PROBE_LOG")) {
        if (FILE* log = std::fopen(path, "a")) {
            std::fprintf(log, "queue_draw offered: %s\ninterface asked for: %s\nredraw requests: %d\nrenders: %d\n",
                         probe->hostQueueDraw.queue_draw != nullptr ? "yes" : "no",
                         interfaceAsked.load() ? "yes" : "no", probe->requests.load(), probe->renders.load());
            std::fclose(log);
        }
    }
    realDescriptor()->cleanup(probe->real);
    delete probe;
}

Lv2InlineDisplayImageSurface* render(LV2_Handle h, std::uint32_t width, std::uint32_t maxHeight) {
    probeOf(h)->renders.fetch_add(1);
    const auto* display = static_cast<const Lv2InlineDisplayInterface*>(
        realDescriptor()->extension_data(kInlineDisplayInterfaceUri));
    return display->render(probeOf(h)->real, width, maxHeight);
}

const Lv2InlineDisplayInterface kDisplay = {render};

const void* extensionData(const char* uri) {
    if (std::strcmp(uri, kInlineDisplayInterfaceUri) == 0) {
        interfaceAsked = true;
        return realDescriptor()->extension_data(uri) != nullptr ? &kDisplay : nullptr;
    }
    return realDescriptor()->extension_data(uri);
}

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    static const LV2_Descriptor descriptor = {
        realDescriptor() != nullptr ? realDescriptor()->URI : "", instantiate, connectPort, activate, run,
        deactivate, cleanup, extensionData,
    };
    return index == 0 && realDescriptor() != nullptr ? &descriptor : nullptr;
}
