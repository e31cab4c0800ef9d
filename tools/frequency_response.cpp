#include "tools/frequency_response.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "tools/loaded_effect.h"
#include "tools/renderer.h"
#include "tools/tool_error.h"

namespace {

// A gain of exactly zero is drawn at this level rather than minus infinity.
constexpr double kSilenceDecibels = -400.0;

class SilenceSource : public SignalSource {
public:
    SilenceSource(std::int64_t frames, double sampleRate) : frames_(frames), sampleRate_(sampleRate) {}
    std::int64_t read(float* channel0, std::int64_t frames) override {
        const std::int64_t count = std::min(frames, frames_ - position_);
        std::fill_n(channel0, count, 0.0f);
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

class DiscardingSink : public FrameSink {
public:
    void write(const float*, const float*, std::int64_t) override {}
};

class LeftChannelRecorder : public FrameSink {
public:
    explicit LeftChannelRecorder(std::vector<double>& samples) : samples_(samples) {}
    void write(const float* left, const float*, std::int64_t frames) override {
        samples_.insert(samples_.end(), left, left + frames);
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

FrequencyResponse measureResponse(LoadedEffect& effect, const std::vector<ParameterSetting>& settings,
                                  const ResponseOptions& options) {
    if (options.fftSize < 16 || options.sampleRate <= 0.0) throw ToolError("invalid response measurement settings");
    RenderOptions render;
    render.pluginSampleRate = options.sampleRate;
    render.blockSize = options.blockSize;

    effect.setSampleRate(static_cast<float>(options.sampleRate));
    applySettings(effect, settings);
    effect.suspend();
    SilenceSource silence(options.settleFrames, options.sampleRate);
    DiscardingSink discard;
    renderStream(effect, silence, discard, {}, render);  // resumes, and suspends when done

    std::vector<float> impulse(static_cast<std::size_t>(options.fftSize), 0.0f);
    const float height = static_cast<float>(options.impulseHeight);
    impulse[0] = height;
    MemorySource impulseSource(std::move(impulse), options.sampleRate);
    std::vector<double> recorded;
    recorded.reserve(static_cast<std::size_t>(options.fftSize));
    LeftChannelRecorder recorder(recorded);
    renderStream(effect, impulseSource, recorder, {}, render);

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
    response.frequencies.resize(static_cast<std::size_t>(bins));
    response.decibels.resize(static_cast<std::size_t>(bins));
    for (int k = 0; k < bins; ++k) {
        const double magnitude = std::hypot(spectrum.get()[k][0], spectrum.get()[k][1]) / height;
        response.frequencies[static_cast<std::size_t>(k)] = k * options.sampleRate / n;
        response.decibels[static_cast<std::size_t>(k)] =
            magnitude > 0.0 ? std::max(kSilenceDecibels, 20.0 * std::log10(magnitude)) : kSilenceDecibels;
    }
    return response;
}
