// SPDX-License-Identifier: MIT
// The host tool's automation reader with any text: it either returns events or throws the
// tool's own error with a message; nothing else may escape (the tool would end with an
// unexplained failure). Returned events are sorted by frame, lie at non-negative frames,
// name a known parameter and carry a finite value.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/session/automation.h"
#include "tools/tool_error.h"

namespace {

[[noreturn]] void fail(const char* what, std::size_t entry) {
    std::fprintf(stderr, "automation reader broke a rule: %s (event %zu)\n", what, entry);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    static constexpr double kRates[] = {44100.0, 48000.0, 1.0, 1.0e7, 96000.0};
    const double rate = data.PickValueInArray(kRates);
    const std::string text = data.ConsumeRemainingBytesAsString();
    static const ParameterNames names(
        std::vector<std::string>{"Freq", "Res", "Smooth", "Type", "Cutoff", "Dry/Wet", "Level"});
    std::vector<AutomationEvent> events;
    try {
        events = parseAutomation(text, names, rate, "fuzz.json");
    } catch (const ToolError& error) {
        if (std::string(error.what()).empty()) fail("an error without a message", 0);
        return 0;
    }
    for (std::size_t i = 0; i < events.size(); ++i) {
        const AutomationEvent& event = events[i];
        if (event.frame < 0) fail("a negative frame", i);
        if (i > 0 && event.frame < events[i - 1].frame) fail("events out of order", i);
        if (event.setting.index < 0 || event.setting.index >= static_cast<std::int32_t>(names.size())) {
            fail("an unknown parameter index", i);
        }
        if (!std::isfinite(event.setting.value)) fail("a value that is not finite", i);
    }
    return 0;
}
