// SPDX-License-Identifier: MIT
// info: the plug-in as a host sees it, optionally at a rate and with settings applied, so
// that the texts they give can be previewed.
#include <iostream>

#include "tools/commands/command_support.h"
#include "tools/commands/effect_info.h"

int runInfo(const CommonOptions& common, const InfoCommand& command) {
    auto plugin = loadChosenPlugin(common);
    if (common.rate) {
        checkRate(*common.rate);
        announceRate(*plugin, *common.rate, kDefaultBlock);
    }
    const ParameterNames names(*plugin);
    applySettings(*plugin, resolveSettings(*plugin, names, common.settings));
    const EffectInfo info = describeEffect(*plugin);
    if (command.json) {
        std::cout << effectInfoToJson(info).dump(2) << '\n';
    } else {
        printEffectInfo(info, std::cout);
    }
    return 0;
}
