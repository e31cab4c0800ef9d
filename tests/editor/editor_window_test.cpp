// SPDX-License-Identifier: MIT
// The plug-in's window in each format, on a real X server (Xvfb, started by the test's
// script): embedded in a host's window, it draws the response where the core puts it, redraws
// on the host's changes without writing them back, sends the user's drags and clicks through
// the host inside gestures, shows the meter, keeps two instances apart, and opens and closes
// many times without leaving anything behind. Screenshots are kept as test artifacts.
// GoogleTest before Xlib, whose macros (None, Bool) would rename its names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
// clang-format on
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/filter_response.h"
#include "core/parameter_units.h"
#include "drawing/response_drawing.h"
#include "editor/editor_state.h"
#include "tests/editor/editor_test_hosts.h"

using namespace editor_testing;

namespace {

// The editor's own idea of a frame at given values, for where things stand (the layout, the
// axes, the handle); what the curve must show comes from the core.
class NoHost final : public EditorHost {
public:
    void beginGesture(ParameterIndex) override {}
    void setValue(ParameterIndex, float) override {}
    void endGesture(ParameterIndex) override {}
};

EditorScene sceneFor(const std::array<float, kParameterCount>& values) {
    NoHost host;
    EditorState state(host, kTestSampleRate);
    state.setSize(kEditorDefaultSize);
    for (const ParameterInfo& parameter : kParameterTable) {
        state.parameterChanged(parameter.index, values[parameter.index]);
    }
    return state.scene();
}

std::array<float, kParameterCount> defaults() {
    std::array<float, kParameterCount> values{};
    for (const ParameterInfo& parameter : kParameterTable) values[parameter.index] = parameter.defaultValue;
    return values;
}

struct Rgb {
    double red, green, blue;
};

bool near(Rgb pixel, Colour colour, double tolerance = 0.12) {
    return std::abs(pixel.red - colour.red) < tolerance && std::abs(pixel.green - colour.green) < tolerance &&
           std::abs(pixel.blue - colour.blue) < tolerance;
}

class Screenshot {
public:
    Screenshot(Display* display, Window window, int width, int height) : width_(width), height_(height) {
        image_ = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                           AllPlanes, ZPixmap);
    }
    ~Screenshot() {
        if (image_ != nullptr) XDestroyImage(image_);
    }
    Screenshot(const Screenshot&) = delete;
    Screenshot& operator=(const Screenshot&) = delete;

    bool valid() const { return image_ != nullptr; }
    Rgb at(int x, int y) const {
        const unsigned long pixel = XGetPixel(image_, x, y);
        return {channel(pixel, image_->red_mask), channel(pixel, image_->green_mask),
                channel(pixel, image_->blue_mask)};
    }
    void save(const std::string& name) const {
        std::filesystem::create_directories(BRAMSOLIKET_ARTIFACT_DIR);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
        auto* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < height_; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
            for (int x = 0; x < width_; ++x) {
                const Rgb pixel = at(x, y);
                row[x] = static_cast<std::uint32_t>(std::lround(pixel.red * 255)) << 16 |
                         static_cast<std::uint32_t>(std::lround(pixel.green * 255)) << 8 |
                         static_cast<std::uint32_t>(std::lround(pixel.blue * 255));
            }
        }
        cairo_surface_mark_dirty(surface);
        cairo_surface_write_to_png(surface, (std::string(BRAMSOLIKET_ARTIFACT_DIR) + "/" + name).c_str());
        cairo_surface_destroy(surface);
    }

private:
    static double channel(unsigned long pixel, unsigned long mask) {
        if (mask == 0) return 0.0;
        int shift = 0;
        while (((mask >> shift) & 1u) == 0) ++shift;
        return static_cast<double>((pixel & mask) >> shift) / static_cast<double>(mask >> shift);
    }
    XImage* image_ = nullptr;
    int width_, height_;
};

