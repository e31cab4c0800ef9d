// Drawing and writing measured responses: dB against a logarithmic frequency axis up to
// half the rate, with grid, axis labels and a legend, as PNG or SVG; and the same numbers as
// CSV. Both write through a temporary file, so a failed write leaves nothing behind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/frequency_response.h"

struct ResponseCurve {
    std::string label;
    FrequencyResponse response;
};

// The format follows the extension: ".png" or ".svg". Throws ToolError for any other.
void drawResponsePlot(const std::vector<ResponseCurve>& curves, const std::string& title,
                      const std::filesystem::path& destination);

// One row per FFT bin: the frequency, then one dB column per curve.
void writeResponseCsv(const std::vector<ResponseCurve>& curves, const std::filesystem::path& destination);
