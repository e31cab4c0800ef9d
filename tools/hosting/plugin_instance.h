// SPDX-License-Identifier: MIT
// One loaded plug-in as the tool's commands see it, whatever its format: what it is, its
// parameters and programs, the host protocol (activate with the rate and the largest block,
// process blocks with the parameter changes inside them, deactivate), its meter and its own
// text-to-value where the format has them. `info`, `render` and `response` use nothing else, so a new format needs only a new
// implementation of this class and a line in loadPlugin (plugin_loader.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// A fact only one format knows (a record's magic, a unique identifier), shown by `info`.
struct FormatFact {
    std::string key;    // its JSON key, e.g. "uniqueId"
    std::string label;  // its label in the text listing; empty: shown in JSON only
    std::string text;   // its value in the text listing
    nlohmann::ordered_json value;
};

struct PluginDescription {
    std::string name;
    std::string format;  // e.g. "VST 1.0"
    std::filesystem::path path;
    std::int32_t inputCount = 0;
    std::int32_t outputCount = 0;
    // Samples by which the output lags the input, as the plug-in reports it.
    std::int32_t latency = 0;
    // The plug-in's flags or properties by name, in the format's order.
    std::vector<std::string> properties;
    bool isInstrument = false;
    bool hasEditor = false;
    bool hasMeter = false;
    std::vector<FormatFact> formatFacts;
};

// A parameter change inside one block, `offset` frames from the block's start.
struct BlockParameterChange {
    std::int32_t offset;
    std::int32_t index;
    float value;
};

// The values a parameter takes, where the format says so.
struct ParameterRange {
    float minimum = 0.0f;
    float maximum = 1.0f;
    std::optional<float> defaultValue;
};

class PluginInstance {
public:
    virtual ~PluginInstance() = default;

    virtual const PluginDescription& description() const = 0;

    virtual std::int32_t parameterCount() const = 0;
    virtual std::string parameterName(std::int32_t index) = 0;
    // A second name the format gives a parameter (an LV2 port's symbol); empty where none.
    virtual std::string parameterSymbol(std::int32_t) { return {}; }
    // The unit shown after the display text ("Hz", "dB"); may be empty.
    virtual std::string parameterUnit(std::int32_t index) = 0;
    virtual float parameterValue(std::int32_t index) = 0;
    // The plug-in's own text for the parameter's current value.
    virtual std::string parameterDisplay(std::int32_t index) = 0;
    virtual ParameterRange parameterRange(std::int32_t index) = 0;
    virtual void setParameter(std::int32_t index, float value) = 0;
    // The value setParameter hands over for `value`: a format may keep a parameter to the
    // values it takes (an LV2 enumeration its scale points); others send it unchanged.
    virtual float valueAsSent(std::int32_t, float value) const { return value; }
    // The format's own conversion of a display text to a value, where it has one; nullopt
    // where it has none or the plug-in does not know the text (callers then search the
    // parameter's display texts, see parameter_settings.h).
    virtual bool hasTextToValue() const = 0;
    virtual std::optional<float> valueForText(std::int32_t index, const std::string& text) = 0;
    // The parameter's identifier in the format where it has one besides the index (CLAP's
    // param id); a number on the command line or in an automation file then names the id.
    virtual std::optional<std::uint32_t> parameterId(std::int32_t) { return std::nullopt; }
    // What only the format tells of a parameter (CLAP: id, module path, flags), for `info`.
    virtual std::vector<FormatFact> parameterFacts(std::int32_t) { return {}; }

    virtual std::int32_t programCount() const = 0;
    virtual std::int32_t currentProgram() = 0;
    virtual void selectProgram(std::int32_t program) = 0;
    // Every program's name; the current program is the same afterwards.
    virtual std::vector<std::string> programNames() = 0;

    // "Processing on" at this rate with blocks of at most this many frames. Texts read
    // afterwards are those at this rate, also once deactivated.
    virtual void activate(double sampleRate, std::int32_t maximumBlock) = 0;
    // "Processing off"; nothing happens when the plug-in is not active.
    virtual void deactivate() = 0;
    virtual bool active() const = 0;

    // One block, only while active: the outputs are overwritten with the result.
    virtual void process(float** inputs, float** outputs, std::int32_t frameCount) = 0;
    // The same, added to what the outputs hold, where the format has such a call.
    virtual bool canAccumulate() const = 0;
    virtual void processAccumulating(float** inputs, float** outputs, std::int32_t frameCount) = 0;
    // One block with the parameter changes that fall inside it, sorted by offset (their
    // given order kept within one offset), through process, or processAccumulating onto
    // outputs the caller has cleared. Returns how many process calls it made. This default
    // splits the block at the offsets and sets each change between the calls, so that it
    // lands on its sample; a format with sample-accurate events hands them to the plug-in
    // with the whole block instead.
    virtual std::int32_t processBlock(float** inputs, float** outputs, std::int32_t frameCount,
                                      const std::vector<BlockParameterChange>& changes, bool accumulate);

    // The level of the output since the last call (1 is full scale), where the plug-in has
    // a meter; nullopt otherwise.
    virtual std::optional<double> meter() = 0;
};
