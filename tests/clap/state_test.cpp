// SPDX-License-Identifier: MIT
// The state extension: a saved state restores every value bit for bit and the sound with
// them; a record of the first version, before the enumerations and the bypass, loads as
// the same settings; a truncated, oversized or garbled record, or a failing stream, is
// refused and changes nothing; a state loaded while the plug-in runs lands between two blocks.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "formats/clap/state_format.h"
#include "tests/clap/clap_host.h"

namespace {

using namespace clap_testing;

// Values off every default, one of them the smallest float, set through flush; "Type" and
// "Cutoff" by their settings (BandPass, 36 dB/Oct).
const double kSetting[7] = {0.31, 0.77, 0.004, 2.0, 2.0, 1e-45, 0.9};

EventList settingEvents(bool bypassed = false) {
    EventList events;
    for (clap_id id = 0; id < 7; ++id) events.add(0, id, kSetting[id]);
    events.add(0, 7, bypassed ? 1.0 : 0.0);
    return events;
}

std::vector<float> renderNoise(PluginInstance& instance, std::uint32_t frames, const EventList& events = {}) {
    std::vector<float> input(frames), left(frames), right(frames);
    for (std::uint32_t i = 0; i < frames; ++i) input[i] = (i * 7919 % 2000) / 1000.0f - 1.0f;
    instance.process(input.data(), left.data(), right.data(), frames, events);
    return left;
}

// A record of `version` holding `values` (their count as its count), with a checksum that
// matches it.
std::vector<std::uint8_t> record(std::uint16_t version, const std::vector<float>& values) {
    const auto count = static_cast<std::uint16_t>(values.size());
    std::vector<std::uint8_t> bytes = {'B', 'r', 'S', 'k', static_cast<std::uint8_t>(version),
                                       static_cast<std::uint8_t>(version >> 8), static_cast<std::uint8_t>(count),
                                       static_cast<std::uint8_t>(count >> 8)};
    for (const float value : values) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
        for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * b)));
    }
    const std::uint32_t crc = stateChecksum(bytes.data(), bytes.size());
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<std::uint8_t>(crc >> (8 * b)));
    return bytes;
}

// A record of the current version: the eight host values, one of them replaced.
std::vector<std::uint8_t> currentRecord(std::size_t at = 0, float value = 0.5f) {
    std::vector<float> values = {0.5f, 0.5f, 0.5f, 2.0f, 1.0f, 0.5f, 0.5f, 0.0f};
    values[at] = value;
    return record(2, values);
}