// Whether the picture shows the response of `values` where the core puts it: at frequencies
// across the axis, the curve's colour within a few pixels of the response's decibels.
bool showsCurveOf(const Screenshot& shot, const std::array<float, kParameterCount>& values, double scale = 1.0) {
    if (!shot.valid()) return false;
    const EditorScene scene = sceneFor(values);
    const FilterSettings settings = settingsForValues(values);
    const Box& response = scene.layout.response;
    const Box& plot = scene.responseLayout.plot;
    int checked = 0;
    for (const double hz : {60.0, 150.0, 400.0, 1000.0, 2500.0, 6000.0, 15000.0}) {
        const double db = responseDecibels(filterResponse(settings, hz / kTestSampleRate));
        if (!std::isfinite(db) || db < scene.axes->bottomDb() + 1.0 || db > scene.axes->topDb()) continue;
        const double y = scene.axes->y(db);
        if (y < plot.y + 4 || y > plot.bottom() - 4) continue;
        const int x = static_cast<int>(std::lround((response.x + scene.axes->x(hz)) * scale));
        bool found = false;
        for (int dy = -3; dy <= 3 && !found; ++dy) {
            found = near(shot.at(x, static_cast<int>(std::lround((response.y + y) * scale)) + dy), kCurveColour);
        }
        if (!found) return false;
        ++checked;
    }
    return checked >= 3;
}

int editorCycles() {
    const char* cycles = std::getenv("BRAMSOLIKET_EDITOR_CYCLES");
    return cycles != nullptr ? std::max(1, std::atoi(cycles)) : 10;
}

class EditorWindow : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr) GTEST_SKIP() << "no X server (the test's script starts Xvfb)";
        parent_ = makeParent(0);
        host_ = makeHost();
    }
    void TearDown() override {
        host_.reset();
        second_.reset();
        if (display_ != nullptr) XCloseDisplay(display_);
    }

    std::unique_ptr<FormatHost> makeHost() const {
        return std::string(GetParam()) == "LV2" ? makeLv2Host() : makeClapHost();
    }
    Window makeParent(int top, int width = kWidth, int height = kHeight) {
        const int screen = DefaultScreen(display_);
        const Window window =
            XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, top, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), 0, 0, BlackPixel(display_, screen));
        XMapWindow(display_, window);
        XSync(display_, False);
        return window;
    }
    // The host's loop runs until the parent shows the curve of `values`; the picture it shows
    // otherwise is kept.
    bool waitForCurve(FormatHost& host, const std::array<float, kParameterCount>& values, Window parent) {
        if (pumpUntil(host, [&] { return showsCurveOf(Screenshot(display_, parent, kWidth, kHeight), values); })) {
            return true;
        }
        Screenshot(display_, parent, kWidth, kHeight).save(artifact("failed"));
        return false;
    }
    void click(double x, double y, int top = 0) {
        moveTo(x, y, top);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XFlush(display_);
    }
    void moveTo(double x, double y, int top = 0) {
        XTestFakeMotionEvent(display_, -1, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)) + top,
                             CurrentTime);
        XFlush(display_);
    }
    std::string artifact(const char* what) const { return std::string(GetParam()) + "-" + what + ".png"; }

    static constexpr int kWidth = 600, kHeight = 360;
    Display* display_ = nullptr;
    Window parent_ = 0;
    std::unique_ptr<FormatHost> host_, second_;
};

TEST_P(EditorWindow, DrawsTheResponseAndRedrawsOnTheHostsChangesWithoutWritingThemBack) {
    ASSERT_TRUE(host_->open(parent_));
    std::array<float, kParameterCount> values = defaults();
    ASSERT_TRUE(waitForCurve(*host_, values, parent_)) << "the default response is not drawn where it is";
    Screenshot(display_, parent_, kWidth, kHeight).save(artifact("default"));

    values[kParameterFrequency] = parameter_units::valueOfSetting(kParameterFrequency, 55);
    values[kParameterResonance] = parameter_units::valueOfSetting(kParameterResonance, 14);
    values[kParameterType] = parameter_units::valueOfSetting(kParameterType, 1);
    for (const ParameterIndex index : {kParameterFrequency, kParameterResonance, kParameterType}) {
        host_->hostSets(index, values[index]);
    }
    ASSERT_TRUE(waitForCurve(*host_, values, parent_)) << "the host's change is not drawn";
    Screenshot(display_, parent_, kWidth, kHeight).save(artifact("high-pass"));
    EXPECT_TRUE(host_->writes.empty()) << "the host's own changes came back as writes";
}

