// SPDX-License-Identifier: MIT
// Every dispatcher opcode, sent through the dispatch entry of a real record, reaches the
// right operation with the right arguments and gives the right result; the other entries
// forward to their operations; closing destroys the effect.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "support/test_effect.h"

namespace {

using Log = std::vector<std::string>;

constexpr bool kWide = sizeof(std::intptr_t) == 8;

// An address-width value that a 64-bit host may pass: 2^32 + low. On a 32-bit target it is
// just low, since the host cannot pass more.
std::intptr_t wideValue(std::intptr_t low) {
    if constexpr (kWide) {
        return (std::intptr_t{1} << 32) + low;
    }
    return low;
}

struct DispatchCase {
    std::string name;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    bool passBuffer;
    float opt;
    std::intptr_t result;
    Log calls;
};

class HostDispatch : public testing::TestWithParam<DispatchCase> {};

TEST_P(HostDispatch, ForwardsToTheOperationAndAnswers) {
    const DispatchCase& c = GetParam();
    Log log;
    char buffer[32] = {};
    auto* effect = new RecordingEffect(log, buffer);
    AEffect* record = effect->getRecord();
    const std::intptr_t result =
        record->dispatchEntry(record, c.opcode, c.index, c.value, c.passBuffer ? buffer : nullptr, c.opt);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(log, c.calls);
    record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
}

const char* kProgramsMinusOne = "setProgram(2)";  // RecordingEffect has 3 programs

INSTANTIATE_TEST_SUITE_P(
    Opcodes, HostDispatch,
    testing::Values(
        DispatchCase{"Open", 0, 5, 6, true, 7.0f, 0, {"open"}},
        DispatchCase{"SelectFirstProgram", 2, 9, 0, false, 1.0f, 0, {"setProgram(0)"}},
        DispatchCase{"SelectLastProgram", 2, 0, 2, false, 0.0f, 0, {kProgramsMinusOne}},
        DispatchCase{"SelectProgramCountIgnored", 2, 0, 3, false, 0.0f, 0, {}},
        DispatchCase{"SelectNegativeProgramIgnored", 2, 0, -1, false, 0.0f, 0, {}},
        DispatchCase{"SelectProgramBeyond32BitsIgnored", 2, 0, wideValue(1), false, 0.0f, 0,
                     kWide ? Log{} : Log{"setProgram(1)"}},
        DispatchCase{"CurrentProgram", 3, 4, 5, true, 6.0f, 0, {"getProgram"}},
        DispatchCase{"RenameProgram", 4, 1, 2, true, 3.0f, 0, {"setProgramName(buf)"}},
        DispatchCase{"ProgramName", 5, 1, 2, true, 3.0f, 0, {"getProgramName(buf)"}},
        DispatchCase{"ParameterLabel", 6, 3, 2, true, 1.0f, 0, {"getParameterLabel(3,buf)"}},
        DispatchCase{"ParameterDisplay", 7, 2, 9, true, 1.0f, 0, {"getParameterDisplay(2,buf)"}},
        DispatchCase{"ParameterName", 8, 1, 9, true, 1.0f, 0, {"getParameterName(1,buf)"}},
        DispatchCase{"ParameterIndexPassedUnchecked", 8, -7, 0, true, 0.0f, 0, {"getParameterName(-7,buf)"}},
        DispatchCase{"Meter", 9, 1, 2, true, 3.0f, 0, {"getMeter"}},
        DispatchCase{"SampleRateFromOpt", 10, 1, 22050, false, 48000.0f, 0, {"setSampleRate(48000.000000)"}},
        DispatchCase{"BlockSize", 11, 1, 512, false, 4096.0f, 0, {"setBlockSize(512)"}},
        DispatchCase{"BlockSizeBeyond32BitsSaturates", 11, 0, wideValue(512), false, 0.0f, 0,
                     {kWide ? "setBlockSize(2147483647)" : "setBlockSize(512)"}},
        DispatchCase{"Suspend", 12, 1, 0, false, 1.0f, 0, {"suspend"}},
        DispatchCase{"ResumeOne", 12, 0, 1, false, 0.0f, 0, {"resume"}},
        DispatchCase{"ResumeFive", 12, 0, 5, false, 0.0f, 0, {"resume"}},
        DispatchCase{"ResumeMinusOne", 12, 0, -1, false, 0.0f, 0, {"resume"}},
        DispatchCase{"ResumeHighBitsOnly", 12, 0, wideValue(0), false, 0.0f, 0,
                     {kWide ? "resume" : "suspend"}},
        DispatchCase{"EditorOpen13", 13, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"EditorClose14", 14, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"EditorRect15", 15, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Unhandled16", 16, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Unhandled17", 17, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Unhandled18", 18, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"EditorIdle19", 19, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Unhandled20", 20, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Unhandled21", 21, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Identify", 22, 0, 0, false, 0.0f, 1316373862, {}},
        DispatchCase{"IdentifyAnyArguments", 22, -4, 99, true, 3.5f, 0x4E764566, {}},
        DispatchCase{"Unhandled23", 23, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"Unhandled100", 100, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"NegativeOpcode", -1, 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"LowestOpcode", std::numeric_limits<std::int32_t>::min(), 1, 1, true, 1.0f, 0, {}},
        DispatchCase{"HighestOpcode", std::numeric_limits<std::int32_t>::max(), 1, 1, true, 1.0f, 0, {}}),
    [](const testing::TestParamInfo<DispatchCase>& info) { return info.param.name; });

TEST(HostDispatch, CurrentProgramAnswersWhatTheEffectReports) {
    Log log;
    auto* effect = new RecordingEffect(log, nullptr);
    effect->programAnswer = 2;
    AEffect* record = effect->getRecord();
    EXPECT_EQ(record->dispatchEntry(record, kEffectGetProgram, 0, 0, nullptr, 0.0f), 2);
    record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
}

// The meter is scaled by 32767 and truncated toward zero; beyond the 32-bit range it stays
// at the range's end, and NaN reads as 0.
struct MeterCase {
    float meter;
    std::intptr_t result;
};

class HostMeter : public testing::TestWithParam<MeterCase> {};

TEST_P(HostMeter, ScalesAndTruncates) {
    Log log;
    auto* effect = new RecordingEffect(log, nullptr);
    effect->meter = GetParam().meter;
    AEffect* record = effect->getRecord();
    EXPECT_EQ(record->dispatchEntry(record, kEffectGetMeter, 0, 0, nullptr, 0.0f), GetParam().result)
        << "meter " << GetParam().meter;
    record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
}

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::intptr_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::intptr_t kInt32Min = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Levels, HostMeter,
    testing::Values(MeterCase{1.0f, 32767}, MeterCase{0.5f, 16383}, MeterCase{-0.5f, -16383},
                    MeterCase{0.0f, 0}, MeterCase{-0.0f, 0}, MeterCase{0.99f, 32439},  // 32439.33
                    MeterCase{1.0e-5f, 0},                                             // 0.33
                    MeterCase{65538.0f, 2147483646},                                   // still fits
                    MeterCase{65539.0f, kInt32Max}, MeterCase{-65539.0f, kInt32Min},
                    MeterCase{1.0e30f, kInt32Max}, MeterCase{kInfinity, kInt32Max},
                    MeterCase{-kInfinity, kInt32Min},
                    MeterCase{std::numeric_limits<float>::quiet_NaN(), 0}));

