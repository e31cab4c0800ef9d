// SPDX-License-Identifier: MIT
// The process entries run the effect in round-to-nearest without flush-to-zero or
// denormals-are-zero, whatever mode the host's audio thread uses, and give the host its
// own mode back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/float_environment.h"
#include "support/float_mode.h"
#include "support/test_effect.h"

#if defined(BRAMSOLIKET_TEST_MXCSR)
namespace {

struct CallerMode {
    std::string name;
    unsigned int mxcsr;
};

struct EntryCase {
    CallerMode caller;
    bool replacing;
    std::int32_t frameCount;
};

class HostFloatEnvironment : public testing::TestWithParam<EntryCase> {};

TEST_P(HostFloatEnvironment, EffectSeesItsModeAndHostGetsItsOwnBack) {
    const EntryCase& c = GetParam();
    TestEffect effect;
    AEffect* record = effect.getRecord();
    // Subnormal inputs and a sum that is a tie: flush-to-zero, denormals-are-zero or a
    // directed rounding would each change the result.
    float first[2] = {0x1p-140f, 1.0f};
    float second[2] = {0x1p-140f, 0x1p-24f};
    float out[2] = {-1.0f, -1.0f};
    float* inputs[2] = {first, second};
    float* outputs[1] = {out};

    const unsigned int testMode = float_mode::read();
    float_mode::write(c.caller.mxcsr);
    if (c.replacing) {
        record->processReplacingEntry(record, inputs, outputs, c.frameCount);
    } else {
        record->processEntry(record, inputs, outputs, c.frameCount);
    }
    const unsigned int afterCall = float_mode::read();
    float_mode::write(testMode);

    EXPECT_EQ(afterCall, c.caller.mxcsr);
    ASSERT_EQ(effect.processCalls.size(), 1u);
    EXPECT_EQ(effect.processCalls[0].floatMode, float_mode::kDefault);
    if (c.frameCount > 0) {
        EXPECT_EQ(out[0], 0x1p-139f);
        EXPECT_EQ(out[1], 1.0f);
    }
}

const CallerMode kCallerModes[] = {
    {"Default", float_mode::kDefault},
    {"FlushToZero", float_mode::kDefault | float_mode::kFlushToZero},
    {"DenormalsAreZero", float_mode::kDefault | float_mode::kDenormalsAreZero},
    {"FlushAndDenormalsAreZero", float_mode::kDefault | float_mode::kFlushToZero | float_mode::kDenormalsAreZero},
    {"RoundDown", float_mode::kDefault | float_mode::kRoundDown},
    {"RoundUp", float_mode::kDefault | float_mode::kRoundUp | float_mode::kFlushToZero},
    {"RoundTowardZero", float_mode::kDefault | float_mode::kRoundTowardZero | float_mode::kDenormalsAreZero},
    {"PendingPrecisionFlag", float_mode::kDefault | float_mode::kPrecisionFlag},
    {"InvalidUnmasked", float_mode::kDefault & ~float_mode::kInvalidMask},
};

std::vector<EntryCase> allCases() {
    std::vector<EntryCase> cases;
    for (const CallerMode& mode : kCallerModes) {
        for (bool replacing : {false, true}) {
            for (std::int32_t frames : {0, 2}) {
                cases.push_back(EntryCase{mode, replacing, frames});
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(CallerModes, HostFloatEnvironment, testing::ValuesIn(allCases()),
                         [](const testing::TestParamInfo<EntryCase>& info) {
                             return info.param.caller.name + (info.param.replacing ? "Replacing" : "Accumulating") +
                                    std::to_string(info.param.frameCount) + "Frames";
                         });

TEST(HostFloatEnvironmentGuard, NestedGuardsRestoreInOrder) {
    const unsigned int testMode = float_mode::read();
    const unsigned int caller = float_mode::kDefault | float_mode::kFlushToZero | float_mode::kRoundUp;
    float_mode::write(caller);
    unsigned int inner = 0;
    unsigned int betweenGuards = 0;
    {
        FloatEnvironmentGuard outer;
        {
            FloatEnvironmentGuard nested;
            inner = float_mode::read();
        }
        betweenGuards = float_mode::read();
    }
    const unsigned int after = float_mode::read();
    float_mode::write(testMode);
    EXPECT_EQ(inner, float_mode::kDefault);
    EXPECT_EQ(betweenGuards, float_mode::kDefault);
    EXPECT_EQ(after, caller);
}

#if defined(BRAMSOLIKET_TEST_X87)
TEST(HostFloatEnvironmentGuard, X87UnitGetsFullPrecisionAndNearestRounding) {
    TestEffect effect;
    AEffect* record = effect.getRecord();
    const unsigned short testControl = float_mode::readX87();
    float_mode::writeX87(float_mode::kX87SinglePrecisionTowardZero);
    record->processEntry(record, nullptr, nullptr, 0);
    const unsigned short after = float_mode::readX87();
    float_mode::writeX87(testControl);
    EXPECT_EQ(after, float_mode::kX87SinglePrecisionTowardZero);
    ASSERT_EQ(effect.processCalls.size(), 1u);
    EXPECT_EQ(effect.processCalls[0].x87Control, float_mode::kX87Default);
}
#endif

}  // namespace
#endif
