// SPDX-License-Identifier: MIT
// Which channels of the input feed which inputs of the plug-in. By default file channel c
// feeds plug-in input c; a one-channel signal feeds every input (as a mono track feeds a
// stereo insert); file channels beyond the plug-in's inputs are dropped, and inputs beyond
// the file's channels get silence, each with a warning. On request one chosen file channel,
// or the average of all of them (the mix-down), feeds every input instead.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/audio/signal_source.h"

struct ChannelChoice {
    // Feed this file channel (0 = the first) to every input.
    std::optional<int> inputChannel;
    // Feed the average of all file channels to every input.
    bool mixDown = false;
};

struct ChannelRouting {
    // For each plug-in input, the file channels averaged into it; none: silence.
    std::vector<std::vector<int>> sources;
    // What was dropped or padded, one sentence each.
    std::vector<std::string> warnings;
};

// Throws ToolError for a chosen channel the file does not have, or both choices at once.
ChannelRouting routeChannels(int fileChannels, int pluginInputs, const ChannelChoice& choice);

// A source that delivers the plug-in's inputs, formed from another source by a routing.
class RoutedSource : public SignalSource {
public:
    RoutedSource(std::unique_ptr<SignalSource> inner, ChannelRouting routing, std::int64_t maximumBlock);
    int channelCount() const override { return static_cast<int>(routing_.sources.size()); }
    std::int64_t read(float* const* channels, std::int64_t frames) override;
    std::int64_t totalFrames() const override { return inner_->totalFrames(); }
    double sampleRate() const override { return inner_->sampleRate(); }

private:
    std::unique_ptr<SignalSource> inner_;
    ChannelRouting routing_;
    std::vector<std::vector<float>> file_;
    std::vector<float*> filePointers_;
};
