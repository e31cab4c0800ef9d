// SPDX-License-Identifier: MIT
// Ardour's inline display as a small lilv host drives it: instances with and without the
// host's queue_draw, blocks run at a setting, pictures rendered at a mixer strip's 56 pixels,
// at 160 and at 600: their size and stride, opaque pixels, and the curve at the rows where the
// core's response puts it; a redraw asked for after a change and never while nothing changes,
// at most about thirty a second; and render on a second thread while run goes on, which
// changes no bit of the audio (under ThreadSanitizer, the tsan preset, the last runs for a
// second and must stay free of races). The pictures are kept as PNG files in the build folder.
#include <cairo.h>
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/filter_response.h"
#include "core/filter_settings.h"
#include "drawing/response_drawing.h"
#include "formats/lv2/inline_display.h"
#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/plugin_uri.h"
#include "formats/lv2/port_layout.h"
#include "lv2/lv2_session.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr std::uint32_t kBlock = 256;

using Values = std::array<float, kParameterCount>;

// A resonant low-pass of 24 dB/Oct that glides at once (Smooth 0), with its level lowered.
constexpr Values kSetting = {0.45f, 0.6f, 0.0f, 0.0f, 0.34f, 1.0f, 0.35f};

std::filesystem::path artifacts() {
    const std::filesystem::path folder = std::filesystem::path(BRAMSOLIKET_TEST_ARTIFACTS) / "inline-display";
    std::filesystem::create_directories(folder);
    return folder;
}

// The bundle in a folder of its own, so that each host loads a module of its own, with its
// own glide step counters.
class BundleCopy {
public:
    BundleCopy() {
        static std::atomic<int> serial{0};
        folder_ = std::filesystem::temp_directory_path() /
                  ("bramsoliket-idpy-" + std::to_string(::getpid()) + "-" + std::to_string(serial++)) / "bramsoliket.lv2";
        std::filesystem::create_directories(folder_.parent_path());
        std::filesystem::copy(BRAMSOLIKET_LV2_BUNDLE, folder_, std::filesystem::copy_options::recursive);
    }
    ~BundleCopy() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_.parent_path(), ignored);
    }
    BundleCopy(const BundleCopy&) = delete;
    BundleCopy& operator=(const BundleCopy&) = delete;
    std::string uri() const { return "file://" + folder_.string() + "/"; }

private:
    std::filesystem::path folder_;
};

// One instance as a host that shows inline displays holds it: its controls in host units,
// its audio buffers, and its picture.
class DisplayHost {
public:
    explicit DisplayHost(bool offerQueueDraw) : world_(lilv_world_new()) {
        LilvNode* bundle = lilv_new_uri(world_, copy_.uri().c_str());
        lilv_world_load_bundle(world_, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world_, kPluginUri);
        plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
        lilv_node_free(uri);
        if (plugin_ == nullptr) throw std::runtime_error("lilv found no plug-in in the bundle");
        const LV2_Feature* features[] = {offerQueueDraw ? &queueDrawFeature_ : nullptr, nullptr};
        instance_ = lilv_plugin_instantiate(plugin_, kRate, features);
        if (instance_ == nullptr) throw std::runtime_error("lilv could not instantiate the plug-in");
        display_ = static_cast<const Lv2InlineDisplayInterface*>(
            lilv_instance_get_extension_data(instance_, kInlineDisplayInterfaceUri));
        set(kSetting);
        for (std::uint32_t port = 0; port < kParameterCount; ++port) {
            lilv_instance_connect_port(instance_, port, &controls_[port]);
        }
        lilv_instance_connect_port(instance_, kPortPeak, &peak_);
        lilv_instance_activate(instance_);
    }
    ~DisplayHost() {
        lilv_instance_deactivate(instance_);
        lilv_instance_free(instance_);
        lilv_world_free(world_);
    }
    DisplayHost(const DisplayHost&) = delete;
    DisplayHost& operator=(const DisplayHost&) = delete;

    bool offersDisplay() const { return display_ != nullptr && display_->render != nullptr; }

