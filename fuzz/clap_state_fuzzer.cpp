// SPDX-License-Identifier: MIT
// The CLAP plug-in's state loader with any bytes, handed over by a host stream that moves
// any number of bytes per read and may fail part-way, into a plug-in that is active or not.
// Input: byte 0 sets the largest read (1 to 64 bytes), byte 1 the plug-in's activity (bit 0)
// and a read error after (byte 1 >> 2) bytes (bit 1); the rest is the stream.
// Checked besides the sanitizers:
// - a refused load changes no value the host reads, and what the plug-in then saves is what
//   it saved before;
// - an accepted load came from a whole record without a read error: 44 bytes beginning
//   "BrSk", version 2, eight values, each of which the host then reads bit for bit, within
//   the parameter's range, and saving gives back the very bytes loaded; or 40 bytes of
//   version 1 with seven values within 0 to 1, which the host reads as their settings
//   ("Type" and "Cutoff") or themselves, the bypass off.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/clap/filter_plugin.h"
#include "formats/clap/host_value.h"
#include "formats/clap/plugin_descriptor.h"

namespace {

[[noreturn]] void fail(const char* rule) {
    std::fprintf(stderr, "state loader rule broken: %s\n", rule);
    std::abort();
}

struct Stream {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t position;
    std::size_t largestRead;
    bool failing;
    std::size_t failAt;
};

std::int64_t readStream(const clap_istream* stream, void* buffer, std::uint64_t size) {
    Stream& from = *static_cast<Stream*>(stream->ctx);
    if (from.failing && from.position >= from.failAt) return -1;
    std::size_t count = from.size - from.position;
    if (count > size) count = static_cast<std::size_t>(size);
    if (count > from.largestRead) count = from.largestRead;
    if (count > 0) std::memcpy(buffer, from.bytes + from.position, count);
    from.position += count;
    return static_cast<std::int64_t>(count);
}

std::vector<std::uint8_t> saved(FilterPlugin& plugin) {
    std::vector<std::uint8_t> bytes;
    const clap_ostream stream{&bytes, [](const clap_ostream* s, const void* data, std::uint64_t size) -> std::int64_t {
                                  auto& to = *static_cast<std::vector<std::uint8_t>*>(s->ctx);
                                  to.insert(to.end(), static_cast<const std::uint8_t*>(data),
                                            static_cast<const std::uint8_t*>(data) + size);
                                  return static_cast<std::int64_t>(size);
                              }};
    if (!plugin.saveState(&stream)) fail("saving into a working stream failed");
    return bytes;
}

std::vector<std::uint32_t> valueBits(const FilterPlugin& plugin) {
    std::vector<std::uint32_t> bits;
    for (clap_id id = 0; id < kClapParameterCount; ++id) {
        double value = -1.0;
        if (!plugin.parameterValue(id, &value)) fail("a parameter has no value");
        bits.push_back(std::bit_cast<std::uint32_t>(static_cast<float>(value)));
    }
    return bits;
}

const clap_host kHostWithoutExtensions = {kClapVersionFollowed, nullptr, "fuzz", "", "", "1", nullptr,
                                          nullptr, nullptr, nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t largestRead = 1 + data[0] % 64;
    const bool active = (data[1] & 1) != 0;
    Stream stream{data + 2, size - 2, 0, largestRead, (data[1] & 2) != 0, static_cast<std::size_t>(data[1] >> 2)};

    const clap_plugin* record = createFilterPlugin(&kHostWithoutExtensions, kFilterPluginId);
    if (record == nullptr || !record->init(record)) fail("no plug-in");
    FilterPlugin& plugin = *FilterPlugin::fromRecord(record);
    if (active && !plugin.activate(48000.0, 1, 64)) fail("activation failed");

    const std::vector<std::uint8_t> before = saved(plugin);
    const std::vector<std::uint32_t> valuesBefore = valueBits(plugin);
    const clap_istream input{&stream, readStream};
    const bool loaded = plugin.loadState(&input);

    if (!loaded) {
        if (valueBits(plugin) != valuesBefore) fail("a refused load changed a value");
        if (saved(plugin) != before) fail("a refused load changed the saved state");
    } else {
        if (stream.failing && stream.failAt <= stream.size) fail("accepted a stream that failed");
        const auto recorded = [&](std::size_t index) {
            std::uint32_t bits = 0;
            for (int b = 3; b >= 0; --b) bits = (bits << 8) | stream.bytes[8 + 4 * index + static_cast<std::size_t>(b)];
            return bits;
        };
        const std::vector<std::uint32_t> bits = valueBits(plugin);
        if (stream.size == 44 && std::memcmp(stream.bytes, "BrSk\x02\x00\x08\x00", 8) == 0) {
            for (clap_id id = 0; id < kClapParameterCount; ++id) {
                if (bits[id] != recorded(id)) fail("a loaded value differs from the record");
                clap_param_info info;
                plugin.parameterInfo(id, &info);
                const float value = std::bit_cast<float>(recorded(id));
                if (!(value >= info.min_value && value <= info.max_value)) fail("accepted a value outside its range");
            }
            if (saved(plugin) != std::vector<std::uint8_t>(stream.bytes, stream.bytes + 44)) {
                fail("saving does not give back the loaded record");
            }
        } else if (stream.size == 40 && std::memcmp(stream.bytes, "BrSk\x01\x00\x07\x00", 8) == 0) {
            for (clap_id id = 0; id < kParameterCount; ++id) {
                const float normalized = std::bit_cast<float>(recorded(id));
                if (!(normalized >= 0.0f && normalized <= 1.0f)) fail("accepted a value outside 0 to 1");
                const auto read = static_cast<float>(hostValueOf(id, normalized));
                if (bits[id] != std::bit_cast<std::uint32_t>(read)) fail("a loaded value is not the record's");
            }
            if (bits[kBypassParameterId] != 0) fail("a first-version record left the bypass on");
        } else {
            fail("accepted a stream that is no record of a known version");
        }
    }
    if (active) plugin.deactivate();
    record->destroy(record);
    return 0;
}