// The base's own operations, reached through the dispatch entry.
class HostBaseDispatch : public testing::Test {
protected:
    std::intptr_t send(std::int32_t opcode, std::intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f,
                       std::int32_t index = 0) {
        return record->dispatchEntry(record, opcode, index, value, ptr, opt);
    }

    TestEffect effect;
    AEffect* record = effect.getRecord();
};

TEST_F(HostBaseDispatch, ProgramSelectionKeepsWithinTheProgramCount) {
    EXPECT_EQ(send(kEffectGetProgram), 0);
    EXPECT_EQ(send(kEffectSetProgram, TestEffect::kPrograms - 1), 0);
    EXPECT_EQ(send(kEffectGetProgram), TestEffect::kPrograms - 1);
    for (std::intptr_t outside : {std::intptr_t{TestEffect::kPrograms}, std::intptr_t{-1}, wideValue(0)}) {
        if (outside == 0) {
            continue;  // a 32-bit target cannot pass 2^32
        }
        EXPECT_EQ(send(kEffectSetProgram, outside), 0);
        EXPECT_EQ(send(kEffectGetProgram), TestEffect::kPrograms - 1) << "value " << outside;
    }
    EXPECT_EQ(send(kEffectSetProgram, 0), 0);
    EXPECT_EQ(send(kEffectGetProgram), 0);
}

TEST_F(HostBaseDispatch, SampleRateAndBlockSizeAreStored) {
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(send(kEffectSetSampleRate, 96000, nullptr, 48000.0f), 0);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(send(kEffectSetBlockSize, 512, nullptr, 256.0f), 0);
    EXPECT_EQ(effect.getBlockSize(), 512);
}

