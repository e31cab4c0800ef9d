// SPDX-License-Identifier: MIT
// The LV2 plug-in's inline display: the picture of what its processor published last (the
// settings, with the current rows of any glide) and of its meter, drawn by the shared
// response drawing into an image the instance keeps until the next render or cleanup.
//
// Threads: render runs on the host's display thread while run goes on; it reads only what
// run publishes without locks (the processor's settings snapshot and the meter), so neither
// ever waits for the other. The host calls render for one instance from one thread at a time.
#pragma once

#include <cstdint>

#include "drawing/response_image.h"
#include "formats/lv2/inline_display_extension.h"

class Lv2FilterPlugin;

class Lv2InlineDisplay {
public:
    // Pictures are at most this wide; a host that asks for more gets none.
    static constexpr std::uint32_t kWidestPicture = 8192;

    // The picture `width` wide and as high as 9/16 of it, or `maxHeight` where that is less;
    // null for a width or height of 0 or beyond kWidestPicture, or when it cannot be made.
    Lv2InlineDisplayImageSurface* render(const Lv2FilterPlugin& plugin, std::uint32_t width, std::uint32_t maxHeight);

    static std::uint32_t heightFor(std::uint32_t width, std::uint32_t maxHeight);

private:
    ResponseImage image_;
    Lv2InlineDisplayImageSurface surface_ = {};
};

// The extension data the module returns for kInlineDisplayInterfaceUri.
const Lv2InlineDisplayInterface* inlineDisplayInterface();