    // The normalized values, each sent as the host unit the VST build shows for it.
    void set(const Values& values) {
        values_ = values;
        for (const ParameterInfo& parameter : kParameterTable) {
            controls_[parameter.index] = lv2_testing::hostValueShownFor(parameter.index, values[parameter.index], kRate);
        }
    }
    const Values& values() const { return values_; }

    // `frames` frames of `input` (silence where it is shorter); returns the left output.
    std::vector<float> run(std::uint32_t frames, const std::vector<float>& input = {}) {
        std::vector<float> in(frames, 0.0f), left(frames), right(frames);
        std::copy_n(input.begin(), std::min<std::size_t>(input.size(), frames), in.begin());
        lilv_instance_connect_port(instance_, kPortInput, in.data());
        lilv_instance_connect_port(instance_, kPortLeft, left.data());
        lilv_instance_connect_port(instance_, kPortRight, right.data());
        lilv_instance_run(instance_, frames);
        return left;
    }
    void runSeconds(double seconds, float noise = 0.0f) {
        for (double done = 0.0; done < seconds; done += kBlock / static_cast<double>(kRate)) run(kBlock, noiseBlock(noise));
    }

    const Lv2InlineDisplayImageSurface* render(std::uint32_t width, std::uint32_t maxHeight) {
        return display_->render(lilv_instance_get_handle(instance_), width, maxHeight);
    }
    int redrawRequests() const { return requests_.load(); }

    std::vector<float> noiseBlock(float amplitude) {
        std::vector<float> block(kBlock);
        for (float& sample : block) {
            seed_ = seed_ * 1664525u + 1013904223u;
            sample = amplitude * (static_cast<float>(seed_ >> 8) / 8388608.0f - 1.0f);
        }
        return block;
    }

private:
    static void countRequest(void* handle) { static_cast<std::atomic<int>*>(handle)->fetch_add(1); }

    BundleCopy copy_;
    LilvWorld* world_;
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    const Lv2InlineDisplayInterface* display_ = nullptr;
    std::atomic<int> requests_{0};
    Lv2InlineDisplayQueueDraw queueDraw_{&requests_, countRequest};
    const LV2_Feature queueDrawFeature_{kInlineDisplayQueueDrawUri, &queueDraw_};
    Values values_{};
    std::array<float, kParameterCount> controls_{};
    float peak_ = 0.0f;
    std::uint32_t seed_ = 12345u;
};

std::uint32_t pixel(const Lv2InlineDisplayImageSurface& image, int x, int y) {
    std::uint32_t word;
    std::memcpy(&word, image.data + static_cast<std::ptrdiff_t>(y) * image.stride + 4 * x, sizeof word);
    return word;
}

// A pixel the curve's line covers for the most part: its orange, far from every other colour
// of the picture (the greys, the marker's blue, the meter's green and yellow).
bool curvePixel(std::uint32_t argb) {
    const int red = (argb >> 16) & 0xFF, green = (argb >> 8) & 0xFF, blue = argb & 0xFF;
    return red >= 170 && red - blue >= 110 && green >= 90 && green <= 175;
}

