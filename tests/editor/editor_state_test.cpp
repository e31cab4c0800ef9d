// SPDX-License-Identifier: MIT
// The editor's input without a window: keys, the wheel and a double click change the values
// a step, a row, a page at a time, each change inside a gesture of its own, through the host.
#include <gtest/gtest.h>

#include <vector>

#include "core/parameter_units.h"
#include "editor/editor_state.h"

namespace {

struct Change {
    ParameterIndex index;
    float value;
};

// Records each value and checks that it arrives inside a gesture, and that gestures pair.
class RecordingHost final : public EditorHost {
public:
    void beginGesture(ParameterIndex index) override {
        EXPECT_FALSE(open[index]) << "a second begin for " << index;
        open[index] = true;
    }
    void setValue(ParameterIndex index, float value) override {
        EXPECT_TRUE(open[index]) << "a value outside a gesture for " << index;
        changes.push_back({index, value});
    }
    void endGesture(ParameterIndex index) override {
        EXPECT_TRUE(open[index]) << "an end without a begin for " << index;
        open[index] = false;
    }
    std::vector<Change> changes;
    std::array<bool, kParameterCount> open{};
};

class EditorInput : public ::testing::Test {
protected:
    EditorInput() : state_(host_, 44100.0f) {
        state_.setSize(kEditorDefaultSize);
        for (const ParameterInfo& parameter : kParameterTable) {
            state_.parameterChanged(parameter.index, parameter.defaultValue);
        }
    }
    int row() const { return parameter_units::settingOf(kParameterFrequency, state_.values()[kParameterFrequency]); }
    int resonance() const {
        return parameter_units::settingOf(kParameterResonance, state_.values()[kParameterResonance]);
    }
    void TearDown() override {
        for (bool open : host_.open) EXPECT_FALSE(open) << "a gesture left open";
    }

    RecordingHost host_;
    EditorState state_;
};

TEST_F(EditorInput, KeysOnTheHandleStepRowsPagesAndResonance) {
    const int start = row();
    state_.key(EditorKey::Right);
    EXPECT_EQ(row(), start + 1);
    state_.key(EditorKey::PageDown);
    EXPECT_EQ(row(), start + 1 - EditorState::kRowsPerPage);
    state_.key(EditorKey::End);
    EXPECT_EQ(row(), parameter_units::kTopFrequencyRow);
    state_.key(EditorKey::Right);  // at the top: nothing to send
    state_.key(EditorKey::Up);
    EXPECT_EQ(resonance(), 1);
    ASSERT_EQ(host_.changes.size(), 4u);
    for (const Change& change : host_.changes) {
        EXPECT_EQ(change.value, parameter_units::valueOfSetting(change.index,
                                                                parameter_units::settingOf(change.index, change.value)))
            << "each value is its setting's own";
    }
}

TEST_F(EditorInput, TabMovesTheKeysToTheSlidersAndChoices) {
    state_.key(EditorKey::Tab);  // Type
    state_.key(EditorKey::Right);
    EXPECT_EQ(parameter_units::settingOf(kParameterType, state_.values()[kParameterType]), 1);
    state_.key(EditorKey::Tab);  // Cutoff
    state_.key(EditorKey::Tab);  // Smooth
    state_.key(EditorKey::Right);
    EXPECT_FLOAT_EQ(state_.values()[kParameterSmoothing], 0.11f);
    state_.key(EditorKey::PageDown);
    EXPECT_FLOAT_EQ(state_.values()[kParameterSmoothing], 0.01f);
    state_.key(EditorKey::BackTab);
    EXPECT_EQ(state_.focus(), EditorFocus::Cutoff);
    EXPECT_EQ(host_.changes.size(), 3u);
}

TEST_F(EditorInput, WheelOverTheHandleStepsARowAndADoubleClickRestoresTheDefaults) {
    const int start = row();
    const EditorScene scene = state_.scene();
    state_.wheel(scene.handleX, scene.handleY, 1);
    EXPECT_EQ(row(), start + 1);
    state_.key(EditorKey::Up);
    const EditorScene moved = state_.scene();
    state_.pointerPressed(moved.handleX, moved.handleY, 1000);
    state_.pointerReleased();
    state_.pointerPressed(moved.handleX, moved.handleY, 1000 + EditorState::kDoubleClickMilliseconds - 1);
    state_.pointerReleased();
    EXPECT_EQ(state_.values()[kParameterFrequency], kParameterTable[kParameterFrequency].defaultValue);
    EXPECT_EQ(state_.values()[kParameterResonance], kParameterTable[kParameterResonance].defaultValue);
}

}  // namespace
