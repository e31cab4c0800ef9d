// SPDX-License-Identifier: MIT
#include "formats/clap/plugin_descriptor.h"

#include "core/project_identity.h"

namespace {

// Standard feature names: an audio effect, a filter, taking a mono signal (its input port)
// and giving a stereo one (its output port).
constexpr const char* kFeatures[] = {"audio-effect", "filter", "mono", "stereo", nullptr};

}  // namespace

const clap_plugin_descriptor kFilterPluginDescriptor = {
    kClapVersionFollowed,
    kFilterPluginId,
    "BRAMSOLIKET",
    kProjectVendor,
    kProjectHomepage,
    kProjectHomepage,
    kProjectSupportPage,
    BRAMSOLIKET_VERSION_TEXT,
    kProjectShortDescription,
    kFeatures,
};
