// SPDX-License-Identifier: MIT
#include "tools/hosting/lv2/lv2_port.h"

std::string shortUriName(const std::string& uri) {
    const std::size_t cut = uri.find_last_of("#/");
    if (cut == std::string::npos || cut + 1 == uri.size()) return uri;
    return uri.substr(cut + 1);
}

std::string portKindText(const Lv2Port& port) {
    const char* kind = "unknown";
    switch (port.kind) {
        case Lv2PortKind::Audio:
            kind = "audio";
            break;
        case Lv2PortKind::Control:
            kind = "control";
            break;
        case Lv2PortKind::Cv:
            kind = "CV";
            break;
        case Lv2PortKind::Atom:
            kind = port.carriesMidi ? "MIDI" : "atom";
            break;
        case Lv2PortKind::Event:
            kind = "event";
            break;
        case Lv2PortKind::Unknown:
            break;
    }
    return std::string(kind) + (port.input ? " in" : " out");
}
