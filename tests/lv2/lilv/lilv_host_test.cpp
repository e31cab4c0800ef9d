// SPDX-License-Identifier: MIT
// The bundle as lilv, the library most LV2 hosts on Linux load plug-ins with, reads it: the
// description lists the parameter table's controls in order with their units, ranges,
// enumerations and defaults, and a host built on lilv renders the cross-format session as
// the VST module does.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/core/lv2.h>
#include <lv2/units/units.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/filter_stage.h"
#include "core/parameter_table.h"
#include "core/parameter_rules.h"
#include "core/parameter_units.h"
#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/plugin_uri.h"
#include "formats/lv2/port_layout.h"
#include "lv2/lv2_session.h"
#include "support/scripted_session.h"

namespace {

using testing_support::SessionStep;

constexpr char kLv2Core[] = "http://lv2plug.in/ns/lv2core#";
constexpr char kPortProperties[] = "http://lv2plug.in/ns/ext/port-props#";

std::string lv2(const char* name) { return std::string(kLv2Core) + name; }

// A lilv world that has loaded one bundle folder, and the plug-in in it.
class LoadedBundle {
public:
    explicit LoadedBundle(const std::filesystem::path& folder) : world_(lilv_world_new()) {
        LilvNode* bundle = lilv_new_file_uri(world_, nullptr, (folder.string() + "/").c_str());
        lilv_world_load_bundle(world_, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world_, kPluginUri);
        plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
        lilv_node_free(uri);
        if (plugin_ == nullptr) throw std::runtime_error("lilv found no plug-in " + std::string(kPluginUri));
    }
    ~LoadedBundle() { lilv_world_free(world_); }
    LoadedBundle(const LoadedBundle&) = delete;
    LoadedBundle& operator=(const LoadedBundle&) = delete;

    const LilvPlugin* plugin() const { return plugin_; }
    LilvWorld* world() const { return world_; }
    const LilvPort* port(std::uint32_t index) const { return lilv_plugin_get_port_by_index(plugin_, index); }

