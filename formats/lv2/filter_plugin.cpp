// SPDX-License-Identifier: MIT
#include "formats/lv2/filter_plugin.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <limits>
#include <new>

#include "core/parameter_units.h"
#include "core/saturating_conversion.h"
#include "core/subnormal_flush.h"

namespace {

// The core takes at most this many frames per call; a longer run is cut into calls of it.
constexpr std::uint32_t kLargestCoreCall = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());

}  // namespace

Lv2FilterPlugin* Lv2FilterPlugin::create(double sampleRate) {
    const float rate = roundToFloat(sampleRate);
    if (!std::isnormal(rate) || rate < 0.0f) return nullptr;
    try {
        return new (std::nothrow) Lv2FilterPlugin(rate);
    } catch (const std::bad_alloc&) {
        // The processor's programs could not be allocated.
        return nullptr;
    }
}

void Lv2FilterPlugin::connectPort(std::uint32_t port, void* data) {
    if (port < kPortInput) {
        controls_[port - kPortFirstControl] = static_cast<const float*>(data);
        return;
    }
    switch (port) {
        case kPortInput: input_ = static_cast<const float*>(data); break;
        case kPortLeft: left_ = static_cast<float*>(data); break;
        case kPortRight: right_ = static_cast<float*>(data); break;
        case kPortPeak: peak_ = static_cast<float*>(data); break;
        case kPortEnabled: enabled_ = static_cast<const float*>(data); break;
        default: assert(!"connectPort: the plug-in has no such port"); break;
    }
}

void Lv2FilterPlugin::activate() {
    assert(!active_ && "activate: the instance is active already");
    active_ = true;
    processor_.suspend();
    settleBypass_ = true;
}

void Lv2FilterPlugin::deactivate() {
    assert(active_ && "deactivate: the instance is not active");
    active_ = false;
}

void Lv2FilterPlugin::applyChangedControls() {
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        const float* port = controls_[index];
        assert(port != nullptr && "run: a control port is not connected");
        if (port == nullptr) continue;
        const float value = *port;
        const auto bits = std::bit_cast<std::uint32_t>(value);
        if (applied_[index] && appliedBits_[index] == bits) continue;
        applied_[index] = true;
        appliedBits_[index] = bits;
        const auto parameter = static_cast<ParameterIndex>(index);
        if (const auto normalized = parameter_units::valueForNumber(parameter, value, sampleRate_)) {
            processor_.setParameter(index, *normalized);
        }
    }
}

void Lv2FilterPlugin::applyEnabledPort() {
    if (enabled_ != nullptr && !std::isnan(*enabled_)) bypass_.setBypassed(!(*enabled_ > 0.0f));
    if (settleBypass_) bypass_.settle();
    settleBypass_ = false;
}

void Lv2FilterPlugin::render(std::uint32_t first, std::uint32_t count, float& peak) {
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t frames = std::min(count - done, kLargestCoreCall);
        const std::uint32_t at = first + done;
        const float callPeak = processor_.process(input_ + at, left_ + at, right_ + at,
                                                  static_cast<std::int32_t>(frames), OutputMode::Replace);
        peak = callPeak > peak ? callPeak : peak;
        done += frames;
    }
}

void Lv2FilterPlugin::run(std::uint32_t frameCount) {
    assert(active_ && "run: the instance is not active");
    // No frames: the controls wait for the next run that has some, and no port is written.
    if (frameCount == 0) return;
    assert(input_ != nullptr && left_ != nullptr && right_ != nullptr && "run: an audio port is not connected");
    if (input_ == nullptr || left_ == nullptr || right_ == nullptr) return;

    applyChangedControls();
    applyEnabledPort();
    float peak = -std::numeric_limits<float>::infinity();
    const float* const inputs[] = {input_};
    float* const outputs[] = {left_, right_};
    bypass_.process(inputs, 1, outputs, 2, frameCount,
                    [&](std::uint32_t first, std::uint32_t count) { render(first, count, peak); });
    flushSubnormals(left_, frameCount);
    if (right_ != left_) flushSubnormals(right_, frameCount);
    if (peak_ != nullptr) *peak_ = peak > 0.0f ? peak : 0.0f;
    if (displayUpdates_.afterProcess(frameCount, peak, processor_.settingsPublications()) &&
        queueDraw_.queue_draw != nullptr) {
        queueDraw_.queue_draw(queueDraw_.handle);
    }
}
