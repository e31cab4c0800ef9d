// SPDX-License-Identifier: MIT
// The one kind of failure the host tool reports: a message for the user, printed once on
// standard error, followed by a non-zero exit status.
#pragma once

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};