void savePng(const Lv2InlineDisplayImageSurface& image, const std::string& name) {
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(image.data, CAIRO_FORMAT_ARGB32, image.width, image.height, image.stride);
    EXPECT_EQ(cairo_surface_write_to_png(surface, (artifacts() / name).c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
}

// At columns spread over the plot, the curve's pixels lie between the rows of the response at
// the column's two edges, widened by the line's half width and a pixel.
void expectCurveWhereTheResponseSays(const Lv2InlineDisplayImageSurface& image, const FilterSettings& settings) {
    const ResponsePicture picture = responsePicture(settings, kRate, 0.0f);
    const ResponseLayout layout = layOutResponse(image.width, image.height);
    const ResponseAxes axes = responseAxes(picture, layout, 1.0);
    const Box& plot = layout.plot;
    const double slack = 0.5 * std::max(1.5, 0.004 * image.width) + 1.5;
    for (const double share : {0.07, 0.22, 0.4, 0.55, 0.7, 0.85, 0.95}) {
        const int column = static_cast<int>(plot.x + share * plot.width);
        double lowDb = INFINITY, highDb = -INFINITY;
        for (const double x : {static_cast<double>(column), column + 1.0}) {
            const double db = responseDecibels(filterResponse(settings, axes.hz(x) / kRate));
            lowDb = std::min(lowDb, db);
            highDb = std::max(highDb, db);
        }
        const double top = std::clamp(axes.y(highDb), plot.y, plot.bottom()) - slack;
        const double bottom = std::clamp(axes.y(lowDb), plot.y, plot.bottom()) + slack;
        int found = 0;
        for (int row = 0; row < image.height; ++row) {
            if (!curvePixel(pixel(image, column, row))) continue;
            ++found;
            EXPECT_TRUE(row + 0.5 >= top && row + 0.5 <= bottom)
                << "curve at row " << row << " of column " << column << ", where the response (" << highDb << " to "
                << lowDb << " dB) says rows " << top << " to " << bottom << " (" << image.width << " wide)";
        }
        EXPECT_GT(found, 0) << "no curve in column " << column << " of a picture " << image.width << " wide";
    }
}

struct PictureSize {
    std::uint32_t width, maxHeight, height;
};

class InlineDisplayPicture : public ::testing::TestWithParam<PictureSize> {};

TEST_P(InlineDisplayPicture, ShowsTheResponseWhereTheCoreSaysAtEverySize) {
    const PictureSize size = GetParam();
    DisplayHost host(true);
    ASSERT_TRUE(host.offersDisplay());
    host.runSeconds(0.25, 0.3f);
    const Lv2InlineDisplayImageSurface* image = host.render(size.width, size.maxHeight);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, static_cast<int>(size.width));
    EXPECT_EQ(image->height, static_cast<int>(size.height));
    EXPECT_GE(image->stride, 4 * image->width);
    EXPECT_EQ(image->stride % 4, 0);
    int transparent = 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) transparent += (pixel(*image, x, y) >> 24) != 0xFF;
    }
    EXPECT_EQ(transparent, 0) << "pixels that are not opaque";
    const FilterSettings settings = settingsForValues(host.values());
    expectCurveWhereTheResponseSays(*image, settings);
    savePng(*image, "lowpass-" + std::to_string(size.width) + "x" + std::to_string(size.maxHeight) + ".png");

    // A second render of another size, then the first again: each picture is new and whole.
    ASSERT_NE(host.render(size.width + 40, size.maxHeight + 30), nullptr);
    image = host.render(size.width, size.maxHeight);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, static_cast<int>(size.width));
    expectCurveWhereTheResponseSays(*image, settings);
}

INSTANTIATE_TEST_SUITE_P(StripToWindow, InlineDisplayPicture,
                         ::testing::Values(PictureSize{56, 40, 32}, PictureSize{160, 120, 90}, PictureSize{600, 400, 338}),
                         [](const auto& info) { return std::to_string(info.param.width) + "Wide"; });

TEST(LilvInlineDisplay, OfferedAsTheDescriptionSays) {
    DisplayHost host(false);
    EXPECT_TRUE(host.offersDisplay());
    EXPECT_EQ(host.render(0, 40), nullptr);
    EXPECT_EQ(host.render(56, 0), nullptr);
    EXPECT_EQ(host.render(Lv2InlineDisplay::kWidestPicture + 1, 100), nullptr);
    const Lv2InlineDisplayImageSurface* tiny = host.render(1, 1);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(tiny->width, 1);
    EXPECT_EQ(tiny->height, 1);
}

TEST(LilvInlineDisplay, RedrawIsAskedForWhenSomethingShownChangesAndNeverOtherwise) {
    DisplayHost host(true);
    host.runSeconds(0.5);
    const int settled = host.redrawRequests();
    EXPECT_GT(settled, 0) << "no picture asked for when the plug-in started";
    host.runSeconds(1.0);
    EXPECT_EQ(host.redrawRequests(), settled) << "pictures asked for while nothing changed";

    // A control: asked for within a thirtieth of a second, once the glide is over no more.
    Values highPass = kSetting;
    highPass[kParameterType] = 0.25f;
    host.set(highPass);
    host.runSeconds(1.0 / 30 + 0.005);
    EXPECT_GT(host.redrawRequests(), settled);
    host.runSeconds(0.5);
    const int afterType = host.redrawRequests();
    host.runSeconds(1.0);
    EXPECT_EQ(host.redrawRequests(), afterType);

    // The meter: signal, then silence again.
    host.runSeconds(0.2, 0.5f);
    EXPECT_GT(host.redrawRequests(), afterType);
    host.runSeconds(0.2);
    const int quiet = host.redrawRequests();
    host.runSeconds(1.0);
    EXPECT_EQ(host.redrawRequests(), quiet);

    // A control moving on every run of a second: about thirty pictures, never one a run.
    for (int run = 0; run < static_cast<int>(kRate / 64); ++run) {
        Values moving = highPass;
        moving[kParameterDryWet] = static_cast<float>(run % 100) / 100.0f;
        host.set(moving);
        host.run(64);
    }
    EXPECT_GE(host.redrawRequests() - quiet, 25);
    EXPECT_LE(host.redrawRequests() - quiet, 31);
}

