// SPDX-License-Identifier: MIT
// One port of an LV2 plug-in as its description states it, read once through lilv into plain
// values: what kind of port it is, which way it goes, its range as written (for a port with
// lv2:sampleRate, fractions of the rate), its unit, scale points and properties. The rules
// that turn these into host units, texts and the values a port takes are in lv2_port_values.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Lv2ScalePoint {
    float value;
    std::string label;
};

enum class Lv2PortKind {
    Audio,
    Control,
    Cv,
    // atom:AtomPort: sequences of events (MIDI, patch messages) or other atoms.
    Atom,
    // The old event extension's ports (ev:EventPort), which the tool does not serve.
    Event,
    // A port of no class the tool knows.
    Unknown,
};

struct Lv2Port {
    std::uint32_t index = 0;
    std::string symbol;
    std::string name;
    Lv2PortKind kind = Lv2PortKind::Unknown;
    bool input = true;
    // lv2:connectionOptional: the plug-in runs with the port left unconnected.
    bool connectionOptional = false;

    // As the description writes them; for a port with lv2:sampleRate, fractions of the rate.
    std::optional<float> minimum;
    std::optional<float> defaultValue;
    std::optional<float> maximum;
    bool sampleRate = false;
    bool logarithmic = false;
    bool integer = false;
    bool enumeration = false;
    bool toggled = false;
    // Every lv2:portProperty, by its short name ("logarithmic", "enumeration", ...).
    std::vector<std::string> properties;

    // The unit's URI (".../units#hz") and the symbol it is shown with ("Hz"); both empty for
    // a port without a unit.
    std::string unitUri;
    std::string unitSymbol;
    // Sorted by value.
    std::vector<Lv2ScalePoint> scalePoints;

    // lv2:designation, e.g. lv2:latency, lv2:enabled, lv2:control; empty for none.
    std::string designation;
    // The port on which the plug-in reports its latency in samples.
    bool reportsLatency = false;
    // An atom or event port that carries MIDI events (atom:supports midi:MidiEvent).
    bool carriesMidi = false;
    // Atom ports: whether they may be connected to an atom:Sequence (the buffer type the tool
    // serves), and the smallest buffer the plug-in asks for (rsz:minimumSize, 0 if none).
    bool takesSequence = true;
    std::uint32_t minimumBufferSize = 0;
};

// The last part of a URI, after '#' or the last '/': "hz" for ".../units#hz".
std::string shortUriName(const std::string& uri);

// "audio in", "control out", "atom in", ...
std::string portKindText(const Lv2Port& port);
