// SPDX-License-Identifier: MIT
// A hostile host: the fuzz input is a script of calls through the records of up to four live
// effects, made with the same entry logic and factory as the module's exported `main`.
// Every opcode, index, value and opt is reachable; text requests get guarded buffers; names of
// any length are handed to the rename request; both process entries run with any frame count
// (bounded, so that one input stays fast) and any samples.
//
// Checked after every call, beyond what the sanitizers catch:
// - the record is exactly as `main` returned it (every field is final once it is handed out);
// - a text request writes nothing past its size (9 bytes, 24 for the program name) and
//   terminates what it writes; a request that is not a text request writes nothing at all;
// - getParameter gives back, bit for bit, the last value stored for that parameter in the
//   current program, and 0 for unknown indices; opcode 3 reports the program selected last;
// - a short program name comes back as given, a long one as at most 23 characters;
// - both output channels are identical, bit for bit (see processBlock for NaNs);
// - outputs are finite where the input sample is finite, provided the parameter values in
//   force lie within the host's normalized range [0, 1] and the input within +-1e6. That
//   restriction is not a weakness of the check: parameters outside [0, 1] are passed through
//   unclamped where the rules say so ("Level" 1e38 is a gain of 2e38, which a "Thru" stage
//   applies without a limiter), so a huge finite level times a large finite input may
//   legitimately overflow to infinity.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "formats/vst/filter_effect.h"
#include "interfaces/vst/aeffect.h"
#include "formats/vst/plugin_main.h"

