// SPDX-License-Identifier: MIT
#include "formats/clap/plugin_descriptor.h"

namespace {

// Standard feature names: an audio effect, a filter, on a mono signal.
constexpr const char* kFeatures[] = {"audio-effect", "filter", "mono", nullptr};

}  // namespace

// Fields a host may show are blank rather than null where the project has nothing to say.
const clap_plugin_descriptor kFilterPluginDescriptor = {
    kClapVersionFollowed,
    kFilterPluginId,
    "BRAMSOLIKET",
    "BRAMSOLIKET",
    "",
    "",
    "",
    BRAMSOLIKET_VERSION_TEXT,
    "Resonant multi-mode filter, exact to the last bit",
    kFeatures,
};
