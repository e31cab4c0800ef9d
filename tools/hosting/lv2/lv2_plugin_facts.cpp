// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_plugin_facts.h"

#include <lv2/atom/atom.h>
#include <lv2/event/event.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/port-props/port-props.h>
#include <lv2/resize-port/resize-port.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <memory>

#include "tools/hosting/lv2/lv2_units.h"

namespace {

constexpr char kRdfType[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";

struct NodeFree {
    void operator()(LilvNode* node) const { lilv_node_free(node); }
};
using Node = std::unique_ptr<LilvNode, NodeFree>;

struct NodesFree {
    void operator()(LilvNodes* nodes) const { lilv_nodes_free(nodes); }
};
using Nodes = std::unique_ptr<LilvNodes, NodesFree>;

std::string text(const LilvNode* node) { return node == nullptr ? "" : lilv_node_as_string(node); }

std::optional<float> number(const LilvNode* node) {
    if (node == nullptr || !(lilv_node_is_float(node) || lilv_node_is_int(node))) return std::nullopt;
    return lilv_node_as_float(node);
}

std::vector<std::string> texts(const LilvNodes* nodes) {
    std::vector<std::string> result;
    LILV_FOREACH (nodes, i, nodes) result.push_back(text(lilv_nodes_get(nodes, i)));
    return result;
}

// The URIs the reader asks about, made once per world.
class Vocabulary {
public:
    explicit Vocabulary(LilvWorld* world) : world_(world) {}
    const LilvNode* operator()(const char* uri) {
        for (const auto& [known, node] : nodes_) {
            if (known == uri) return node.get();
        }
        nodes_.emplace_back(uri, Node(lilv_new_uri(world_, uri)));
        return nodes_.back().second.get();
    }

private:
    LilvWorld* world_;
    std::vector<std::pair<std::string, Node>> nodes_;
};

void readUnit(LilvWorld* world, const LilvPlugin* plugin, const LilvPort* port, Vocabulary& uri, Lv2Port& result) {
    const Node unit(lilv_port_get(plugin, port, uri(LV2_UNITS__unit)));
    if (!unit) return;
    if (lilv_node_is_uri(unit.get())) result.unitUri = text(unit.get());
    // A symbol in the data (a plug-in's own unit, or the units vocabulary where it is loaded)
    // comes first, then the vocabulary's symbols the tool knows, then the unit's short name.
    const Node symbol(lilv_world_get(world, unit.get(), uri(LV2_UNITS__symbol), nullptr));
    if (symbol) {
        result.unitSymbol = text(symbol.get());
    } else if (const std::optional<std::string> standard = standardUnitSymbol(result.unitUri)) {
        result.unitSymbol = *standard;
    } else {
        result.unitSymbol = shortUriName(result.unitUri);
    }
}

Lv2Port readPort(LilvWorld* world, const LilvPlugin* plugin, const LilvPort* port, Vocabulary& uri) {
    Lv2Port result;
    result.index = lilv_port_get_index(plugin, port);
    result.symbol = text(lilv_port_get_symbol(plugin, port));
    const Node name(lilv_port_get_name(plugin, port));
    result.name = name ? text(name.get()) : result.symbol;
    const auto is = [&](const char* portClass) { return lilv_port_is_a(plugin, port, uri(portClass)); };
    const auto has = [&](const char* property) { return lilv_port_has_property(plugin, port, uri(property)); };
    result.input = is(LV2_CORE__InputPort);
    if (is(LV2_CORE__AudioPort)) {
        result.kind = Lv2PortKind::Audio;
    } else if (is(LV2_CORE__ControlPort)) {
        result.kind = Lv2PortKind::Control;
    } else if (is(LV2_CORE__CVPort)) {
        result.kind = Lv2PortKind::Cv;
    } else if (is(LV2_ATOM__AtomPort)) {
        result.kind = Lv2PortKind::Atom;
    } else if (is(LV2_EVENT__EventPort)) {
        result.kind = Lv2PortKind::Event;
    }
    result.connectionOptional = has(LV2_CORE__connectionOptional);

    LilvNode* defaultNode = nullptr;
    LilvNode* minimumNode = nullptr;
    LilvNode* maximumNode = nullptr;
    lilv_port_get_range(plugin, port, &defaultNode, &minimumNode, &maximumNode);
    const Node defaultValue(defaultNode), minimum(minimumNode), maximum(maximumNode);
    result.defaultValue = number(defaultValue.get());
    result.minimum = number(minimum.get());
    result.maximum = number(maximum.get());

    result.sampleRate = has(LV2_CORE__sampleRate);
    result.logarithmic = has(LV2_PORT_PROPS__logarithmic);
    result.integer = has(LV2_CORE__integer);
    result.enumeration = has(LV2_CORE__enumeration);
    result.toggled = has(LV2_CORE__toggled);
    result.reportsLatency = has(LV2_CORE__reportsLatency);
    const Nodes properties(lilv_port_get_properties(plugin, port));
    for (const std::string& property : texts(properties.get())) result.properties.push_back(shortUriName(property));
    std::sort(result.properties.begin(), result.properties.end());

    readUnit(world, plugin, port, uri, result);

    if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port)) {
        LILV_FOREACH (scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            if (const std::optional<float> value = number(lilv_scale_point_get_value(point))) {
                result.scalePoints.push_back({*value, text(lilv_scale_point_get_label(point))});
            }
        }
        lilv_scale_points_free(points);
        std::stable_sort(result.scalePoints.begin(), result.scalePoints.end(),
                         [](const Lv2ScalePoint& a, const Lv2ScalePoint& b) { return a.value < b.value; });
    }