TEST_F(HostBaseDispatch, TextRequestsWriteOnlyATerminator) {
    for (std::int32_t opcode : {kEffectSetProgramName, kEffectGetProgramName, kEffectGetParameterLabel,
                                kEffectGetParameterDisplay, kEffectGetParameterName}) {
        char buffer[kProgramNameBufferSize];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(send(opcode, 0, buffer, 0.0f, 1), 0);
        EXPECT_EQ(buffer[0], '\0') << "opcode " << opcode;
        for (std::size_t i = 1; i < sizeof buffer; ++i) {
            EXPECT_EQ(buffer[i], 'x') << "opcode " << opcode << " byte " << i;
        }
        // A host that passes no buffer gets nothing written and no crash.
        EXPECT_EQ(send(opcode, 0, nullptr, 0.0f, 1), 0);
    }
}

TEST_F(HostBaseDispatch, OtherOperationsAnswerTheirDefaults) {
    EXPECT_EQ(send(kEffectOpen), 0);
    EXPECT_EQ(send(kEffectGetMeter), 0);
    EXPECT_EQ(send(kEffectProcessingSwitch, 0), 0);
    EXPECT_EQ(send(kEffectProcessingSwitch, 1), 0);
    EXPECT_EQ(record->getParameterEntry(record, 0), 0.0f);
    record->setParameterEntry(record, 0, 0.75f);
    EXPECT_EQ(record->getParameterEntry(record, 0), 0.0f);
}

// The other four entries.
TEST(HostEntries, ForwardArgumentsAndResults) {
    Log log;
    auto* effect = new RecordingEffect(log, nullptr);
    effect->parameterAnswer = 0.625f;
    AEffect* record = effect->getRecord();
    float left[4] = {};
    float* channels[1] = {left};

    record->setParameterEntry(record, 3, 0.25f);
    EXPECT_EQ(record->getParameterEntry(record, 6), 0.625f);
    record->processEntry(record, channels, channels, 4);
    record->processReplacingEntry(record, channels, channels, 0);
    EXPECT_EQ(log, (Log{"setParameter(3,0.250000)", "getParameter(6)", "process(4)", "processReplacing(0)"}));
    record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f);
}

TEST(HostEntries, ProcessEntriesPassTheHostsBuffers) {
    TestEffect effect;
    AEffect* record = effect.getRecord();
    float in0[3] = {1.0f, 2.0f, 3.0f};
    float in1[3] = {0.5f, 0.25f, 0.125f};
    float out[3] = {};
    float* inputs[2] = {in0, in1};
    float* outputs[1] = {out};
    record->processEntry(record, inputs, outputs, 3);
    record->processReplacingEntry(record, inputs, outputs, 2);
    ASSERT_EQ(effect.processCalls.size(), 2u);
    EXPECT_FALSE(effect.processCalls[0].replacing);
    EXPECT_TRUE(effect.processCalls[1].replacing);
    for (const TestEffect::ProcessCall& call : effect.processCalls) {
        EXPECT_EQ(call.inputs, inputs);
        EXPECT_EQ(call.outputs, outputs);
    }
    EXPECT_EQ(effect.processCalls[0].frameCount, 3);
    EXPECT_EQ(effect.processCalls[1].frameCount, 2);
}

// Closing: dispatch(1) with the arguments as received, then destruction, then 1.
class HostClose : public testing::TestWithParam<DispatchCase> {};

TEST_P(HostClose, ClosesThenDestroysAndAnswersOne) {
    const DispatchCase& c = GetParam();
    Log log;
    char buffer[4] = {};
    auto* effect = new RecordingEffect(log, buffer);
    AEffect* record = effect->getRecord();
    EXPECT_EQ(record->dispatchEntry(record, kEffectClose, c.index, c.value, c.passBuffer ? buffer : nullptr, c.opt),
              1);
    EXPECT_EQ(log, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, HostClose,
    testing::Values(DispatchCase{"Zeros", 1, 0, 0, false, 0.0f, 1, {"dispatch(1,0,0,other,0.000000)", "close", "destroyed"}},
                    DispatchCase{"Any", 1, -3, 77, true, 2.5f, 1, {"dispatch(1,-3,77,buf,2.500000)", "close", "destroyed"}}),
    [](const testing::TestParamInfo<DispatchCase>& info) { return info.param.name; });

TEST(HostClose, DestroysTheBaseOnlyEffectToo) {
    bool destroyed = false;
    auto* effect = new TestEffect;
    effect->destroyed = &destroyed;
    AEffect* record = effect->getRecord();
    EXPECT_EQ(record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(destroyed);
}

TEST(HostClose, OpenLeavesTheEffectUsable) {
    TestEffect effect;
    AEffect* record = effect.getRecord();
    EXPECT_EQ(record->dispatchEntry(record, kEffectOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(record->dispatchEntry(record, kEffectIdentify, 0, 0, nullptr, 0.0f), fourCharacters("NvEf"));
}

}  // namespace
