// SPDX-License-Identifier: MIT
// The plug-ins' URIs, the names under which LV2 hosts find them and store them in
// their sessions.
// The project owns the "bramsoliket" name in the urn: scheme, which needs no web address that
// could lapse. They never change: a session saved with one must load the same plug-in in every
// later version, so an incompatible plug-in would get a URI of its own. The mono plug-in (one
// input) came first and kept the plain name; the stereo one filters two channels alike.
#pragma once

inline constexpr char kPluginUri[] = "urn:bramsoliket:filter";
inline constexpr char kStereoPluginUri[] = "urn:bramsoliket:filter-stereo";

// The plug-in's own UI, an X11 UI in the same bundle.
inline constexpr char kPluginUiUri[] = "urn:bramsoliket:filter#ui";