namespace {

constexpr int kMaxInstances = 4;
constexpr int kMaxActions = 200;
constexpr std::int32_t kMaxFrames = 8192;
// Frames processed per fuzz input, all calls together, so that every input stays fast.
constexpr std::int64_t kFrameBudget = 40000;
constexpr int kParameters = 7;
constexpr int kPrograms = 2;
constexpr std::size_t kTextSize = 9;
constexpr std::size_t kProgramNameSize = 24;
constexpr std::size_t kGuardedBufferSize = 64;
constexpr char kGuardByte = '\x5a';
constexpr float kLargestTameInput = 1.0e6f;

#define FUZZ_CHECK(condition, ...)                                          \
    do {                                                                    \
        if (!(condition)) {                                                 \
            std::fprintf(stderr, "invariant broken: %s\n  ", #condition);  \
            std::fprintf(stderr, __VA_ARGS__);                              \
            std::fprintf(stderr, "\n");                                     \
            std::abort();                                                   \
        }                                                                   \
    } while (0)

std::intptr_t versionAnswer = 1;

std::intptr_t BRAMSOLIKET_CALL fuzzHost(AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
    return opcode == 1 ? versionAnswer : 0;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool tameParameter(float v) { return v >= 0.0f && v <= 1.0f; }

// What the harness knows of one live effect: the record as handed out and the parameter
// values stored in each program.
struct Instance {
    AEffect* record;
    AEffect snapshot;
    std::int32_t program = 0;
    std::array<std::array<float, kParameters>, kPrograms> stored{};
    std::array<std::string, kPrograms> names{"Init", "Init"};

    bool tame() const {
        for (float v : stored[static_cast<std::size_t>(program)]) {
            if (!tameParameter(v)) return false;
        }
        return true;
    }
};

constexpr std::array<float, kParameters> kDefaultProgram = {0.5f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.5f};

void checkRecord(const Instance& instance) {
    FUZZ_CHECK(std::memcmp(instance.record, &instance.snapshot, sizeof(AEffect)) == 0,
               "the record changed after main returned");
}

float anyFloat(FuzzedDataProvider& data) {
    static constexpr float kSpecial[] = {
        0.0f, -0.0f, 1.0f, 0.5f, -1.0f, 1.0000001f, 0.99999994f, 0.125f, 0.875f, 1.0f / 6.0f,
        std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
        std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(), 1.0e30f, -1.0e30f,
        2147483648.0f, -2147483904.0f, 536870912.0f, 44100.0f, 1.0e-45f};
    switch (data.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return data.ConsumeProbability<float>();
    case 1:
        return data.PickValueInArray(kSpecial);
    default: {
        const std::uint32_t bits = data.ConsumeIntegral<std::uint32_t>();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

std::int32_t anyIndex(FuzzedDataProvider& data) {
    if (data.ConsumeBool()) return data.ConsumeIntegralInRange<std::int32_t>(-2, kParameters + 1);
    return data.ConsumeIntegral<std::int32_t>();
}

// A guarded text buffer: filled with a marker that must survive past `allowed` bytes.
struct TextBuffer {
    std::array<char, kGuardedBufferSize> bytes;
    TextBuffer() { bytes.fill(kGuardByte); }
    bool untouchedFrom(std::size_t first) const {
        for (std::size_t i = first; i < bytes.size(); ++i) {
            if (bytes[i] != kGuardByte) return false;
        }
        return true;
    }
    bool written() const { return !untouchedFrom(0); }
    bool terminatedWithin(std::size_t size) const { return std::memchr(bytes.data(), 0, size) != nullptr; }
};

// Runs a text request and checks the buffer; returns the text, or "" when nothing was written.
std::string textRequest(Instance& instance, std::int32_t opcode, std::int32_t index, std::intptr_t value,
                        float opt) {
    const std::size_t allowed = opcode == 5 ? kProgramNameSize : kTextSize;
    TextBuffer buffer;
    const std::intptr_t result =
        instance.record->dispatchEntry(instance.record, opcode, index, value, buffer.bytes.data(), opt);
    FUZZ_CHECK(result == 0, "opcode %d returned %lld", opcode, static_cast<long long>(result));
    FUZZ_CHECK(buffer.untouchedFrom(allowed), "opcode %d index %d wrote past %zu bytes", opcode, index, allowed);
    if (!buffer.written()) {
        // Only requests for unknown parameters may leave the buffer alone.
        FUZZ_CHECK(opcode != 5 && (index < 0 || index >= kParameters), "opcode %d index %d wrote nothing", opcode,
                   index);
        return "";
    }
    FUZZ_CHECK(buffer.terminatedWithin(allowed), "opcode %d index %d left its text unterminated", opcode, index);
    FUZZ_CHECK(opcode == 5 || (index >= 0 && index < kParameters), "opcode %d wrote for unknown index %d", opcode,
               index);
    return std::string(buffer.bytes.data());
}

void checkProgramName(Instance& instance) {
    const std::string shown = textRequest(instance, 5, 0, 0, 0.0f);
    const std::string& given = instance.names[static_cast<std::size_t>(instance.program)];
    if (given.size() < kProgramNameSize) {
        FUZZ_CHECK(shown == given, "program name \"%s\" came back as \"%s\"", given.c_str(), shown.c_str());
    } else {
        FUZZ_CHECK(shown.size() <= kProgramNameSize - 1, "program name of %zu characters", shown.size());
    }
}

void rename(Instance& instance, FuzzedDataProvider& data) {
    // Any length, any bytes; the host's text ends at its first zero byte. The copy on the
    // heap is exactly as long as the text, so reading past its end is caught.
    const std::string raw = data.ConsumeRandomLengthString(200);
    const std::string name(raw.c_str());
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    const std::intptr_t result = instance.record->dispatchEntry(instance.record, 4, data.ConsumeIntegral<std::int32_t>(),
                                                                data.ConsumeIntegral<std::intptr_t>(), text.data(),
                                                                anyFloat(data));
    FUZZ_CHECK(result == 0, "rename returned %lld", static_cast<long long>(result));
    FUZZ_CHECK(std::string(text.data()) == name, "rename changed the host's text");
    instance.names[static_cast<std::size_t>(instance.program)] = name;
    checkProgramName(instance);
}

void setParameter(Instance& instance, std::int32_t index, float value) {
    instance.record->setParameterEntry(instance.record, index, value);
    if (index >= 0 && index < kParameters) {
        instance.stored[static_cast<std::size_t>(instance.program)][static_cast<std::size_t>(index)] = value;
    }
}

void getParameter(Instance& instance, std::int32_t index) {
    const float value = instance.record->getParameterEntry(instance.record, index);
    const float expected = index >= 0 && index < kParameters
                               ? instance.stored[static_cast<std::size_t>(instance.program)][static_cast<std::size_t>(index)]
                               : 0.0f;
    FUZZ_CHECK(sameBits(value, expected), "getParameter(%d) gave %a, expected %a", index, static_cast<double>(value),
               static_cast<double>(expected));
}

void readAllTexts(Instance& instance) {
    for (std::int32_t index = -1; index <= kParameters; ++index) {
        for (std::int32_t opcode : {6, 7, 8}) {
            const std::string text = textRequest(instance, opcode, index, 0, 0.0f);
            if (index >= 0 && index < kParameters) {
                FUZZ_CHECK(!text.empty(), "opcode %d index %d gave an empty text", opcode, index);
            }
        }
    }
    checkProgramName(instance);
}

// Any opcode, index, value and opt, with a guarded buffer or no buffer as ptr.
void dispatchAnything(Instance& instance, FuzzedDataProvider& data, std::vector<Instance>& live, std::size_t which) {
    std::int32_t opcode = data.ConsumeBool() ? data.ConsumeIntegralInRange<std::int32_t>(-2, 25)
                                             : data.ConsumeIntegral<std::int32_t>();
    const std::int32_t index = anyIndex(data);
    std::intptr_t value;
    if (data.ConsumeBool()) {
        value = data.ConsumeIntegralInRange<std::intptr_t>(-2, 3);
    } else {
        value = data.ConsumeIntegral<std::intptr_t>();
    }
    const float opt = anyFloat(data);

    if (opcode == 4) {
        rename(instance, data);
        return;
    }
    if (opcode >= 5 && opcode <= 8) {
        const std::string text = textRequest(instance, opcode, index, value, opt);
        if (opcode == 5) {
            const std::string& given = instance.names[static_cast<std::size_t>(instance.program)];
            if (given.size() < kProgramNameSize) FUZZ_CHECK(text == given, "program name differs");
        }
        return;
    }
    const bool withBuffer = data.ConsumeBool();
    TextBuffer buffer;
    const std::intptr_t result = instance.record->dispatchEntry(instance.record, opcode, index, value,
                                                                withBuffer ? buffer.bytes.data() : nullptr, opt);
    FUZZ_CHECK(!buffer.written(), "opcode %d wrote into the buffer it was given", opcode);
    if (opcode == 1) {
        FUZZ_CHECK(result == 1, "close returned %lld", static_cast<long long>(result));
        live.erase(live.begin() + static_cast<std::ptrdiff_t>(which));
        return;
    }
    switch (opcode) {
    case 2:
        if (value >= 0 && value < kPrograms) instance.program = static_cast<std::int32_t>(value);
        FUZZ_CHECK(result == 0, "program switch returned %lld", static_cast<long long>(result));
        break;
    case 3:
        FUZZ_CHECK(result == instance.program, "opcode 3 reported %lld, selected %d", static_cast<long long>(result),
                   instance.program);
        break;
    case 9:
        break;  // the meter: any value, but computed without undefined behaviour
    case 22:
        FUZZ_CHECK(result == fourCharacters("NvEf"), "identify returned %lld", static_cast<long long>(result));
        break;
    default:
        FUZZ_CHECK(result == 0, "opcode %d returned %lld", opcode, static_cast<long long>(result));
        break;
    }
    checkRecord(instance);
}

// Fills `samples` by one of several recipes: raw bits from the input, bounded noise of a
// chosen amplitude (denormal to huge), or a constant, with an occasional special value.
void fillSamples(std::vector<float>& samples, FuzzedDataProvider& data) {
    static constexpr float kAmplitudes[] = {1.0f, 0.5f, 1.0e-3f, 1.0e-38f, 1.0e-42f, 10.0f, 1.0e6f, 1.0e30f, 0.0f};
    const int recipe = data.ConsumeIntegralInRange<int>(0, 2);
    const float amplitude = data.PickValueInArray(kAmplitudes);
    std::uint32_t seed = data.ConsumeIntegral<std::uint32_t>() | 1u;
    for (float& sample : samples) {
        if (recipe == 0 && data.remaining_bytes() >= 4) {
            const std::uint32_t bits = data.ConsumeIntegral<std::uint32_t>();
            std::memcpy(&sample, &bits, sizeof sample);
        } else if (recipe == 2) {
            sample = amplitude;
        } else {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            sample = amplitude * static_cast<float>(static_cast<double>(seed) / 4294967296.0 * 2.0 - 1.0);
        }
    }
    if (!samples.empty() && data.ConsumeBool()) {
        const std::size_t at = data.ConsumeIntegralInRange<std::size_t>(0, samples.size() - 1);
        samples[at] = anyFloat(data);
    }
}

void processBlock(Instance& instance, FuzzedDataProvider& data, std::int64_t& frameBudget) {
    static constexpr std::int32_t kCounts[] = {0, 1, 2, 3, 31, 64, 511, 512, 4096, 8192, -1,
                                               std::numeric_limits<std::int32_t>::min()};
    std::int32_t frames = data.ConsumeBool() ? data.PickValueInArray(kCounts)
                                             : data.ConsumeIntegralInRange<std::int32_t>(0, kMaxFrames);
    if (frames > frameBudget) frames = static_cast<std::int32_t>(frameBudget);
    frameBudget -= frames > 0 ? frames : 0;
    const bool accumulate = data.ConsumeBool();
    const bool inPlace = data.ConsumeBool();  // the input is output channel 0

    // Exactly as many samples as the call may touch, so that any access beyond is caught.
    const std::size_t count = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    std::vector<float> input(count);
    fillSamples(input, data);
    std::vector<float> left(count), right(count);
    if (inPlace) {
        left = input;
        right = input;
    } else {
        const float prior = accumulate ? data.ConsumeFloatingPointInRange<float>(-1.0f, 1.0f) : 123.0f;
        std::fill(left.begin(), left.end(), prior);
        std::fill(right.begin(), right.end(), prior);
    }
    const std::vector<float> inputBefore = input;
    const std::vector<float> leftBefore = left;
    // A zero or negative count must not touch the buffers: give it one guarded sample each.
    float guard[3] = {-7.0f, -7.0f, -7.0f};
    float* in[1] = {count > 0 ? (inPlace ? left.data() : input.data()) : &guard[0]};
    float* out[2] = {count > 0 ? left.data() : &guard[1], count > 0 ? right.data() : &guard[2]};
    const bool tame = instance.tame();

    (accumulate ? instance.record->processEntry : instance.record->processReplacingEntry)(instance.record, in, out,
                                                                                          frames);
    checkRecord(instance);
    if (count == 0) {
        FUZZ_CHECK(guard[0] == -7.0f && guard[1] == -7.0f && guard[2] == -7.0f, "%d frames touched a buffer",
                   frames);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        // Bit for bit, except that two NaNs may differ in sign or payload: adding to an
        // output that already holds a NaN yields one of the two operands' NaNs, and which one
        // depends on the operand order the compiler chose for that channel's addition.
        const bool bothNaN = std::isnan(left[i]) && std::isnan(right[i]) && accumulate;
        FUZZ_CHECK(sameBits(left[i], right[i]) || bothNaN, "the two output channels differ at frame %zu of %d (%s%s): %a, %a",
                   i, frames, accumulate ? "process" : "processReplacing", inPlace ? ", in place" : "",
                   static_cast<double>(left[i]), static_cast<double>(right[i]));
    }
    if (!inPlace) {
        FUZZ_CHECK(std::memcmp(input.data(), inputBefore.data(), count * sizeof(float)) == 0, "the input was written");
    }
    if (!tame) return;
    for (std::size_t i = 0; i < count; ++i) {
        const float x = inputBefore[i];
        if (std::isfinite(x) && std::fabs(x) <= kLargestTameInput && std::isfinite(leftBefore[i])) {
            FUZZ_CHECK(std::isfinite(left[i]), "frame %zu of %d: input %a gave %a", i, frames, static_cast<double>(x),
                       static_cast<double>(left[i]));
        }
    }
}

bool create(std::vector<Instance>& live, FuzzedDataProvider& data) {
    if (live.size() >= kMaxInstances) return false;
    static constexpr std::intptr_t kAnswers[] = {1, 2400, 0, -1};
    versionAnswer = data.PickValueInArray(kAnswers);
    AEffect* record = createEffectForHost(&fuzzHost, &createFilterEffect);
    if (versionAnswer == 0) {
        FUZZ_CHECK(record == nullptr, "an effect was created for a host that answered 0");
        return false;
    }
    FUZZ_CHECK(record != nullptr, "no effect for a host that answered %lld", static_cast<long long>(versionAnswer));
    Instance instance{record, *record};
    instance.stored.fill(kDefaultProgram);
    FUZZ_CHECK(record->magic == fourCharacters("VstP") && record->object != nullptr &&
                   record->uniqueId == fourCharacters("BrSk") && record->programCount == 2 &&
                   record->parameterCount == 7 && record->flags == 28,
               "a fresh record is wrong");
    live.push_back(instance);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::vector<Instance> live;
    live.reserve(kMaxInstances);
    std::int64_t frameBudget = kFrameBudget;

    for (int action = 0; action < kMaxActions && data.remaining_bytes() > 0; ++action) {
        const int kind = data.ConsumeIntegralInRange<int>(0, 9);
        if (kind == 0 || live.empty()) {
            create(live, data);
            continue;
        }
        const std::size_t which = data.ConsumeIntegralInRange<std::size_t>(0, live.size() - 1);
        Instance& instance = live[which];
        switch (kind) {
        case 1:
            dispatchAnything(instance, data, live, which);
            break;
        case 2:
            setParameter(instance, anyIndex(data), anyFloat(data));
            checkRecord(instance);
            break;
        case 3:
            getParameter(instance, anyIndex(data));
            break;
        case 4:
        case 5:
            processBlock(instance, data, frameBudget);
            break;
        case 6: {
            const std::intptr_t program = data.ConsumeIntegralInRange<std::intptr_t>(-1, kPrograms);
            instance.record->dispatchEntry(instance.record, 2, 0, program, nullptr, 0.0f);
            if (program >= 0 && program < kPrograms) instance.program = static_cast<std::int32_t>(program);
            for (std::int32_t index = 0; index < kParameters; ++index) getParameter(instance, index);
            checkProgramName(instance);
            break;
        }
        case 7:
            rename(instance, data);
            break;
        case 8:
            instance.record->dispatchEntry(instance.record, 10, 0, 0, nullptr, anyFloat(data));
            readAllTexts(instance);
            instance.record->dispatchEntry(instance.record, 9, 0, 0, nullptr, 0.0f);
            break;
        case 9:
            instance.record->dispatchEntry(instance.record, 12, 0, data.ConsumeIntegralInRange<int>(0, 1), nullptr,
                                           0.0f);
            checkRecord(instance);
            break;
        }
    }
    for (Instance& instance : live) {
        FUZZ_CHECK(instance.record->dispatchEntry(instance.record, 1, 0, 0, nullptr, 0.0f) == 1, "close");
    }
    return 0;
}