    bool portIs(std::uint32_t index, const std::string& classOrProperty) const {
        LilvNode* node = lilv_new_uri(world_, classOrProperty.c_str());
        const bool is = lilv_port_is_a(plugin_, port(index), node) || lilv_port_has_property(plugin_, port(index), node);
        lilv_node_free(node);
        return is;
    }
    std::string text(const LilvNode* node) const { return node == nullptr ? "" : lilv_node_as_string(node); }
    std::string symbol(std::uint32_t index) const { return text(lilv_port_get_symbol(plugin_, port(index))); }
    std::string name(std::uint32_t index) const {
        LilvNode* name = lilv_port_get_name(plugin_, port(index));
        const std::string result = text(name);
        lilv_node_free(name);
        return result;
    }
    // Every unit the port names, in sorted order and space-separated (lilv lists a port's
    // values in no fixed order, so a port with two units never passes for either one).
    std::string unit(std::uint32_t index) const {
        LilvNode* predicate = lilv_new_uri(world_, LV2_UNITS__unit);
        LilvNodes* units = lilv_port_get_value(plugin_, port(index), predicate);
        std::set<std::string> named;
        if (units != nullptr) LILV_FOREACH (nodes, i, units) named.insert(text(lilv_nodes_get(units, i)));
        std::string result;
        for (const std::string& unit : named) result += (result.empty() ? "" : " ") + unit;
        lilv_nodes_free(units);
        lilv_node_free(predicate);
        return result;
    }
    // The port's scale points by value; a value listed twice reads "(more than one label)",
    // whichever order lilv lists them in.
    std::map<float, std::string> scalePoints(std::uint32_t index) const {
        std::map<float, std::string> points;
        LilvScalePoints* list = lilv_port_get_scale_points(plugin_, port(index));
        LILV_FOREACH (scale_points, i, list) {
            const LilvScalePoint* point = lilv_scale_points_get(list, i);
            const auto [entry, added] = points.emplace(lilv_node_as_float(lilv_scale_point_get_value(point)),
                                                       text(lilv_scale_point_get_label(point)));
            if (!added) entry->second = "(more than one label)";
        }
        lilv_scale_points_free(list);
        return points;
    }
    struct Ranges {
        std::vector<float> minimum, maximum, defaults;
    };
    Ranges ranges() const {
        const std::uint32_t count = lilv_plugin_get_num_ports(plugin_);
        Ranges ranges{std::vector<float>(count), std::vector<float>(count), std::vector<float>(count)};
        lilv_plugin_get_port_ranges_float(plugin_, ranges.minimum.data(), ranges.maximum.data(), ranges.defaults.data());
        return ranges;
    }
    // The defaults as a host sets them: the description's own numbers.
    std::vector<float> hostDefaults() const { return ranges().defaults; }

private:
    LilvWorld* world_;
    const LilvPlugin* plugin_ = nullptr;
};

TEST(LilvDescription, ControlsAreTheParameterTableInOrderWithTheirUnitsAndRanges) {
    const LoadedBundle bundle(BRAMSOLIKET_LV2_BUNDLE);
    ASSERT_EQ(lilv_plugin_get_num_ports(bundle.plugin()), static_cast<std::uint32_t>(kPortCount));
    for (const ParameterInfo& parameter : kParameterTable) {
        const std::uint32_t port = controlPortOf(parameter.index);
        EXPECT_EQ(bundle.symbol(port), parameter.symbol);
        EXPECT_EQ(bundle.name(port), parameter.name);
        EXPECT_TRUE(bundle.portIs(port, lv2("InputPort")) && bundle.portIs(port, lv2("ControlPort"))) << port;
    }
    const auto ranges = bundle.ranges();
    const auto at = [&](ParameterIndex index) { return controlPortOf(index); };
    // Freq: plain hertz, logarithmic, with bounds that hold every row at every rate from 8 to
    // 384 kHz: the lowest row at 8 kHz and the highest at 384 kHz are the bounds themselves.
    EXPECT_EQ(bundle.unit(at(kParameterFrequency)), LV2_UNITS__hz);
    EXPECT_FALSE(bundle.portIs(at(kParameterFrequency), lv2("sampleRate")));
    EXPECT_TRUE(bundle.portIs(at(kParameterFrequency), std::string(kPortProperties) + "logarithmic"));
    EXPECT_EQ(ranges.minimum[at(kParameterFrequency)], parameter_units::rowFrequencyHz(0, 8000.0f));
    EXPECT_EQ(ranges.maximum[at(kParameterFrequency)],
              parameter_units::rowFrequencyHz(parameter_units::kTopFrequencyRow, 384000.0f));
    // Type and Cutoff: enumerations labelled as the VST build shows them.
    std::map<float, std::string> types, slopes;
    for (int type = 0; type < kFilterTypeCount; ++type) types[static_cast<float>(type)] = FilterStage::typeName(type);
    for (int stages = 1; stages <= 4; ++stages) slopes[12.0f * stages] = std::to_string(12 * stages) + " dB/Oct";
    EXPECT_EQ(bundle.scalePoints(at(kParameterType)), types);
    EXPECT_EQ(bundle.scalePoints(at(kParameterCutoff)), slopes);
    for (const ParameterIndex index : {kParameterType, kParameterCutoff}) {
        EXPECT_TRUE(bundle.portIs(at(index), lv2("enumeration")) && bundle.portIs(at(index), lv2("integer"))) << index;
        EXPECT_EQ(ranges.minimum[at(index)], bundle.scalePoints(at(index)).begin()->first);
        EXPECT_EQ(ranges.maximum[at(index)], bundle.scalePoints(at(index)).rbegin()->first);
    }
    // Level: decibels from the floor to the top gain's.
    EXPECT_EQ(bundle.unit(at(kParameterLevel)), LV2_UNITS__db);
    EXPECT_EQ(ranges.minimum[at(kParameterLevel)], parameter_units::kLevelFloorDecibels);
    EXPECT_EQ(ranges.maximum[at(kParameterLevel)], parameter_units::topLevelDecibels());
    // The amounts: 0 to 1.
    for (const ParameterIndex index : {kParameterResonance, kParameterSmoothing, kParameterDryWet}) {
        EXPECT_EQ(ranges.minimum[at(index)], 0.0f);
        EXPECT_EQ(ranges.maximum[at(index)], 1.0f);
        EXPECT_EQ(bundle.unit(at(index)), "");
    }
}

TEST(LilvDescription, DefaultsAreWhatAFreshVstInstanceShowsAt44100) {
    const LoadedBundle bundle(BRAMSOLIKET_LV2_BUNDLE);
    const auto defaults = bundle.hostDefaults();
    const auto expected = lv2_testing::defaultControls(44100.0f);
    for (const ParameterInfo& parameter : kParameterTable) {
        EXPECT_EQ(defaults[controlPortOf(parameter.index)], expected[parameter.index]) << parameter.name;
    }
    // At another rate the default frequency selects the row nearest to it in pitch.
    const float frequency = defaults[controlPortOf(kParameterFrequency)];
    EXPECT_EQ(parameter_units::rowForFrequency(frequency, 44100.0f), 39);
    EXPECT_EQ(parameter_units::rowForFrequency(frequency, 48000.0f), 37);
    EXPECT_EQ(parameter_units::rowForFrequency(frequency, 96000.0f), 21);
    // Every row lies within the bounds at every rate the bounds are made for.
    const auto ranges = bundle.ranges();
    for (const float rate : {8000.0f, 11025.0f, 44100.0f, 96000.0f, 192000.0f, 384000.0f}) {
        EXPECT_GE(parameter_units::rowFrequencyHz(0, rate), ranges.minimum[controlPortOf(kParameterFrequency)]);
        EXPECT_LE(parameter_units::rowFrequencyHz(parameter_units::kTopFrequencyRow, rate),
                  ranges.maximum[controlPortOf(kParameterFrequency)]);
    }
}

TEST(LilvDescription, AudioPortsPeakPortAndFeatures) {
    const LoadedBundle bundle(BRAMSOLIKET_LV2_BUNDLE);
    EXPECT_TRUE(bundle.portIs(kPortInput, lv2("InputPort")) && bundle.portIs(kPortInput, lv2("AudioPort")));
    EXPECT_TRUE(bundle.portIs(kPortLeft, lv2("OutputPort")) && bundle.portIs(kPortLeft, lv2("AudioPort")));
    EXPECT_TRUE(bundle.portIs(kPortRight, lv2("OutputPort")) && bundle.portIs(kPortRight, lv2("AudioPort")));
    EXPECT_TRUE(bundle.portIs(kPortPeak, lv2("OutputPort")) && bundle.portIs(kPortPeak, lv2("ControlPort")));
    EXPECT_EQ(bundle.symbol(kPortInput), kInputPortNames.symbol);
    EXPECT_EQ(bundle.symbol(kPortLeft), kLeftPortNames.symbol);
    EXPECT_EQ(bundle.symbol(kPortRight), kRightPortNames.symbol);
    EXPECT_EQ(bundle.symbol(kPortPeak), kPeakPortNames.symbol);
    EXPECT_EQ(bundle.unit(kPortPeak), LV2_UNITS__coef);
    // The bypass switch, which hosts find by its designation.
    EXPECT_TRUE(bundle.portIs(kPortEnabled, lv2("InputPort")) && bundle.portIs(kPortEnabled, lv2("ControlPort")));
    EXPECT_TRUE(bundle.portIs(kPortEnabled, lv2("toggled")));
    EXPECT_EQ(bundle.symbol(kPortEnabled), kEnabledPortNames.symbol);
    EXPECT_EQ(bundle.hostDefaults()[kPortEnabled], 1.0f);
    LilvNode* enabled = lilv_new_uri(bundle.world(), LV2_CORE__enabled);
    const LilvPort* designated = lilv_plugin_get_port_by_designation(bundle.plugin(), nullptr, enabled);
    lilv_node_free(enabled);
    ASSERT_NE(designated, nullptr);
    EXPECT_EQ(lilv_port_get_index(bundle.plugin(), designated), static_cast<std::uint32_t>(kPortEnabled));
    EXPECT_FALSE(lilv_plugin_has_latency(bundle.plugin()));
    for (std::uint32_t port = 0; port < kPortCount; ++port) EXPECT_FALSE(bundle.portIs(port, lv2("inPlaceBroken")));

    LilvNodes* required = lilv_plugin_get_required_features(bundle.plugin());
    EXPECT_EQ(lilv_nodes_size(required), 0u);
    lilv_nodes_free(required);
    LilvNodes* optional = lilv_plugin_get_optional_features(bundle.plugin());
    std::set<std::string> features;
    LILV_FOREACH (nodes, i, optional) features.insert(bundle.text(lilv_nodes_get(optional, i)));
    lilv_nodes_free(optional);
    std::set<std::string> expected = {lv2("hardRTCapable")};
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
    // Ardour's inline display: its interface, its redraw requests, and the picture in the
    // host's generic window too.
    expected.insert({kInlineDisplayQueueDrawUri, kInlineDisplayInGuiUri});
    LilvNode* display = lilv_new_uri(bundle.world(), kInlineDisplayInterfaceUri);
    EXPECT_TRUE(lilv_plugin_has_extension_data(bundle.plugin(), display));
    lilv_node_free(display);
#endif
    EXPECT_EQ(features, expected);
}

// What hosts and lv2lint read about the plug-in's makers, through lilv: the maintainer of the
// project, the licence as a URI, a stable version.
TEST(LilvDescription, ProjectMaintainerLicenceAndVersion) {
    const LoadedBundle bundle(BRAMSOLIKET_LV2_BUNDLE);
    const auto owned = [&](LilvNode* node) {
        const std::string result = bundle.text(node);
        lilv_node_free(node);
        return result;
    };
    // The plug-in's one value for `predicate` (lilv lists several in no fixed order, so
    // there must be exactly one), or "" when it has none or several.
    const auto only = [&](const char* predicate) {
        LilvNode* uri = lilv_new_uri(bundle.world(), predicate);
        LilvNodes* values = lilv_plugin_get_value(bundle.plugin(), uri);
        EXPECT_LE(lilv_nodes_size(values), 1u) << "values of " << predicate;
        const std::string result =
            values == nullptr || lilv_nodes_size(values) != 1 ? "" : bundle.text(lilv_nodes_get_first(values));
        lilv_nodes_free(values);
        lilv_node_free(uri);
        return result;
    };
    EXPECT_EQ(owned(lilv_plugin_get_author_name(bundle.plugin())), "The BRAMSOLIKET developers");
    EXPECT_EQ(owned(lilv_plugin_get_author_email(bundle.plugin())), "mailto:bramsoliket@bramsoliket.org");
    EXPECT_EQ(owned(lilv_plugin_get_author_homepage(bundle.plugin())), "https://github.com/bramsoliket/bramsoliket");
    EXPECT_EQ(owned(lilv_plugin_get_project(bundle.plugin())), "https://github.com/bramsoliket/bramsoliket");
    EXPECT_EQ(only("http://usefulinc.com/ns/doap#license"), "https://spdx.org/licenses/MIT");
    EXPECT_FALSE(only("http://usefulinc.com/ns/doap#shortdesc").empty());
    const int minor = std::stoi(only(LV2_CORE__minorVersion));
    EXPECT_TRUE(minor > 0 && minor % 2 == 0) << "a released version: even and not zero, " << minor;
    LilvNode* comment = lilv_new_uri(bundle.world(), "http://www.w3.org/2000/01/rdf-schema#comment");
    for (std::uint32_t port = 0; port < kPortCount; ++port) {
        LilvNodes* comments = lilv_port_get_value(bundle.plugin(), bundle.port(port), comment);
        EXPECT_EQ(lilv_nodes_size(comments), 1u) << "a comment on port " << port;
        lilv_nodes_free(comments);
    }
    lilv_node_free(comment);
}

// A copy of the bundle folder, so that the host loads a module of its own (with its own
// glide step counters) for each test.
class BundleCopy {
public:
    BundleCopy() {
        static int serial = 0;
        folder_ = std::filesystem::temp_directory_path() /
                  ("bramsoliket-lilv-" + std::to_string(::getpid()) + "-" + std::to_string(serial++)) / "bramsoliket.lv2";
        std::filesystem::create_directories(folder_.parent_path());
        std::filesystem::copy(BRAMSOLIKET_LV2_BUNDLE, folder_, std::filesystem::copy_options::recursive);
    }
    ~BundleCopy() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_.parent_path(), ignored);
    }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

