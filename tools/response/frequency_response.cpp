// SPDX-License-Identifier: MIT
#include "tools/response/frequency_response.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "tools/audio/channel_routing.h"
#include "tools/hosting/plugin_instance.h"
#include "tools/session/renderer.h"
#include "tools/tool_error.h"

namespace {


class SilenceSource : public SignalSource {
public:
    SilenceSource(std::int64_t frames, double sampleRate) : frames_(frames), sampleRate_(sampleRate) {}
    int channelCount() const override { return 1; }
    std::int64_t read(float* const* channels, std::int64_t frames) override {
        const std::int64_t count = std::min(frames, frames_ - position_);
        std::fill_n(channels[0], count, 0.0f);
        position_ += count;
        return count;
    }
    std::int64_t totalFrames() const override { return frames_; }
    double sampleRate() const override { return sampleRate_; }

private:
    std::int64_t frames_;
    double sampleRate_;
    std::int64_t position_ = 0;
};

class FirstChannelRecorder : public FrameSink {
public:
    explicit FirstChannelRecorder(std::vector<double>& samples) : samples_(samples) {}
    int channelCount() const override { return 1; }
    void write(const float* const* channels, std::int64_t frames) override {
        samples_.insert(samples_.end(), channels[0], channels[0] + frames);
    }

private:
    std::vector<double>& samples_;
};

struct FftwFree {
    void operator()(void* memory) const { fftw_free(memory); }
};

}  // namespace

double FrequencyResponse::decibelsAt(double hz) const {
    if (frequencies.size() < 2) return kSilenceDecibels;
    const double binWidth = frequencies[1] - frequencies[0];
    const double position = std::clamp(hz / binWidth, 0.0, static_cast<double>(frequencies.size() - 1));
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, frequencies.size() - 1);
    const double share = position - static_cast<double>(below);
    return decibels[below] + share * (decibels[above] - decibels[below]);
}

bool FrequencyResponse::silent() const {
    return std::all_of(decibels.begin(), decibels.end(), [](double db) { return db <= kSilenceDecibels; });
}

double FrequencyResponse::peakDecibels(double fromHz, double toHz, double* atHz) const {
    double peak = kSilenceDecibels;
    double where = fromHz;
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
        if (frequencies[k] < fromHz || frequencies[k] > toHz) continue;
        if (decibels[k] > peak) {
            peak = decibels[k];
            where = frequencies[k];
        }
    }
    if (atHz != nullptr) *atHz = where;
    return peak;
}

namespace {

// One impulse response and its spectrum. The render activates the plug-in and deactivates it
// at the end, which clears its history for the next one.
FrequencyResponse measureImpulse(PluginInstance& plugin, double height, const ResponseOptions& options,
                                 const RenderOptions& render) {
    std::vector<float> impulse(static_cast<std::size_t>(options.fftSize), 0.0f);
    impulse[0] = static_cast<float>(height);
    // The impulse reaches every input, as a one-channel signal does in `render`.
    const std::int32_t inputs = plugin.description().inputCount;
    RoutedSource impulseSource(std::make_unique<MemorySource>(std::move(impulse), options.sampleRate),
                               routeChannels(1, inputs, {}), options.blockSize);
    std::vector<double> recorded;
    recorded.reserve(static_cast<std::size_t>(options.fftSize));
    FirstChannelRecorder recorder(recorded);
    renderStream(plugin, impulseSource, recorder, {}, render);

    const int n = options.fftSize;
    const int bins = n / 2 + 1;
    std::unique_ptr<double, FftwFree> time(static_cast<double*>(fftw_malloc(sizeof(double) * n)));
    std::unique_ptr<fftw_complex, FftwFree> spectrum(
        static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * bins)));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, time.get(), spectrum.get(), FFTW_ESTIMATE);
    std::copy(recorded.begin(), recorded.end(), time.get());
    fftw_execute(plan);
    fftw_destroy_plan(plan);

    FrequencyResponse response;
    response.sampleRate = options.sampleRate;
    response.impulseHeight = static_cast<float>(height);
    response.frequencies.resize(static_cast<std::size_t>(bins));
    response.decibels.resize(static_cast<std::size_t>(bins));
    for (int k = 0; k < bins; ++k) {
        const double magnitude = std::hypot(spectrum.get()[k][0], spectrum.get()[k][1]) / response.impulseHeight;
        response.frequencies[static_cast<std::size_t>(k)] = k * options.sampleRate / n;
        response.decibels[static_cast<std::size_t>(k)] =
            magnitude > 0.0 ? std::max(kSilenceDecibels, 20.0 * std::log10(magnitude)) : kSilenceDecibels;
    }
    return response;
}

// Linear at the larger height: the two agree wherever the response is within the window
// below its peak (the limiters act on the loud parts; the quiet ones hold the noise floor).
bool agreeNearThePeak(const FrequencyResponse& larger, const FrequencyResponse& smaller,
                      const ResponseOptions& options) {
    const double peak = *std::max_element(smaller.decibels.begin(), smaller.decibels.end());
    if (peak <= kSilenceDecibels) return larger.silent();
    for (std::size_t k = 0; k < smaller.decibels.size(); ++k) {
        if (smaller.decibels[k] < peak - options.linearityWindowDb) continue;
        if (std::fabs(larger.decibels[k] - smaller.decibels[k]) > options.linearityToleranceDb) return false;
    }
    return true;
}

}  // namespace

FrequencyResponse measureResponse(PluginInstance& plugin, const std::vector<ParameterSetting>& settings,
                                  const ResponseOptions& options) {
    if (options.fftSize < 16 || options.sampleRate <= 0.0) throw ToolError("invalid response measurement settings");
    RenderOptions render;
    render.pluginSampleRate = options.sampleRate;
    render.blockSize = options.blockSize;

    // Any glide toward the new settings finishes before the first impulse; the glide's state
    // outlasts deactivation, so the impulses after it need no settling of their own.
    applySettings(plugin, settings);
    SilenceSource silence(options.settleFrames, options.sampleRate);
    DiscardingSink discard(1);
    renderStream(plugin, silence, discard, {}, render);

    if (options.fixedImpulseHeight) return measureImpulse(plugin, *options.fixedImpulseHeight, options, render);
    FrequencyResponse larger = measureImpulse(plugin, options.largestImpulseHeight, options, render);
    for (double height = options.largestImpulseHeight / 2; height >= options.smallestImpulseHeight;
         height /= 2) {
        FrequencyResponse smaller = measureImpulse(plugin, height, options, render);
        if (agreeNearThePeak(larger, smaller, options)) return larger;
        larger = std::move(smaller);
    }
    return measureImpulse(plugin, options.smallestImpulseHeight, options, render);
}
