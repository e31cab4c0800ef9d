// SPDX-License-Identifier: MIT
// What the exported `main` does, tried with a test effect: the version query, no effect when
// the host answers 0 or memory runs out, and the record of a new effect otherwise.
#include <gtest/gtest.h>

#include <new>

#include "formats/vst/plugin_main.h"
#include "support/fake_host.h"
#include "support/test_effect.h"

namespace {

int factoryCalls = 0;

EffectBase* createTestEffect(HostCallback hostCallback) {
    ++factoryCalls;
    return new (std::nothrow) TestEffect(hostCallback, 2, 7);
}

EffectBase* createNothing(HostCallback) {
    ++factoryCalls;
    return nullptr;  // what new (std::nothrow) gives when memory is exhausted
}

EffectBase* createThrowing(HostCallback) {
    ++factoryCalls;
    throw std::bad_alloc();
}

EffectBase* createThrowingOther(HostCallback) {
    ++factoryCalls;
    throw 42;
}

class HostPluginMain : public testing::Test {
protected:
    void SetUp() override { factoryCalls = 0; }

    void expectOnlyTheVersionQuery() {
        ASSERT_EQ(host.calls.size(), 1u);
        const HostCall& call = host.calls[0];
        EXPECT_EQ(call.record, nullptr);
        EXPECT_EQ(call.opcode, 1);
        EXPECT_EQ(call.index, 0);
        EXPECT_EQ(call.value, 0);
        EXPECT_EQ(call.ptr, nullptr);
        EXPECT_EQ(call.opt, 0.0f);
    }

    FakeHost host;
};

TEST_F(HostPluginMain, HostAnsweringZeroGetsNothing) {
    host.answer = 0;
    EXPECT_EQ(createEffectForHost(&FakeHost::callback, &createTestEffect), nullptr);
    expectOnlyTheVersionQuery();
    EXPECT_EQ(factoryCalls, 0);
}

TEST_F(HostPluginMain, AnyOtherAnswerCreatesTheEffect) {
    for (std::intptr_t answer : {1, 2, -1, 2400}) {
        host.calls.clear();
        host.answer = answer;
        AEffect* record = createEffectForHost(&FakeHost::callback, &createTestEffect);
        ASSERT_NE(record, nullptr) << "answer " << answer;
        expectOnlyTheVersionQuery();
        EXPECT_EQ(record->magic, fourCharacters("VstP"));
        EXPECT_EQ(record->programCount, 2);
        EXPECT_EQ(record->parameterCount, 7);
        auto* effect = static_cast<TestEffect*>(EffectBase::fromRecord(record));
        EXPECT_EQ(effect->getRecord(), record);
        EXPECT_EQ(effect->callbackGiven(), &FakeHost::callback);
        EXPECT_EQ(record->dispatchEntry(record, kEffectClose, 0, 0, nullptr, 0.0f), 1);
    }
}

TEST_F(HostPluginMain, TwoCallsGiveTwoEffects) {
    AEffect* first = createEffectForHost(&FakeHost::callback, &createTestEffect);
    AEffect* second = createEffectForHost(&FakeHost::callback, &createTestEffect);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->object, second->object);
    first->dispatchEntry(first, kEffectClose, 0, 0, nullptr, 0.0f);
    second->dispatchEntry(second, kEffectClose, 0, 0, nullptr, 0.0f);
}

TEST_F(HostPluginMain, NoCallbackGetsNothing) {
    EXPECT_EQ(createEffectForHost(nullptr, &createTestEffect), nullptr);
    EXPECT_EQ(factoryCalls, 0);
}

class HostPluginMainFailure : public HostPluginMain, public testing::WithParamInterface<EffectFactory> {};

TEST_P(HostPluginMainFailure, FailedCreationGivesNull) {
    EXPECT_EQ(createEffectForHost(&FakeHost::callback, GetParam()), nullptr);
    EXPECT_EQ(factoryCalls, 1);
    expectOnlyTheVersionQuery();
}

INSTANTIATE_TEST_SUITE_P(Factories, HostPluginMainFailure,
                         testing::Values(&createNothing, &createThrowing, &createThrowingOther));

}  // namespace
