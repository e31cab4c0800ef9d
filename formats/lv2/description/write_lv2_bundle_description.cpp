// SPDX-License-Identifier: MIT
// Writes the bundle's manifest.ttl and plug-in description into the bundle folder.
// Usage: write_lv2_bundle_description BUNDLE_FOLDER MODULE_FILE_NAME DESCRIPTION_FILE_NAME MINOR MICRO [UI_FILE_NAME]
// (the UI's module, for a bundle with the plug-in's own UI)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "formats/lv2/plugin_description.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) std::fprintf(stderr, "write_lv2_bundle_description: cannot write %s\n", path.c_str());
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: %s BUNDLE_FOLDER MODULE_FILE_NAME DESCRIPTION_FILE_NAME MINOR MICRO [UI_FILE_NAME]\n",
                     argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const Lv2DescriptionVersion version{std::atoi(argv[4]), std::atoi(argv[5])};
    const std::string ui = argc == 7 ? argv[6] : "";
    const bool written = writeFile(folder + "/manifest.ttl", lv2ManifestTurtle(argv[2], argv[3], ui)) &&
                         writeFile(folder + "/" + argv[3], lv2PluginTurtle(version, ui));
    return written ? 0 : 1;
}
