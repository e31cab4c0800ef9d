// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/standard_error_capture.h"

#include <unistd.h>

StandardErrorCapture::StandardErrorCapture() {
    std::fflush(stderr);
    held_ = std::tmpfile();
    if (held_ == nullptr) return;
    saved_ = ::dup(STDERR_FILENO);
    if (saved_ < 0 || ::dup2(::fileno(held_), STDERR_FILENO) < 0) {
        if (saved_ >= 0) ::close(saved_);
        saved_ = -1;
        std::fclose(held_);
        held_ = nullptr;
    }
}

StandardErrorCapture::~StandardErrorCapture() { finish(); }

std::vector<std::string> StandardErrorCapture::finish() {
    std::vector<std::string> lines;
    if (held_ == nullptr) return lines;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    std::rewind(held_);
    std::string line;
    for (int c; (c = std::fgetc(held_)) != EOF;) {
        if (c == '\n') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    if (!line.empty()) lines.push_back(line);
    std::fclose(held_);
    held_ = nullptr;
    return lines;
}
