// SPDX-License-Identifier: MIT
// The exported entry of the test modules. Its name is "main", which C++ reserves for the
// program's entry, so the symbol name is given to the assembler directly.
#pragma once

#include "interfaces/vst/aeffect.h"

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

TEST_MODULE_EXPORT AEffect* testModuleMain(HostCallback host) __asm__("main");
