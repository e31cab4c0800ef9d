// SPDX-License-Identifier: MIT
// The loader's notification on attach and detach. The module keeps no per-process or
// per-thread state, so there is nothing to prepare or release: every reason succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