    const Node designation(lilv_port_get(plugin, port, uri(LV2_CORE__designation)));
    result.designation = text(designation.get());
    if (result.designation == LV2_CORE__latency) result.reportsLatency = true;
    result.carriesMidi = lilv_port_supports_event(plugin, port, uri(LV2_MIDI__MidiEvent));
    if (result.kind == Lv2PortKind::Atom) {
        const Nodes bufferTypes(lilv_port_get_value(plugin, port, uri(LV2_ATOM__bufferType)));
        if (bufferTypes && lilv_nodes_size(bufferTypes.get()) > 0) {
            result.takesSequence = lilv_nodes_contains(bufferTypes.get(), uri(LV2_ATOM__Sequence));
        }
        const Node size(lilv_port_get(plugin, port, uri(LV2_RESIZE_PORT__minimumSize)));
        if (size && lilv_node_is_int(size.get()) && lilv_node_as_int(size.get()) > 0) {
            result.minimumBufferSize = static_cast<std::uint32_t>(lilv_node_as_int(size.get()));
        }
    }
    return result;
}

}  // namespace

bool Lv2PluginFacts::hasClass(const std::string& shortName) const {
    return std::find(classes.begin(), classes.end(), shortName) != classes.end();
}

std::optional<std::uint32_t> Lv2PluginFacts::portDesignated(const std::string& designationUri) const {
    for (const Lv2Port& port : ports) {
        if (port.designation == designationUri) return port.index;
    }
    return std::nullopt;
}

std::filesystem::path pathOfFileUri(const std::string& uri) {
    char* path = lilv_file_uri_parse(uri.c_str(), nullptr);
    if (path == nullptr) return {};
    std::string result = path;
    lilv_free(path);
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

Lv2PluginFacts readLv2PluginFacts(LilvWorld* world, const LilvPlugin* plugin) {
    Vocabulary uri(world);
    Lv2PluginFacts facts;
    facts.uri = text(lilv_plugin_get_uri(plugin));
    const Node name(lilv_plugin_get_name(plugin));
    facts.name = name ? text(name.get()) : facts.uri;
    facts.bundle = pathOfFileUri(text(lilv_plugin_get_bundle_uri(plugin)));
    facts.binary = pathOfFileUri(text(lilv_plugin_get_library_uri(plugin)));
    const LilvPlugins* all = lilv_world_get_all_plugins(world);
    LILV_FOREACH (plugins, i, all) {
        const LilvPlugin* other = lilv_plugins_get(all, i);
        if (lilv_node_equals(lilv_plugin_get_bundle_uri(other), lilv_plugin_get_bundle_uri(plugin))) {
            facts.pluginsInBundle.push_back(text(lilv_plugin_get_uri(other)));
        }
    }

    const Nodes types(lilv_plugin_get_value(plugin, uri(kRdfType)));
    for (const std::string& type : texts(types.get())) {
        // The core's plug-in classes; other types (doap:Project) say nothing about processing.
        if (type != LV2_CORE__Plugin && type.rfind(LV2_CORE_PREFIX, 0) == 0) facts.classes.push_back(shortUriName(type));
    }
    const Nodes required(lilv_plugin_get_required_features(plugin));
    facts.requiredFeatures = texts(required.get());
    const Nodes optional(lilv_plugin_get_optional_features(plugin));
    facts.optionalFeatures = texts(optional.get());
    const Nodes options(lilv_plugin_get_value(plugin, uri(LV2_OPTIONS__requiredOption)));
    facts.requiredOptions = texts(options.get());
    if (LilvUIs* interfaces = lilv_plugin_get_uis(plugin)) {
        facts.hasUserInterface = lilv_uis_size(interfaces) > 0;
        lilv_uis_free(interfaces);
    }
    const std::uint32_t portCount = lilv_plugin_get_num_ports(plugin);
    for (std::uint32_t i = 0; i < portCount; ++i) {
        facts.ports.push_back(readPort(world, plugin, lilv_plugin_get_port_by_index(plugin, i), uri));
    }
    return facts;
}