TEST_P(EditorWindow, DragOfTheHandleWritesFreqRowByRowInsideOneGesture) {
    ASSERT_TRUE(host_->open(parent_));
    const std::array<float, kParameterCount> values = defaults();
    ASSERT_TRUE(waitForCurve(*host_, values, parent_));
    const EditorScene scene = sceneFor(values);
    const int pressX = static_cast<int>(std::lround(scene.handleX));
    const int pressY = static_cast<int>(std::lround(scene.handleY));
    moveTo(pressX, pressY);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XFlush(display_);
    int x = pressX;
    for (int step = 0; step < 4; ++step) {
        x += 30;
        moveTo(x, pressY);
        const std::size_t before = host_->writes.size();
        ASSERT_TRUE(pumpUntil(*host_, [&] { return host_->writes.size() > before; })) << "no write at step " << step;
    }
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
    ASSERT_TRUE(pumpUntil(*host_, [&] {
        return !host_->writes.empty() && host_->writes.back().kind == HostWrite::Kind::End;
    }));

    const auto& writes = host_->writes;
    ASSERT_GE(writes.size(), 6u);
    EXPECT_EQ(writes.front().kind, HostWrite::Kind::Begin);
    int lastRow = parameter_units::settingOf(kParameterFrequency, values[kParameterFrequency]);
    for (std::size_t k = 0; k < writes.size(); ++k) {
        EXPECT_EQ(writes[k].index, kParameterFrequency) << "write " << k << ": only \"Freq\" moves left and right";
        if (k == 0 || k + 1 == writes.size()) continue;
        ASSERT_EQ(writes[k].kind, HostWrite::Kind::Value) << "write " << k;
        const int row = parameter_units::settingOf(kParameterFrequency, writes[k].value);
        EXPECT_GT(row, lastRow) << "each write moves to a higher row";
        EXPECT_EQ(writes[k].value, parameter_units::valueOfSetting(kParameterFrequency, row)) << "a row's own value";
        lastRow = row;
    }
    // The last row is the one under the pointer, as far from the handle as the press was.
    const double hz = scene.axes->hz(x - (pressX - scene.handleX) - scene.layout.response.x);
    EXPECT_EQ(lastRow, parameter_units::rowForFrequency(static_cast<float>(hz), kTestSampleRate));
}

TEST_P(EditorWindow, ClickOnATypeSelectsItAndTheMeterFollowsTheOutput) {
    ASSERT_TRUE(host_->open(parent_));
    std::array<float, kParameterCount> values = defaults();
    ASSERT_TRUE(waitForCurve(*host_, values, parent_));
    const Box bandPass = sceneFor(values).layout.typeChoices[2];
    click(bandPass.x + bandPass.width / 2, bandPass.y + bandPass.height / 2);
    ASSERT_TRUE(pumpUntil(*host_, [&] { return host_->writes.size() >= 3; }));
    ASSERT_EQ(host_->writes.size(), 3u);
    EXPECT_EQ(host_->writes[0].kind, HostWrite::Kind::Begin);
    EXPECT_EQ(host_->writes[1].kind, HostWrite::Kind::Value);
    EXPECT_EQ(host_->writes[1].value, parameter_units::valueOfSetting(kParameterType, 2));
    EXPECT_EQ(host_->writes[2].kind, HostWrite::Kind::End);
    for (const HostWrite& write : host_->writes) EXPECT_EQ(write.index, kParameterType);
    values[kParameterType] = host_->writes[1].value;
    EXPECT_TRUE(waitForCurve(*host_, values, parent_)) << "the chosen type is not drawn";

    const EditorScene scene = sceneFor(values);
    const Box meter{scene.layout.response.x + scene.responseLayout.meter.x,
                    scene.layout.response.y + scene.responseLayout.meter.y, scene.responseLayout.meter.width,
                    scene.responseLayout.meter.height};
    const auto litRows = [&] {
        const Screenshot shot(display_, parent_, kWidth, kHeight);
        int lit = 0;
        const int x = static_cast<int>(meter.x + meter.width / 2);
        for (int y = static_cast<int>(meter.y); y < static_cast<int>(meter.bottom()); ++y) {
            const Rgb pixel = shot.at(x, y);
            lit += std::max({pixel.red, pixel.green, pixel.blue}) > 0.5;  // the bar is bright, its trough dark
        }
        return lit;
    };
    EXPECT_EQ(litRows(), 0) << "a meter with no output";
    host_->meter(0.5f);
    ASSERT_TRUE(pumpUntil(*host_, [&] { return litRows() > 0; })) << "the meter does not follow the output";
    Screenshot(display_, parent_, kWidth, kHeight).save(artifact("band-pass-metering"));
}

