// SPDX-License-Identifier: MIT
#include "tools/hosting/plugin_instance.h"

#include <algorithm>

std::int32_t PluginInstance::processBlock(float** inputs, float** outputs, std::int32_t frameCount,
                                          const std::vector<BlockParameterChange>& changes, bool accumulate) {
    // The callers hand over at least one buffer each way, and as many as the plug-in declares.
    const auto inputBuffers = static_cast<std::size_t>(std::max(description().inputCount, 1));
    const auto outputBuffers = static_cast<std::size_t>(std::max(description().outputCount, 1));
    std::vector<float*> inputPointers(inputBuffers), outputPointers(outputBuffers);
    std::int32_t calls = 0;
    std::size_t next = 0;
    std::int32_t offset = 0;
    while (offset < frameCount) {
        while (next < changes.size() && changes[next].offset <= offset) {
            setParameter(changes[next].index, changes[next].value);
            ++next;
        }
        const std::int32_t end =
            next < changes.size() ? std::min(changes[next].offset, frameCount) : frameCount;
        for (std::size_t c = 0; c < inputBuffers; ++c) inputPointers[c] = inputs[c] + offset;
        for (std::size_t c = 0; c < outputBuffers; ++c) outputPointers[c] = outputs[c] + offset;
        if (accumulate) {
            processAccumulating(inputPointers.data(), outputPointers.data(), end - offset);
        } else {
            process(inputPointers.data(), outputPointers.data(), end - offset);
        }
        ++calls;
        offset = end;
    }
    // Changes at or beyond the block's end take effect after it.
    for (; next < changes.size(); ++next) setParameter(changes[next].index, changes[next].value);
    return calls;
}