// The session through lilv as a host runs it: defaults from the description, each setting
// as the VST build shows it, suspends as deactivate and activate. The session must start
// from the row the description's default frequency selects at its rate.
std::vector<float> renderThroughLilv(const testing_support::ScriptedSession& session) {
    const BundleCopy copy;
    const LoadedBundle bundle(copy.folder());
    LilvInstance* instance = lilv_plugin_instantiate(bundle.plugin(), session.sampleRate, nullptr);
    if (instance == nullptr) throw std::runtime_error("lilv could not instantiate the plug-in");
    std::vector<float> ports = bundle.hostDefaults();
    float peak = 0.0f;
    lilv_instance_activate(instance);
    for (const ParameterInfo& parameter : kParameterTable) {
        const std::uint32_t port = controlPortOf(parameter.index);
        lilv_instance_connect_port(instance, port, &ports[port]);
    }
    lilv_instance_connect_port(instance, kPortPeak, &peak);
    lilv_instance_connect_port(instance, kPortEnabled, &ports[kPortEnabled]);
    std::vector<float> left(session.input.size()), right(session.input.size());
    std::size_t position = 0;
    for (const SessionStep& step : session.steps) {
        if (step.kind == SessionStep::Kind::SetParameter) {
            ports[controlPortOf(static_cast<ParameterIndex>(step.index))] = lv2_testing::hostValueShownFor(
                static_cast<ParameterIndex>(step.index), step.value, session.sampleRate);
        }
        if (step.kind == SessionStep::Kind::Suspend) {
            lilv_instance_deactivate(instance);
            lilv_instance_activate(instance);
        }
        if (step.kind == SessionStep::Kind::Process) {
            lilv_instance_connect_port(instance, kPortInput, const_cast<float*>(session.input.data() + position));
            lilv_instance_connect_port(instance, kPortLeft, left.data() + position);
            lilv_instance_connect_port(instance, kPortRight, right.data() + position);
            lilv_instance_run(instance, static_cast<std::uint32_t>(step.frames));
            position += static_cast<std::size_t>(step.frames);
        }
    }
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    if (std::memcmp(left.data(), right.data(), left.size() * sizeof(float)) != 0) {
        throw std::runtime_error("the plug-in's two output channels differ");
    }
    return left;
}

TEST(LilvHost, CrossFormatSessionEqualsTheVstModule) {
    const LoadedBundle bundle(BRAMSOLIKET_LV2_BUNDLE);
    const float defaultHertz = bundle.hostDefaults()[controlPortOf(kParameterFrequency)];
    for (const float rate : {44100.0f, 48000.0f}) {
        auto session = testing_support::crossFormatSession(rate, 31);
        // The VST module starts where the fresh LV2 instance does: on the default's row.
        const float startRow = *parameter_units::valueForNumber(kParameterFrequency, defaultHertz, rate);
        session.steps.insert(session.steps.begin(), {SessionStep::Kind::SetParameter, kParameterFrequency, startRow, 0});
        const auto expected = testing_support::renderThroughVstModule(session, BRAMSOLIKET_MODULE_PATH);
        EXPECT_EQ(testing_support::firstDifference(renderThroughLilv(session), expected), -1) << "at " << rate << " Hz";
    }
}

}  // namespace
