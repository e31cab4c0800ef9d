// SPDX-License-Identifier: MIT
// A host callback that records every call and answers with a chosen value. The callback is a
// plain function, so it reaches the fake through a pointer that one FakeHost at a time holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/vst/aeffect.h"

struct HostCall {
    AEffect* record;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    void* ptr;
    float opt;
};

class FakeHost {
public:
    // Installs this fake as the one the callback reaches; the destructor removes it.
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static std::intptr_t BRAMSOLIKET_CALL callback(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                   std::intptr_t value, void* ptr, float opt);

    std::vector<HostCall> calls;
    std::intptr_t answer = 1;
    // When set, each call also appends "host <opcode>" here, to order it among other events.
    std::vector<std::string>* events = nullptr;

private:
    static FakeHost* installed;
};
