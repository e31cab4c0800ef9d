// SPDX-License-Identifier: MIT
// Loads a plug-in module the way a host of the platform does and finds its entry `main`:
// LoadLibrary and GetProcAddress on Windows, dlopen and dlsym elsewhere.
#pragma once

#include <string>

#include "interfaces/vst/aeffect.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using ModuleEntry = AEffect*(BRAMSOLIKET_CALL*)(HostCallback hostCallback);

class ModuleLibrary {
public:
    explicit ModuleLibrary(const std::string& path) {
#ifdef _WIN32
        handle = LoadLibraryA(path.c_str());
#else
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~ModuleLibrary() {
        if (handle == nullptr) return;
#ifdef _WIN32
        FreeLibrary(handle);
#else
        dlclose(handle);
#endif
    }
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    bool loaded() const { return handle != nullptr; }

    ModuleEntry entry() const {
        if (handle == nullptr) return nullptr;
#ifdef _WIN32
        return reinterpret_cast<ModuleEntry>(reinterpret_cast<void*>(GetProcAddress(handle, "main")));
#else
        return reinterpret_cast<ModuleEntry>(dlsym(handle, "main"));
#endif
    }

#ifdef _WIN32
    HMODULE native() const { return handle; }

private:
    HMODULE handle = nullptr;
#else
private:
    void* handle = nullptr;
#endif
};
