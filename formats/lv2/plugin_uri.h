// SPDX-License-Identifier: MIT
// The plug-in's URI, the name under which LV2 hosts find it and store it in their sessions.
// The project owns the "bramsoliket" name in the urn: scheme, which needs no web address that
// could lapse. It never changes: a session saved with it must load the same plug-in in every
// later version, so an incompatible plug-in would get a URI of its own.
#pragma once

inline constexpr char kPluginUri[] = "urn:bramsoliket:filter";

// The plug-in's own UI, an X11 UI in the same bundle.
inline constexpr char kPluginUiUri[] = "urn:bramsoliket:filter#ui";
