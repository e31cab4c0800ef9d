// SPDX-License-Identifier: MIT
#include "tests/clap/clap_host.h"

#include <atomic>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#endif

namespace clap_testing {
namespace {

thread_local int threadMarker;  // its address tells threads apart
thread_local int audioCallDepth = 0;

const void* currentThread() {
    return &threadMarker;
}

}  // namespace

ClapModule::ClapModule(const std::string& path) {
#ifdef _WIN32
    loadedPath_ = path;
    HMODULE library = LoadLibraryA(path.c_str());
    handle_ = library;
    if (library == nullptr) return;
    const auto address = reinterpret_cast<void*>(GetProcAddress(library, "clap_entry"));
#else
    static std::atomic<int> serial{0};
    loadedPath_ = (std::filesystem::temp_directory_path() /
                   ("bramsoliket-clap-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".clap"))
                      .string();
    std::filesystem::copy_file(path, loadedPath_, std::filesystem::copy_options::overwrite_existing);
    handle_ = ::dlopen(loadedPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return;
    void* address = ::dlsym(handle_, "clap_entry");
#endif
    const auto* entry = static_cast<const clap_plugin_entry*>(address);
    if (entry != nullptr && entry->init != nullptr && entry->init(loadedPath_.c_str())) entry_ = entry;
}

ClapModule::~ClapModule() {
    if (entry_ != nullptr) entry_->deinit();
#ifdef _WIN32
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
#else
    if (handle_ != nullptr) ::dlclose(handle_);
    std::error_code ignored;
    std::filesystem::remove(loadedPath_, ignored);
#endif
}

const clap_plugin_factory* ClapModule::factory() const {
    if (entry_ == nullptr) return nullptr;
    return static_cast<const clap_plugin_factory*>(entry_->get_factory(kClapPluginFactoryId));
}

TestHost::AudioCall::AudioCall() {
    ++audioCallDepth;
}

TestHost::AudioCall::~AudioCall() {
    --audioCallDepth;
}

TestHost::TestHost(HostOffer offer) : offer_(offer), mainThread_(currentThread()) {
    threadCheck_.is_main_thread = [](const clap_host* host) {
        const auto* self = static_cast<const TestHost*>(host->host_data);
        return currentThread() == self->mainThread_ && audioCallDepth == 0;
    };
    threadCheck_.is_audio_thread = [](const clap_host*) { return audioCallDepth > 0; };
    params_.rescan = [](const clap_host* host, std::uint32_t flags) {
        if ((flags & kClapParamRescanValues) != 0) ++static_cast<TestHost*>(host->host_data)->valueRescans;
    };
    params_.clear = [](const clap_host*, clap_id, std::uint32_t) {};
    params_.request_flush = [](const clap_host*) {};
    log_.log = [](const clap_host* host, clap_log_severity, const char* message) {
        static_cast<TestHost*>(host->host_data)->logged.emplace_back(message);
    };
    host_ = clap_host{kClapVersionFollowed, this, "BRAMSOLIKET test host", "BRAMSOLIKET", "", "1.0", nullptr,
                      [](const clap_host*) {}, [](const clap_host*) {}, [](const clap_host*) {}};
    if (offer.getExtension) {
        host_.get_extension = [](const clap_host* host, const char* id) -> const void* {
            auto* self = static_cast<TestHost*>(host->host_data);
            self->askedExtensions.emplace_back(id == nullptr ? "(null)" : id);
            if (id == nullptr) return nullptr;
            if (self->offer_.threadCheck && std::strcmp(id, kClapExtThreadCheck) == 0) return &self->threadCheck_;
            if (self->offer_.params && std::strcmp(id, kClapExtParams) == 0) return &self->params_;
            if (self->offer_.log && std::strcmp(id, kClapExtLog) == 0) return &self->log_;
            return nullptr;
        };
    }
}

EventList::EventList() {
    list_.ctx = this;
    list_.size = [](const clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const EventList*>(list->ctx)->events_.size());
    };
    list_.get = [](const clap_input_events* list, std::uint32_t index) -> const clap_event_header* {
        const auto& events = static_cast<const EventList*>(list->ctx)->events_;
        if (index >= events.size()) return nullptr;
        return reinterpret_cast<const clap_event_header*>(events[index].data());
    };
}

EventList::EventList(const EventList& other) : EventList() {
    events_ = other.events_;
}

void EventList::add(std::uint32_t time, clap_id id, double value) {
    clap_event_param_value event{};
    event.header = {sizeof event, time, kClapCoreEventSpace, kClapEventParamValue, 0};
    event.param_id = id;
    event.note_id = event.port_index = event.channel = event.key = -1;
    event.value = value;
    addBytes(&event, sizeof event);
}

void EventList::addBytes(const void* event, std::size_t size) {
    std::vector<std::uint64_t> copy((size + 7) / 8);
    std::memcpy(copy.data(), event, size);
    events_.push_back(std::move(copy));
}

PluginInstance::PluginInstance(const ClapModule& module, TestHost& host, const char* id) {
    const clap_plugin_factory* factory = module.factory();
    if (factory == nullptr) return;
    const clap_plugin* created = factory->create_plugin(factory, host.host(), id);
    if (created == nullptr) return;
    if (!created->init(created)) {
        created->destroy(created);
        return;
    }
    plugin = created;
    ports = static_cast<const clap_plugin_audio_ports*>(plugin->get_extension(plugin, kClapExtAudioPorts));
    params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, kClapExtParams));
    state = static_cast<const clap_plugin_state*>(plugin->get_extension(plugin, kClapExtState));
    latency = static_cast<const clap_plugin_latency*>(plugin->get_extension(plugin, kClapExtLatency));
}

PluginInstance::~PluginInstance() {
    if (plugin == nullptr) return;
    if (active_) deactivate();
    plugin->destroy(plugin);
}

bool PluginInstance::activate(double sampleRate, std::uint32_t maxFrames) {
    if (!plugin->activate(plugin, sampleRate, 1, maxFrames)) return false;
    TestHost::AudioCall audio;
    active_ = plugin->start_processing(plugin);
    return active_;
}

void PluginInstance::deactivate() {
    {
        TestHost::AudioCall audio;
        plugin->stop_processing(plugin);
    }
    plugin->deactivate(plugin);
    active_ = false;
}

void PluginInstance::reset() {
    TestHost::AudioCall audio;
    plugin->reset(plugin);
}

clap_process_status PluginInstance::process(const float* input, float* left, float* right, std::uint32_t frames,
                                            const EventList& events) {
    float* inputs[1] = {const_cast<float*>(input)};
    float* outputs[2] = {left, right};
    const clap_audio_buffer inputBuffer{inputs, nullptr, 1, 0, 0};
    clap_audio_buffer outputBuffer{outputs, nullptr, 2, 0, 0};
    const clap_process block{-1, frames, nullptr, &inputBuffer, &outputBuffer, 1, 1, events.list(), nullptr};
    TestHost::AudioCall audio;
    return plugin->process(plugin, &block);
}

void PluginInstance::flush(const EventList& events) {
    if (active_) {
        TestHost::AudioCall audio;
        params->flush(plugin, events.list(), nullptr);
    } else {
        params->flush(plugin, events.list(), nullptr);
    }
}

double PluginInstance::value(clap_id id) const {
    double value = -1.0;
    return params->get_value(plugin, id, &value) ? value : -1.0;
}

std::string PluginInstance::text(clap_id id, double value) const {
    char buffer[kClapNameSize];
    return params->value_to_text(plugin, id, value, buffer, sizeof buffer) ? std::string(buffer) : "<refused>";
}

std::optional<double> PluginInstance::valueOf(clap_id id, const std::string& text) const {
    double value = -1.0;
    if (!params->text_to_value(plugin, id, text.c_str(), &value)) return std::nullopt;
    return value;
}

std::vector<std::uint8_t> PluginInstance::save() const {
    std::vector<std::uint8_t> bytes;
    const clap_ostream stream{&bytes, [](const clap_ostream* s, const void* data, std::uint64_t size) -> std::int64_t {
                                  auto* target = static_cast<std::vector<std::uint8_t>*>(s->ctx);
                                  const auto* begin = static_cast<const std::uint8_t*>(data);
                                  target->insert(target->end(), begin, begin + size);
                                  return static_cast<std::int64_t>(size);
                              }};
    if (!state->save(plugin, &stream)) bytes.clear();
    return bytes;
}

bool PluginInstance::load(const std::vector<std::uint8_t>& bytes, std::size_t perRead) const {
    struct Source {
        const std::vector<std::uint8_t>& bytes;
        std::size_t perRead;
        std::size_t position = 0;
    } source{bytes, perRead};
    const clap_istream stream{&source, [](const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t {
                                  auto& from = *static_cast<Source*>(s->ctx);
                                  std::size_t count = from.bytes.size() - from.position;
                                  if (count > size) count = static_cast<std::size_t>(size);
                                  if (count > from.perRead) count = from.perRead;
                                  if (count > 0) std::memcpy(buffer, from.bytes.data() + from.position, count);
                                  from.position += count;
                                  return static_cast<std::int64_t>(count);
                              }};
    return state->load(plugin, &stream);
}

std::vector<double> valuesOf(const PluginInstance& instance) {
    std::vector<double> values;
    const std::uint32_t count = instance.params->count(instance.plugin);
    for (clap_id id = 0; id < count; ++id) values.push_back(instance.value(id));
    return values;
}

}  // namespace clap_testing
