// SPDX-License-Identifier: MIT
// The requests an effect sends to its host: the arguments the host sees, how the answers are
// used, and the defaults without a host callback.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/fake_host.h"
#include "support/test_effect.h"

namespace {

struct QueryCase {
    std::string name;
    std::function<std::intptr_t(EffectBase&)> ask;
    // What the host receives (the record is always the effect's own).
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    float opt;
    // The result for a host answering 0, 1, 2 and -1, and without a host.
    std::intptr_t onZero;
    std::intptr_t onOne;
    std::intptr_t onTwo;
    std::intptr_t onMinusOne;
    std::intptr_t withoutHost;
};

class HostQuery : public testing::TestWithParam<QueryCase> {};

TEST_P(HostQuery, SendsItsOpcodeAndShapesTheAnswer) {
    const QueryCase& q = GetParam();
    const std::intptr_t answers[] = {0, 1, 2, -1};
    const std::intptr_t expected[] = {q.onZero, q.onOne, q.onTwo, q.onMinusOne};
    for (int i = 0; i < 4; ++i) {
        FakeHost host;
        host.answer = answers[i];
        TestEffect effect(&FakeHost::callback);
        EXPECT_EQ(q.ask(effect), expected[i]) << "host answers " << answers[i];
        ASSERT_EQ(host.calls.size(), 1u);
        const HostCall& call = host.calls[0];
        EXPECT_EQ(call.record, effect.getRecord());
        EXPECT_EQ(call.opcode, q.opcode);
        EXPECT_EQ(call.index, q.index);
        EXPECT_EQ(call.value, q.value);
        EXPECT_EQ(call.ptr, nullptr);
        EXPECT_EQ(call.opt, q.opt);
    }
}

TEST_P(HostQuery, WithoutHostGivesTheDefault) {
    FakeHost host;  // installed but not given to the effect: it must not be called
    TestEffect effect(nullptr);
    EXPECT_EQ(GetParam().ask(effect), GetParam().withoutHost);
    EXPECT_TRUE(host.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Queries, HostQuery,
    testing::Values(
        QueryCase{"Version", [](EffectBase& e) { return e.hostVersion(); }, 1, 0, 0, 0.0f, 1, 1, 2, -1, 1},
        QueryCase{"CurrentId", [](EffectBase& e) { return e.hostCurrentId(); }, 2, 0, 0, 0.0f, 0, 1, 2, -1, 0},
        QueryCase{"Idle", [](EffectBase& e) { return e.hostIdle(); }, 3, 0, 0, 0.0f, 0, 1, 2, -1, 0},
        QueryCase{"InputConnected", [](EffectBase& e) -> std::intptr_t { return e.isInputConnected(0) != 0; }, 4,
                  0, 0, 0.0f, 1, 0, 0, 0, 1},
        QueryCase{"SecondInputConnected",
                  [](EffectBase& e) -> std::intptr_t { return e.isInputConnected(1) != 0; }, 4, 1, 0, 0.0f, 1, 0,
                  0, 0, 1},
        QueryCase{"OutputConnected", [](EffectBase& e) -> std::intptr_t { return e.isOutputConnected(1) != 0; },
                  4, 1, 1, 0.0f, 1, 0, 0, 0, 1},
        QueryCase{"ParameterAutomated", [](EffectBase& e) { return e.setParameterAutomated(3, 0.25f); }, 0, 3, 0,
                  0.25f, 0, 1, 2, -1, 0}),
    [](const testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

TEST(HostQuery, WideAnswersReachTheCallerWhole) {
    if constexpr (sizeof(std::intptr_t) < 8) {
        GTEST_SKIP() << "the host's answer is 32 bits wide here";
    } else {
        FakeHost host;
        host.answer = static_cast<std::intptr_t>(0x100000002LL);
        TestEffect effect(&FakeHost::callback);
        EXPECT_EQ(effect.hostVersion(), host.answer);
        EXPECT_EQ(effect.hostIdle(), host.answer);
        // Not zero as a whole: the pin is not connected.
        host.answer = static_cast<std::intptr_t>(0x100000000LL);
        EXPECT_EQ(effect.isInputConnected(0), 0);
    }
}

// setParameterAutomated sets the parameter through the effect's own operation first and
// only then tells the host.
TEST(HostQuery, ParameterAutomatedSetsBeforeTellingTheHost) {
    std::vector<std::string> events;
    FakeHost host;
    host.events = &events;
    host.answer = 5;
    RecordingEffect effect(events, nullptr, &FakeHost::callback);
    EXPECT_EQ(effect.setParameterAutomated(3, 0.25f), 5);
    EXPECT_EQ(events, (std::vector<std::string>{"setParameter(3,0.250000)", "host 0"}));

    events.clear();
    RecordingEffect hostless(events, nullptr, nullptr);
    EXPECT_EQ(hostless.setParameterAutomated(2, 0.5f), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"setParameter(2,0.500000)"}));
}

TEST(HostQuery, ConstructionDoesNotCallTheHost) {
    FakeHost host;
    TestEffect effect(&FakeHost::callback, 2, 7);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(effect.callbackGiven(), &FakeHost::callback);
}

}  // namespace
