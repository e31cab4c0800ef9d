// SPDX-License-Identifier: MIT
#include "tools/commands/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(bool wanted) : enabled_(wanted && ::isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(std::int64_t done, std::int64_t total) {
    if (!enabled_ || total <= 0) return;
    const int percent = static_cast<int>(std::min<std::int64_t>(100, done * 100 / total));
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    std::fprintf(stderr, "\rrendering [%s] %3d%%", bar.c_str(), percent);
    std::fflush(stderr);
}

void ProgressBar::finish() {
    if (enabled_ && shownPercent_ >= 0) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    shownPercent_ = -1;
}
