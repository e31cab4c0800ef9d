// SPDX-License-Identifier: MIT
// A progress bar on standard error, drawn only when standard error is a terminal, so that
// logs and pipes get nothing but the summary.
#pragma once

#include <cstdint>

class ProgressBar {
public:
    // Drawn only when `wanted` and standard error is a terminal.
    explicit ProgressBar(bool wanted = true);
    ~ProgressBar();
    bool enabled() const { return enabled_; }
    void update(std::int64_t done, std::int64_t total);
    // Clears the bar's line.
    void finish();

private:
    bool enabled_;
    int shownPercent_ = -1;
};
