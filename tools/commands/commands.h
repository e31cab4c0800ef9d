// SPDX-License-Identifier: MIT
// The three commands, each run with what the command line gave it. They report failures by
// throwing ToolError; what they print goes to standard output, or to standard error when
// standard output carries an output file ("-o -").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/audio/channel_routing.h"

struct CommonOptions {
    std::string plugin;  // empty: BRAMSOLIKET.so beside the tool
    std::vector<std::string> settings;
    std::optional<double> rate;
};

struct InfoCommand {
    bool json = false;
};

struct OutputOptions {
    std::string output;
    bool discard = false;
    bool noClobber = false;
    bool quiet = false;
    std::string format;  // an extension that overrides the output's own
};

struct RenderCommand {
    std::string input;
    OutputOptions out;
    std::optional<int> program;
    int block = 512;
    bool accumulate = false;
    std::string automation;
    bool meter = false;
    double tailSeconds = 0.0;
    ChannelChoice channels;
};

struct ResponseCommand {
    OutputOptions out;
    std::string compare;
    std::string csv;
    int csvPoints = 0;
};

int runInfo(const CommonOptions& common, const InfoCommand& command);
int runRender(const CommonOptions& common, const RenderCommand& command);
int runResponse(const CommonOptions& common, const ResponseCommand& command);

inline constexpr double kDefaultRate = 44100.0;
inline constexpr int kDefaultBlock = 512;
