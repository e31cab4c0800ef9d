// SPDX-License-Identifier: MIT
// A small CLAP host for tests, on Linux and Windows: loads a .clap as hosts do (dlopen or
// LoadLibrary, the symbol clap_entry, init with the module's path, the plug-in factory),
// offers the host extensions a test asks for, and drives one plug-in only through its
// record and extension tables, calling each function on the thread CLAP assigns it.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/clap/clap_abi.h"

namespace clap_testing {

class ClapModule {
public:
    // Loads the module at `path`. On Linux the file is copied first, so each load has its
    // own module-wide state (the glide step counters start at zero).
    explicit ClapModule(const std::string& path);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    // Null when the module did not load, lacks clap_entry, or its init refused.
    const clap_plugin_entry* entry() const { return entry_; }
    const clap_plugin_factory* factory() const;

private:
    std::string loadedPath_;
    void* handle_ = nullptr;
    const clap_plugin_entry* entry_ = nullptr;
};

struct HostOffer {
    bool getExtension = true;  // false: the host's get_extension is null
    bool threadCheck = true;
    bool params = true;
    bool log = true;
};

class TestHost {
public:
    explicit TestHost(HostOffer offer = {});
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;
    const clap_host* host() const { return &host_; }

    // thread-check: the thread that made the host is the main thread, and a thread is the
    // audio thread while it is inside AudioCall.
    struct AudioCall {
        AudioCall();
        ~AudioCall();
    };

    std::vector<std::string> askedExtensions;
    std::vector<std::string> logged;
    int valueRescans = 0;

private:
    HostOffer offer_;
    clap_host host_;
    clap_host_thread_check threadCheck_;
    clap_host_params params_;
    clap_host_log log_;
    const void* mainThread_;
};

// Parameter-value events (and whatever else a test puts in) as a host's input list.
class EventList {
public:
    void add(std::uint32_t time, clap_id id, double value);
    void addBytes(const void* event, std::size_t size);
    const clap_input_events* list() const { return &list_; }
    bool empty() const { return events_.empty(); }
    void clear() { events_.clear(); }

    EventList();
    EventList(const EventList& other);
    EventList& operator=(const EventList&) = delete;

private:
    std::vector<std::vector<std::uint64_t>> events_;  // 8-byte aligned copies
    clap_input_events list_;
};

class PluginInstance {
public:
    // Creates and initialises the plug-in `id` of the module's factory for `host`.
    PluginInstance(const ClapModule& module, TestHost& host, const char* id = "bramsoliket.filter");
    // Stops, deactivates and destroys it.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    const clap_plugin* plugin = nullptr;  // null when creation or init failed
    const clap_plugin_audio_ports* ports = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_latency* latency = nullptr;

    // activate, then start_processing on the audio thread.
    bool activate(double sampleRate, std::uint32_t maxFrames = 8192);
    // stop_processing on the audio thread, then deactivate.
    void deactivate();
    bool active() const { return active_; }
    void reset();
    // One block through a mono input and a stereo output buffer.
    clap_process_status process(const float* input, float* left, float* right, std::uint32_t frames,
                                const EventList& events = {});
    // One block through a stereo input and a stereo output buffer.
    clap_process_status processStereo(const float* inputLeft, const float* inputRight, float* left, float* right,
                                      std::uint32_t frames, const EventList& events = {});
    // On the audio thread while active, on the main thread otherwise.
    void flush(const EventList& events);

    double value(clap_id id) const;
    std::string text(clap_id id, double value) const;  // "<refused>" when value_to_text fails
    std::optional<double> valueOf(clap_id id, const std::string& text) const;
    std::vector<std::uint8_t> save() const;
    // Loads `bytes`, handed over in reads of at most `perRead` bytes.
    bool load(const std::vector<std::uint8_t>& bytes,
              std::size_t perRead = std::numeric_limits<std::size_t>::max()) const;

private:
    bool active_ = false;
};

// Each index's value as a host would read them.
std::vector<double> valuesOf(const PluginInstance& instance);

}  // namespace clap_testing
