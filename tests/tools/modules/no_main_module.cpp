// SPDX-License-Identifier: MIT
// A shared object that exports a function, but not `main`.
#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

TEST_MODULE_EXPORT int notTheEntry() { return 0; }
