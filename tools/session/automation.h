// SPDX-License-Identifier: MIT
// Parameter changes at exact sample positions, read from a JSON file: a list of objects
//   {"seconds": 0.5, "parameter": "Freq", "value": 0.2}
//   {"sample": 22050, "parameter": 0, "value": 0.2}
// each with exactly one of "seconds" or "sample", a parameter given by name or number (the
// index, or the id where the format has ids: ParameterNames::numberedParameter), and a
// number as value. Seconds are counted at the rate of the rendered stream and rounded to the
// nearest sample. Changes at the same sample are applied in file order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/session/parameter_settings.h"

struct AutomationEvent {
    std::int64_t frame;
    ParameterSetting setting;
};

// Sorted by frame, file order kept within a frame. Throws ToolError naming the file and the
// entry for text that does not parse, a missing or wrong field, an unknown parameter, a value
// that is not a number, or a negative or non-finite time.
std::vector<AutomationEvent> parseAutomation(const std::string& jsonText, const ParameterNames& names,
                                             double sampleRate, const std::string& sourceName);
std::vector<AutomationEvent> readAutomationFile(const std::filesystem::path& path, const ParameterNames& names,
                                                double sampleRate);
