// SPDX-License-Identifier: MIT
// Which LV2 plug-in `--plugin` names, and finding it through lilv:
//   - a bundle directory, "build/default/bramsoliket.lv2" (or its file: URI): the bundle is
//     loaded on its own, whatever LV2_PATH holds, so the plug-in is the one in that folder
//     even where the same URI is installed elsewhere. A bundle with one plug-in gives it; a
//     bundle with several needs the plug-in's URI after a '#':
//     "/usr/lib/lv2/fil4.lv2#http://gareus.org/oss/lv2/fil4#mono";
//   - a plug-in URI, "urn:bramsoliket:filter": looked up among the installed plug-ins, in
//     LV2_PATH or, where it is not set, lilv's default folders.
#pragma once

#include <lilv/lilv.h>

#include <filesystem>
#include <optional>
#include <string>

struct Lv2PluginChoice {
    // Empty for a plug-in looked up by URI alone.
    std::filesystem::path bundle;
    // Empty for the only plug-in of a bundle.
    std::string uri;
};

// "BUNDLE.lv2#URI" split in two; nothing for any other text.
std::optional<Lv2PluginChoice> splitBundleAndUri(const std::string& text);

// What the text names, by its form alone; nothing is opened.
Lv2PluginChoice parseLv2PluginChoice(const std::string& text);

// A lilv world, freed with the object.
class Lv2World {
public:
    Lv2World();
    ~Lv2World();
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;
    LilvWorld* get() const { return world_; }

private:
    LilvWorld* world_;
};

// Loads what the choice needs into the world and returns the plug-in. Throws ToolError for a
// bundle that is missing, is no directory or has no manifest.ttl, holds no plug-in, holds
// several and none is named, or does not hold the one named; and for a URI that no installed
// plug-in has.
const LilvPlugin* findLv2Plugin(Lv2World& world, const Lv2PluginChoice& choice);
