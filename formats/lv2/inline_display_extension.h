// SPDX-License-Identifier: MIT
// Ardour's LV2 inline display extension, which Ardour (since 5.0) and Mixbus offer: the
// plug-in hands the host a small picture for its mixer strip and, where the description asks
// for it, its generic plug-in window. No Debian package carries a header for it, so its few
// types are declared here from its description: the URIs, the image the plug-in returns, the
// host's feature for asking for a new picture, and the interface the plug-in offers.
#pragma once

#include <lv2/core/lv2.h>

#include <cstdint>

#define BRAMSOLIKET_INLINE_DISPLAY_URI "http://harrisonconsoles.com/lv2/inlinedisplay"

// Extension data: what extension_data returns, an Lv2InlineDisplayInterface.
inline constexpr char kInlineDisplayInterfaceUri[] = BRAMSOLIKET_INLINE_DISPLAY_URI "#interface";
// A feature the host may pass to instantiate, an Lv2InlineDisplayQueueDraw.
inline constexpr char kInlineDisplayQueueDrawUri[] = BRAMSOLIKET_INLINE_DISPLAY_URI "#queue_draw";
// Declared only (lv2:optionalFeature): show the picture in the host's generic window too.
inline constexpr char kInlineDisplayInGuiUri[] = BRAMSOLIKET_INLINE_DISPLAY_URI "#in_gui";

extern "C" {

// The picture: 32-bit words 0xAARRGGBB in native byte order with premultiplied alpha (cairo's
// ARGB32), rows `stride` bytes apart. It belongs to the plug-in and stays valid until the
// next render or cleanup.
struct Lv2InlineDisplayImageSurface {
    unsigned char* data;
    int width;
    int height;
    int stride;
};

// The host's feature: the plug-in calls queue_draw(handle) to ask for a new picture.
struct Lv2InlineDisplayQueueDraw {
    void* handle;
    void (*queue_draw)(void* handle);
};

// The plug-in's interface. render runs on a thread that is not the audio thread, possibly
// while run runs; its picture is `w` wide and at most `max_h` high, or null for none.
struct Lv2InlineDisplayInterface {
    Lv2InlineDisplayImageSurface* (*render)(LV2_Handle instance, std::uint32_t w, std::uint32_t max_h);
};

}  // extern "C"
