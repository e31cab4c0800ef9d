// SPDX-License-Identifier: MIT
// Loads a private copy of the built module, as a host loads a plug-in: dlopen, dlsym("main").
// Each copy is a separate load with its own module-wide state (the glide step counters start
// at zero), so tests that depend on that state do not depend on each other.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "interfaces/vst/aeffect.h"

namespace testing_support {

using ModuleMain = AEffect* (*)(HostCallback);

class ModuleCopy {
public:
    explicit ModuleCopy(const std::string& source = BRAMSOLIKET_MODULE_PATH) {
        static std::atomic<int> serial{0};
        path = std::filesystem::temp_directory_path() /
               ("bramsoliket-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".so");
        std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) throw std::runtime_error(::dlerror());
        entry = reinterpret_cast<ModuleMain>(::dlsym(handle, "main"));
        if (entry == nullptr) throw std::runtime_error("module has no main");
    }
    ~ModuleCopy() {
        ::dlclose(handle);
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    ModuleCopy(const ModuleCopy&) = delete;
    ModuleCopy& operator=(const ModuleCopy&) = delete;

    AEffect* create(HostCallback callback) const { return entry(callback); }
    static void close(AEffect* record) { record->dispatchEntry(record, 1, 0, 0, nullptr, 0.0f); }

private:
    std::filesystem::path path;
    void* handle = nullptr;
    ModuleMain entry = nullptr;
};

}  // namespace testing_support