// A record of version 1: seven normalized values, the first as given.
std::vector<std::uint8_t> firstVersionRecord(float firstValue) {
    return record(1, {firstValue, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
}

TEST(ClapState, ChecksumIsZlibsCrc32) {
    const char check[] = "123456789";
    EXPECT_EQ(stateChecksum(reinterpret_cast<const std::uint8_t*>(check), 9), 0xCBF43926u);
}

TEST(ClapState, SavedStateRestoresValuesAndSound) {
    ClapModule firstModule(BRAMSOLIKET_CLAP_MODULE_PATH), secondModule(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance saved(firstModule, host), restored(secondModule, host);
    saved.flush(settingEvents());
    const std::vector<std::uint8_t> bytes = saved.save();
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(std::memcmp(bytes.data(), "BrSk\x02\x00\x08\x00", 8), 0);

    for (const std::size_t perRead : {std::size_t{1}, std::size_t{3}, std::size_t{44}}) {
        EXPECT_TRUE(restored.load(bytes, perRead)) << perRead;
    }
    EXPECT_EQ(host.valueRescans, 3);
    EXPECT_EQ(valuesOf(restored), valuesOf(saved));
    EXPECT_EQ(restored.value(5), 1e-45f);
    ASSERT_TRUE(saved.activate(44100.0));
    ASSERT_TRUE(restored.activate(44100.0));
    EXPECT_EQ(renderNoise(restored, 3000), renderNoise(saved, 3000));

    // The bypass is part of the state.
    saved.flush(settingEvents(true));
    ASSERT_TRUE(restored.load(saved.save()));
    EXPECT_EQ(restored.value(7), 1.0);
}

// What version 1 saved loads as the settings its values selected: "Type" and "Cutoff" as
// their settings, the bypass off; the sound is that of the same values set by events.
TEST(ClapState, FirstVersionRecordsLoadAsTheSameSettings) {
    ClapModule loadingModule(BRAMSOLIKET_CLAP_MODULE_PATH), eventModule(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance loading(loadingModule, host), byEvents(eventModule, host);
    const std::vector<float> normalized = {0.31f, 0.77f, 0.004f, 0.6f, 0.7f, 1e-45f, 0.9f};
    EventList setBypassed;
    setBypassed.add(0, 7, 1.0);
    loading.flush(setBypassed);
    ASSERT_TRUE(loading.load(record(1, normalized)));
    EXPECT_EQ(valuesOf(loading), (std::vector<double>{0.31f, 0.77f, 0.004f, 2.0, 2.0, 1e-45f, 0.9f, 0.0}));
    EXPECT_EQ(loading.text(3, loading.value(3)), "BandPass");
    EXPECT_EQ(loading.text(4, loading.value(4)), "36 dB/Oct");
    byEvents.flush(settingEvents());
    ASSERT_TRUE(loading.activate(44100.0));
    ASSERT_TRUE(byEvents.activate(44100.0));
    EXPECT_EQ(renderNoise(loading, 3000), renderNoise(byEvents, 3000));
    // Saved again, in the current version.
    EXPECT_EQ(std::memcmp(loading.save().data(), "BrSk\x02\x00\x08\x00", 8), 0);
}

TEST(ClapState, DamagedRecordsAndFailingStreamsChangeNothing) {
    ClapModule module(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance instance(module, host);
    instance.flush(settingEvents());
    const std::vector<std::uint8_t> good = instance.save();
    const std::vector<double> before = valuesOf(instance);

    std::vector<std::vector<std::uint8_t>> damaged;
    for (std::size_t length = 0; length < good.size(); ++length) damaged.emplace_back(good.begin(), good.begin() + length);
    damaged.push_back(good);
    damaged.back().push_back(0);
    damaged.push_back(good);
    damaged.back().resize(100000, 0x41);
    for (std::size_t bit = 0; bit < 8 * good.size(); ++bit) {
        damaged.push_back(good);
        damaged.back()[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    // Unknown versions, counts that are not their version's, values outside their ranges or
    // between steps.
    constexpr float kNaNValue = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInfinityValue = std::numeric_limits<float>::infinity();
    damaged.push_back(record(3, {0.5f, 0.5f, 0.5f, 2.0f, 1.0f, 0.5f, 0.5f, 0.0f}));
    damaged.push_back(record(2, {0.5f, 0.5f, 0.5f, 2.0f, 1.0f, 0.5f, 0.5f}));
    damaged.push_back(record(1, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f}));
    damaged.push_back(record(1, {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}));
    for (const float value : {kNaNValue, 1.5f, -0.25f, kInfinityValue}) damaged.push_back(firstVersionRecord(value));
    const std::vector<std::pair<std::size_t, float>> outOfRange = {
        {0, 1.5f}, {0, kNaNValue}, {1, -0.25f}, {3, 5.0f}, {3, 1.5f}, {4, 4.0f}, {4, -1.0f}, {7, 0.5f}, {7, 2.0f}};
    for (const auto& [at, value] : outOfRange) {
        damaged.push_back(currentRecord(at, value));
    }
    ASSERT_TRUE(instance.load(firstVersionRecord(0.25f))) << "the crafted records are otherwise valid";
    ASSERT_TRUE(instance.load(currentRecord(3, 4.0f)));
    ASSERT_TRUE(instance.load(good));

    const int rescans = host.valueRescans;
    for (const auto& bytes : damaged) {
        EXPECT_FALSE(instance.load(bytes)) << bytes.size() << " bytes";
        EXPECT_FALSE(instance.load(bytes, 5)) << bytes.size() << " bytes";
    }
    EXPECT_EQ(valuesOf(instance), before);
    EXPECT_EQ(host.valueRescans, rescans);

    // Streams that fail, claim more than asked, or are missing.
    const auto readResult = [](std::int64_t result) {
        return clap_istream{reinterpret_cast<void*>(static_cast<std::intptr_t>(result)),
                            [](const clap_istream* s, void*, std::uint64_t) {
                                return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(s->ctx));
                            }};
    };
    for (const std::int64_t result : {std::int64_t{-1}, std::int64_t{41}, std::int64_t{1} << 40}) {
        const clap_istream stream = readResult(result);
        EXPECT_FALSE(instance.state->load(instance.plugin, &stream)) << result;
    }
    const clap_istream noRead{nullptr, nullptr};
    EXPECT_FALSE(instance.state->load(instance.plugin, &noRead));
    EXPECT_FALSE(instance.state->load(instance.plugin, nullptr));
    EXPECT_EQ(valuesOf(instance), before);

    struct Sink {
        std::int64_t answer;
        std::vector<std::uint8_t> bytes;
    };
    const auto save = [&](Sink& sink) {
        const clap_ostream stream{&sink, [](const clap_ostream* s, const void* data, std::uint64_t size) {
                                      auto& to = *static_cast<Sink*>(s->ctx);
                                      const std::int64_t count = to.answer < 0 ? to.answer
                                                                               : std::min<std::int64_t>(to.answer, size);
                                      if (count > 0) to.bytes.insert(to.bytes.end(), static_cast<const std::uint8_t*>(data),
                                                                     static_cast<const std::uint8_t*>(data) + count);
                                      return count;
                                  }};
        return instance.state->save(instance.plugin, &stream);
    };
    Sink failing{-1, {}}, stalled{0, {}}, trickle{3, {}};
    EXPECT_FALSE(save(failing));
    EXPECT_FALSE(save(stalled));
    EXPECT_TRUE(save(trickle));
    EXPECT_EQ(trickle.bytes, good);
    EXPECT_FALSE(instance.state->save(instance.plugin, nullptr));
}

// Loaded while processing, a state is what the host reads at once and what the audio hears
// from the next block's first sample, exactly as if its values came as events there.
TEST(ClapState, LoadWhileActiveLandsAtTheNextBlock) {
    ClapModule loadingModule(BRAMSOLIKET_CLAP_MODULE_PATH), eventModule(BRAMSOLIKET_CLAP_MODULE_PATH);
    TestHost host;
    PluginInstance source(loadingModule, host);
    source.flush(settingEvents());
    const std::vector<std::uint8_t> bytes = source.save();
    const std::vector<double> loaded = valuesOf(source);

    PluginInstance loading(loadingModule, host), byEvents(eventModule, host);
    ASSERT_TRUE(loading.activate(48000.0));
    ASSERT_TRUE(byEvents.activate(48000.0));
    EXPECT_EQ(renderNoise(loading, 700), renderNoise(byEvents, 700));
    ASSERT_TRUE(loading.load(bytes));
    EXPECT_EQ(valuesOf(loading), loaded);
    EXPECT_EQ(loading.save(), bytes);
    EXPECT_EQ(renderNoise(loading, 5000), renderNoise(byEvents, 5000, settingEvents()));
    EXPECT_EQ(valuesOf(loading), loaded);

    // Loaded while active but never processed again: set by deactivation.
    ASSERT_TRUE(loading.load(firstVersionRecord(0.125f)));
    loading.deactivate();
    EXPECT_EQ(loading.value(0), 0.125);
    EXPECT_EQ(loading.value(1), 0.5);
}

}  // namespace