TEST_P(EditorWindow, TwoInstancesWindowsAtOnceKeepTheirOwnInput) {
    second_ = makeHost();
    const Window secondParent = makeParent(kHeight + 20);
    ASSERT_TRUE(host_->open(parent_));
    ASSERT_TRUE(second_->open(secondParent));
    std::array<float, kParameterCount> values = defaults();
    ASSERT_TRUE(waitForCurve(*host_, values, parent_));
    ASSERT_TRUE(waitForCurve(*second_, values, secondParent));
    const Box resonant = sceneFor(values).layout.typeChoices[3];
    click(resonant.x + resonant.width / 2, resonant.y + resonant.height / 2, kHeight + 20);
    ASSERT_TRUE(pumpUntil(*second_, [&] { return second_->writes.size() >= 3; }));
    for (int turn = 0; turn < 20; ++turn) host_->pump();
    EXPECT_TRUE(host_->writes.empty()) << "the other instance's click reached this one";
    values[kParameterType] = parameter_units::valueOfSetting(kParameterType, 3);
    EXPECT_TRUE(waitForCurve(*second_, values, secondParent));
    second_->close();
    host_->close();
}

TEST_P(EditorWindow, AtTwiceTheScaleTheWindowIsTwiceAsLargeAndDrawnAtItsResolution) {
    XDestroyWindow(display_, parent_);
    parent_ = makeParent(0, 2 * kWidth, 2 * kHeight);
    ASSERT_TRUE(host_->open(parent_, 2.0));
    const std::array<float, kParameterCount> values = defaults();
    ASSERT_TRUE(pumpUntil(*host_, [&] {
        return showsCurveOf(Screenshot(display_, parent_, 2 * kWidth, 2 * kHeight), values, 2.0);
    })) << "the curve is not where twice the scale puts it";
    Screenshot(display_, parent_, 2 * kWidth, 2 * kHeight).save(artifact("scale-200"));
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display_, parent_, &root, &parent, &children, &count);
    ASSERT_EQ(count, 1u);
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, children[0], &attributes);
    XFree(children);
    EXPECT_EQ(attributes.width, 2 * kWidth);
    EXPECT_EQ(attributes.height, 2 * kHeight);
}

TEST_P(EditorWindow, TakesTheSizeTheUserGivesTheHostsWindow) {
    ASSERT_TRUE(host_->open(parent_));
    ASSERT_TRUE(waitForCurve(*host_, defaults(), parent_));
    const auto childSize = [&] {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display_, parent_, &root, &parent, &children, &count);
        XWindowAttributes attributes{};
        if (count == 1) XGetWindowAttributes(display_, children[0], &attributes);
        if (children != nullptr) XFree(children);
        return std::pair{attributes.width, attributes.height};
    };
    for (const auto& [width, height] : {std::pair{800, 500}, std::pair{kWidth, kHeight}}) {
        XResizeWindow(display_, parent_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display_, False);
        host_->parentResized(width, height);
        EXPECT_TRUE(pumpUntil(*host_, [&] { return childSize() == std::pair{width, height}; }))
            << "the window stayed " << childSize().first << " by " << childSize().second;
    }
    EXPECT_TRUE(waitForCurve(*host_, defaults(), parent_));
}

TEST_P(EditorWindow, OpensAndClosesManyTimesLeavingNothingBehind) {
    const int cycles = editorCycles();
    const std::array<float, kParameterCount> values = defaults();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        std::unique_ptr<FormatHost> host = makeHost();
        ASSERT_TRUE(host->open(parent_)) << "cycle " << cycle;
        ASSERT_TRUE(waitForCurve(*host, values, parent_)) << "cycle " << cycle;
        host->close();
        EXPECT_FALSE(host->holdsHostResources()) << "cycle " << cycle;
        // The parent has no window of the plug-in's left.
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display_, parent_, &root, &parent, &children, &count);
        if (children != nullptr) XFree(children);
        ASSERT_EQ(count, 0u) << "cycle " << cycle;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorWindow, ::testing::Values("LV2", "CLAP"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