// A host without queue_draw loses the requests only: the same audio, and the picture of the
// present settings whenever it renders.
TEST(LilvInlineDisplay, WithoutQueueDrawOnlyTheRequestsAreMissing) {
    DisplayHost asking(true), silent(false);
    Values setting = kSetting;
    for (int step = 0; step < 40; ++step) {
        setting[kParameterFrequency] = 0.2f + 0.015f * static_cast<float>(step);
        asking.set(setting);
        silent.set(setting);
        const auto noise = asking.noiseBlock(0.2f);
        EXPECT_EQ(asking.run(kBlock, noise), silent.run(kBlock, noise)) << step;
        ASSERT_NE(silent.render(160, 120), nullptr);
    }
    EXPECT_EQ(silent.redrawRequests(), 0);
    EXPECT_GT(asking.redrawRequests(), 0);
    silent.runSeconds(0.2);
    const Lv2InlineDisplayImageSurface* image = silent.render(300, 200);
    ASSERT_NE(image, nullptr);
    expectCurveWhereTheResponseSays(*image, settingsForValues(setting));
}

// render on the host's display thread while run goes on: the audio is the same, bit for bit,
// as an instance's that is never rendered, and ThreadSanitizer finds no race.
TEST(LilvInlineDisplayConcurrencyStress, RenderOnAnotherThreadLeavesRunAsItWas) {
#if defined(__SANITIZE_THREAD__)
    const auto duration = std::chrono::milliseconds(1000);
#else
    const auto duration = std::chrono::milliseconds(300);
#endif
    DisplayHost rendered(true), alone(true);
    const auto settingOf = [](int block) {
        Values values = kSetting;
        values[kParameterFrequency] = static_cast<float>((block / 7) % 80) / 79.0f;
        values[kParameterType] = static_cast<float>((block / 50) % 5) / 4.0f;
        values[kParameterCutoff] = static_cast<float>((block / 30) % 4) / 3.0f;
        values[kParameterSmoothing] = 0.01f;
        return values;
    };
    std::atomic<bool> running{true};
    std::atomic<int> pictures{0}, missing{0};
    std::thread display([&] {
        const PictureSize sizes[] = {{56, 40, 32}, {160, 120, 90}, {600, 400, 338}, {300, 300, 169}};
        for (int k = 0; running.load(); ++k) {
            const PictureSize& size = sizes[k % 4];
            const Lv2InlineDisplayImageSurface* image = rendered.render(size.width, size.maxHeight);
            if (image == nullptr || image->width != static_cast<int>(size.width) || image->height != static_cast<int>(size.height)) {
                ++missing;
            }
            ++pictures;
        }
    });
    std::vector<std::vector<float>> outputs;
    const auto end = std::chrono::steady_clock::now() + duration;
    for (int block = 0; std::chrono::steady_clock::now() < end || pictures.load() < 4; ++block) {
        rendered.set(settingOf(block));
        outputs.push_back(rendered.run(kBlock, rendered.noiseBlock(0.4f)));
    }
    running = false;
    display.join();
    EXPECT_EQ(missing.load(), 0);
    EXPECT_GT(pictures.load(), 3);
    for (std::size_t block = 0; block < outputs.size(); ++block) {
        alone.set(settingOf(static_cast<int>(block)));
        ASSERT_EQ(alone.run(kBlock, alone.noiseBlock(0.4f)), outputs[block]) << "block " << block;
    }
}

}  // namespace
