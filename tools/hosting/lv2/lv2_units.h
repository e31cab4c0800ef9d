// SPDX-License-Identifier: MIT
// The symbols of the LV2 units vocabulary (units:hz is shown "Hz", units:db "dB"), for
// descriptions read without the units extension's own data loaded (a bundle loaded on its own);
// a symbol the data gives itself (a plug-in's own unit) takes precedence.
#pragma once

#include <optional>
#include <string>

// The symbol of a unit of the LV2 units vocabulary, by its URI; nothing for another URI.
std::optional<std::string> standardUnitSymbol(const std::string& unitUri);
