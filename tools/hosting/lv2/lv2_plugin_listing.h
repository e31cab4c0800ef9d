// SPDX-License-Identifier: MIT
// What `info` shows of an LV2 plug-in beyond the format-neutral listing: its URI, module,
// classes, required and optional features (and which the tool provides), the latency and
// meter ports, and every port with its kind, range and default in host units at the rate,
// unit, scale points, properties, designation and current value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/hosting/lv2/lv2_plugin_facts.h"
#include "tools/hosting/plugin_instance.h"

// "urid:map" for http://lv2plug.in/ns/ext/urid#map, "lv2:hardRTCapable" for the core's
// terms; any other URI as it is.
std::string compactLv2Uri(const std::string& uri);

// The plug-in's classes, then the plug-in properties it lists among its features
// (hardRTCapable, inPlaceBroken, isLive).
std::vector<std::string> lv2PluginProperties(const Lv2PluginFacts& facts);

// An instrument: of the class lv2:InstrumentPlugin, or taking MIDI and no audio.
bool isLv2Instrument(const Lv2PluginFacts& facts);
// Whether any input port carries MIDI.
bool takesMidi(const Lv2PluginFacts& facts);

// The facts for PluginDescription::formatFacts; `values` holds every control port's value
// by port index, ranges are shown at `sampleRate`.
std::vector<FormatFact> lv2FormatFacts(const Lv2PluginFacts& facts, const std::vector<float>& values,
                                       double sampleRate, std::optional<std::uint32_t> meterPort,
                                       std::optional<std::uint32_t> latencyPort);
