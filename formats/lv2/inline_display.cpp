// SPDX-License-Identifier: MIT
#include "formats/lv2/inline_display.h"

#include <new>

#include "core/float_environment.h"
#include "drawing/response_picture.h"
#include "formats/lv2/filter_plugin.h"

namespace {

// The picture's height as peers choose it, 9/16 of its width.
constexpr std::uint32_t kHeightPerWidthNumerator = 9;
constexpr std::uint32_t kHeightPerWidthDenominator = 16;

Lv2InlineDisplayImageSurface* render(LV2_Handle instance, std::uint32_t width, std::uint32_t maxHeight) {
    FloatEnvironmentGuard environment;
    auto* plugin = static_cast<Lv2FilterPlugin*>(instance);
    try {
        return plugin->inlineDisplay().render(*plugin, width, maxHeight);
    } catch (const std::bad_alloc&) {
        return nullptr;  // no memory for the picture this time
    }
}

const Lv2InlineDisplayInterface kInterface = {render};

}  // namespace

std::uint32_t Lv2InlineDisplay::heightFor(std::uint32_t width, std::uint32_t maxHeight) {
    const std::uint64_t wanted =
        (static_cast<std::uint64_t>(width) * kHeightPerWidthNumerator + kHeightPerWidthDenominator / 2) /
        kHeightPerWidthDenominator;
    const std::uint64_t height = wanted < maxHeight ? wanted : maxHeight;
    return static_cast<std::uint32_t>(height > 0 || maxHeight == 0 ? height : 1);
}

Lv2InlineDisplayImageSurface* Lv2InlineDisplay::render(const Lv2FilterPlugin& plugin, std::uint32_t width,
                                                        std::uint32_t maxHeight) {
    const std::uint32_t height = heightFor(width, maxHeight);
    if (width == 0 || height == 0 || width > kWidestPicture) return nullptr;
    const ResponsePicture picture = responsePicture(plugin.processor().publishedSettings(), plugin.sampleRate(),
                                                    plugin.displayUpdates().meterPeak());
    const RenderedImage image = image_.render(picture, static_cast<int>(width), static_cast<int>(height));
    if (image.data == nullptr) return nullptr;
    surface_ = {image.data, image.width, image.height, image.stride};
    return &surface_;
}

const Lv2InlineDisplayInterface* inlineDisplayInterface() {
    return &kInterface;
}
