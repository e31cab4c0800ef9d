// SPDX-License-Identifier: MIT
// The "Freq" port in hertz as the plug-in reads it, at the rates hosts run most: every row's
// own frequency selects that row, a frequency nearer the upper of two rows in pitch but the
// lower in hertz selects the upper, and frequencies beyond the running rate's table its ends.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/parameter_units.h"
#include "formats/lv2/filter_plugin.h"

namespace {

// An instance at `rate` with every port connected, the audio to one frame of silence.
class FrequencyPort {
public:
    explicit FrequencyPort(float rate) : plugin_(Lv2FilterPlugin::create(rate)) {
        for (std::uint32_t port = 0; port < kParameterCount; ++port) plugin_->connectPort(port, &controls_[port]);
        for (const ParameterInfo& parameter : kParameterTable) {
            controls_[parameter.index] = parameter_units::shownNumber(parameter.index, parameter.defaultValue, rate);
        }
        plugin_->connectPort(kPortInput, &input_);
        plugin_->connectPort(kPortLeft, &left_);
        plugin_->connectPort(kPortRight, &right_);
        plugin_->connectPort(kPortPeak, &peak_);
        plugin_->connectPort(kPortEnabled, &enabled_);
        plugin_->activate();
    }
    ~FrequencyPort() { plugin_->deactivate(); }

    // The row the filter targets once the port holds `hertz`.
    int rowFor(float hertz) {
        controls_[kParameterFrequency] = hertz;
        plugin_->run(1);
        return plugin_->processor().stage(0).targetFrequencyIndex();
    }

private:
    std::unique_ptr<Lv2FilterPlugin> plugin_;
    float controls_[kParameterCount] = {};
    float input_ = 0.0f, left_ = 0.0f, right_ = 0.0f, peak_ = 0.0f, enabled_ = 1.0f;
};

TEST(FrequencyPort, EveryRowsHertzSelectsItAndBetweenRowsTheNearerInPitch) {
    for (const float rate : {44100.0f, 48000.0f, 96000.0f}) {
        FrequencyPort port(rate);
        for (int row = 0; row < parameter_units::kFrequencyRowCount; ++row) {
            ASSERT_EQ(port.rowFor(parameter_units::rowFrequencyHz(row, rate)), row) << "at " << rate;
        }
        for (int row = 0; row < parameter_units::kTopFrequencyRow; ++row) {
            const double low = parameter_units::rowFrequencyHz(row, rate);
            const double high = parameter_units::rowFrequencyHz(row + 1, rate);
            // Between the geometric and the arithmetic mean: nearer the upper row in pitch.
            const auto between = static_cast<float>((std::sqrt(low * high) + (low + high) / 2.0) / 2.0);
            ASSERT_EQ(port.rowFor(between), row + 1) << "rows " << row << " at " << rate;
        }
        EXPECT_EQ(port.rowFor(60.65052f), 0) << "the port's lowest bound";
        EXPECT_EQ(port.rowFor(161641.8f), parameter_units::kTopFrequencyRow) << "the port's highest bound";
    }
    FrequencyPort port(44100.0f);
    EXPECT_EQ(port.rowFor(1906.7f), 18);
    EXPECT_EQ(port.rowFor(5101.8784f), 39) << "the description's default";
}

}  // namespace
