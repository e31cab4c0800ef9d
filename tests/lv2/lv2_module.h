// SPDX-License-Identifier: MIT
// The built LV2 module as a host loads it: a private copy opened with dlopen, its
// lv2_descriptor, and instances driven only through the descriptor's entries with port
// buffers the test owns. Each copy is a separate load with its own module-wide state (the
// glide step counters start at zero), so tests do not depend on each other.
#pragma once

#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "formats/lv2/port_layout.h"

namespace lv2_testing {

class Lv2ModuleCopy {
public:
    explicit Lv2ModuleCopy(const std::string& source = BRAMSOLIKET_LV2_MODULE_PATH) {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("bramsoliket-lv2-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".so");
        std::filesystem::copy_file(source, path_, std::filesystem::copy_options::overwrite_existing);
        handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) throw std::runtime_error(::dlerror());
        const auto entry = reinterpret_cast<LV2_Descriptor_Function>(::dlsym(handle_, "lv2_descriptor"));
        if (entry == nullptr) throw std::runtime_error("the module has no lv2_descriptor");
        descriptor_ = entry(0);
        if (descriptor_ == nullptr) throw std::runtime_error("the module has no descriptor 0");
    }
    ~Lv2ModuleCopy() {
        ::dlclose(handle_);
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    Lv2ModuleCopy(const Lv2ModuleCopy&) = delete;
    Lv2ModuleCopy& operator=(const Lv2ModuleCopy&) = delete;

    const LV2_Descriptor& descriptor() const { return *descriptor_; }

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    const LV2_Descriptor* descriptor_ = nullptr;
};

// One instance with the control and peak buffers a host would own. Nothing is connected
// until the test says so, as a host may activate first and connect later.
class Lv2Instance {
public:
    Lv2Instance(const LV2_Descriptor& descriptor, double sampleRate) : descriptor_(descriptor) {
        handle_ = descriptor_.instantiate(&descriptor_, sampleRate, "", features_);
        if (handle_ == nullptr) throw std::runtime_error("instantiate gave no instance");
    }
    ~Lv2Instance() { descriptor_.cleanup(handle_); }
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    void connect(std::uint32_t port, void* data) { descriptor_.connect_port(handle_, port, data); }
    void connectControlsAndPeak() {
        for (std::uint32_t i = 0; i < controls.size(); ++i) connect(kPortFirstControl + i, &controls[i]);
        connect(kPortPeak, &peak);
        connect(kPortEnabled, &enabled);
    }
    void connectAudio(const float* input, float* left, float* right) {
        connect(kPortInput, const_cast<float*>(input));
        connect(kPortLeft, left);
        connect(kPortRight, right);
    }
    void activate() { descriptor_.activate(handle_); }
    void deactivate() { descriptor_.deactivate(handle_); }
    void run(std::uint32_t frames) { descriptor_.run(handle_, frames); }

    std::array<float, kParameterCount> controls{};
    float peak = 0.0f;
    float enabled = 1.0f;  // lv2:enabled: 1 filters, 0 bypasses

private:
    const LV2_Descriptor& descriptor_;
    const LV2_Feature* const features_[1] = {nullptr};
    LV2_Handle handle_ = nullptr;
};

}  // namespace lv2_testing
