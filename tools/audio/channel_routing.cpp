// SPDX-License-Identifier: MIT
#include "tools/audio/channel_routing.h"

#include <algorithm>

#include "tools/tool_error.h"

namespace {

// "channel 1" or "channels 1 to 3".
std::string span(const char* what, int first, int last) {
    return first == last ? std::string(what) + " " + std::to_string(first)
                         : std::string(what) + "s " + std::to_string(first) + " to " + std::to_string(last);
}

}  // namespace

ChannelRouting routeChannels(int fileChannels, int pluginInputs, const ChannelChoice& choice) {
    if (choice.inputChannel && choice.mixDown) throw ToolError("--input-channel and --mix-down exclude each other");
    if (choice.inputChannel && (*choice.inputChannel < 0 || *choice.inputChannel >= fileChannels)) {
        throw ToolError("there is no input channel " + std::to_string(*choice.inputChannel) + ": the input has " +
                        std::to_string(fileChannels) + " (counted from 0)");
    }
    ChannelRouting routing;
    // A plug-in without inputs (an instrument) still gets one silent buffer.
    const int inputs = std::max(pluginInputs, 1);
    std::vector<int> one;
    if (choice.inputChannel) {
        one = {*choice.inputChannel};
    } else if (choice.mixDown) {
        for (int c = 0; c < fileChannels; ++c) one.push_back(c);
    } else if (fileChannels == 1) {
        one = {0};
    }
    if (!one.empty()) {
        routing.sources.assign(static_cast<std::size_t>(inputs), pluginInputs == 0 ? std::vector<int>{} : one);
        return routing;
    }
    for (int input = 0; input < inputs; ++input) {
        routing.sources.push_back(input < fileChannels && pluginInputs > 0 ? std::vector<int>{input} : std::vector<int>{});
    }
    if (fileChannels > pluginInputs) {
        routing.warnings.push_back(span("input channel", pluginInputs, fileChannels - 1) +
                                   (fileChannels - pluginInputs == 1 ? " is" : " are") + " dropped: the plug-in has " +
                                   std::to_string(pluginInputs) + " input(s) (use --mix-down or --input-channel N)");
    } else if (fileChannels < pluginInputs) {
        routing.warnings.push_back(span("plug-in input", fileChannels, pluginInputs - 1) + " get silence: the input has " +
                                   std::to_string(fileChannels) + " channels");
    }
    return routing;
}

RoutedSource::RoutedSource(std::unique_ptr<SignalSource> inner, ChannelRouting routing, std::int64_t maximumBlock)
    : inner_(std::move(inner)), routing_(std::move(routing)) {
    file_.assign(static_cast<std::size_t>(inner_->channelCount()), std::vector<float>(static_cast<std::size_t>(maximumBlock)));
    for (std::vector<float>& channel : file_) filePointers_.push_back(channel.data());
}

std::int64_t RoutedSource::read(float* const* channels, std::int64_t frames) {
    frames = std::min<std::int64_t>(frames, file_.empty() ? 0 : static_cast<std::int64_t>(file_[0].size()));
    const std::int64_t got = inner_->read(filePointers_.data(), frames);
    for (std::size_t input = 0; input < routing_.sources.size(); ++input) {
        const std::vector<int>& from = routing_.sources[input];
        float* out = channels[input];
        if (from.empty()) {
            std::fill_n(out, got, 0.0f);
        } else if (from.size() == 1) {
            std::copy_n(file_[static_cast<std::size_t>(from[0])].data(), got, out);
        } else {
            // Summed in double precision, rounded to float once.
            for (std::int64_t i = 0; i < got; ++i) {
                double sum = 0.0;
                for (int c : from) sum += file_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
                out[i] = static_cast<float>(sum / static_cast<double>(from.size()));
            }
        }
    }
    return got;
}
