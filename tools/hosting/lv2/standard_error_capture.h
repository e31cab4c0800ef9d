// SPDX-License-Identifier: MIT
// Holds back what a library prints on standard error while the object lives, so that its
// messages can be judged and given to the user in the tool's own form (lilv prints one or
// more lines for every folder in LV2_PATH that is not a bundle). Only for code that runs on
// the main thread before any other thread writes to standard error.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class StandardErrorCapture {
public:
    StandardErrorCapture();
    // Gives standard error back, if finish() has not.
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Gives standard error back and returns the lines written meanwhile.
    std::vector<std::string> finish();

private:
    int saved_ = -1;
    std::FILE* held_ = nullptr;
};
