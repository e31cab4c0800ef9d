// SPDX-License-Identifier: MIT
#include "support/fake_host.h"

#include <cstdlib>

FakeHost* FakeHost::installed = nullptr;

FakeHost::FakeHost() {
    installed = this;
}

FakeHost::~FakeHost() {
    installed = nullptr;
}

std::intptr_t BRAMSOLIKET_CALL FakeHost::callback(AEffect* record, std::int32_t opcode, std::int32_t index,
                                                  std::intptr_t value, void* ptr, float opt) {
    if (installed == nullptr) {
        std::abort();  // a call after the test's host went away
    }
    installed->calls.push_back(HostCall{record, opcode, index, value, ptr, opt});
    if (installed->events != nullptr) {
        installed->events->push_back("host " + std::to_string(opcode));
    }
    return installed->answer;
}
