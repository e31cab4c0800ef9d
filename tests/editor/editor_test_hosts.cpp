// SPDX-License-Identifier: MIT
#include "tests/editor/editor_test_hosts.h"

#include <dlfcn.h>
#include <lv2/options/options.h>
#include <lv2/atom/atom.h>
#include <lv2/parameters/parameters.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <poll.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>

#include "core/parameter_units.h"
#include "formats/clap/host_value.h"
#include "formats/lv2/port_layout.h"
#include "interfaces/clap/clap_abi.h"
#include "tests/clap/clap_host.h"

namespace editor_testing {

bool pumpUntil(FormatHost& host, const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        host.pump();
    }
    return true;
}

namespace {

// ---- LV2: the UI module of the bundle, driven through its idle interface -----------------

class Lv2Host final : public FormatHost {
public:
    Lv2Host() {
        handle_ = dlopen(BRAMSOLIKET_LV2_UI_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        using Entry = const LV2UI_Descriptor* (*)(std::uint32_t);
        const auto entry = reinterpret_cast<Entry>(dlsym(handle_, "lv2ui_descriptor"));
        descriptor_ = entry != nullptr ? entry(0) : nullptr;
    }
    ~Lv2Host() override {
        close();
        if (handle_ != nullptr) dlclose(handle_);
    }
    const char* format() const override { return "LV2"; }

    bool open(Window parent, double scale) override {
        if (descriptor_ == nullptr) return false;
        scale_ = static_cast<float>(scale);
        options_[0] = {LV2_OPTIONS_INSTANCE, 0, map(LV2_UI__scaleFactor), sizeof(float), map(LV2_ATOM__Float), &scale_};
        options_[1] = {LV2_OPTIONS_INSTANCE, 0, map(LV2_PARAMETERS__sampleRate), sizeof(float), map(LV2_ATOM__Float),
                       &rate_};
        options_[2] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch_};
        const LV2_Feature mapFeature{LV2_URID__map, &map_};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, options_};
        const LV2_Feature* features[] = {&parentFeature, &touchFeature, &mapFeature, &optionsFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        ui_ = descriptor_->instantiate(descriptor_, "urn:bramsoliket:filter", BRAMSOLIKET_LV2_BUNDLE_PATH, write,
                                       this, &widget, features);
        if (ui_ == nullptr) return false;
        idle_ = static_cast<const LV2UI_Idle_Interface*>(descriptor_->extension_data(LV2_UI__idleInterface));
        // A host sends every control port's value after instantiating.
        for (const ParameterInfo& parameter : kParameterTable) hostSets(parameter.index, parameter.defaultValue);
        return idle_ != nullptr;
    }
    void close() override {
        if (ui_ != nullptr) descriptor_->cleanup(ui_);
        ui_ = nullptr;
    }
    void pump() override {
        if (ui_ == nullptr) return;
        idle_->idle(ui_);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a host's idle loop between turns
    }
    void hostSets(ParameterIndex index, float value) override {
        float number = parameter_units::shownNumber(index, value, rate_);
        if (std::isinf(number)) number = parameter_units::kLevelFloorDecibels;
        descriptor_->port_event(ui_, controlPortOf(index), sizeof number, 0, &number);
    }
    void meter(float peak) override { descriptor_->port_event(ui_, kPortPeak, sizeof peak, 0, &peak); }

private:
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer) {
        auto* self = static_cast<Lv2Host*>(controller);
        if (format != 0 || size != sizeof(float) || port >= kParameterCount) return;
        float number;
        std::memcpy(&number, buffer, sizeof number);
        const auto index = static_cast<ParameterIndex>(port);
        self->writes.push_back({HostWrite::Kind::Value, index,
                                parameter_units::valueForNumber(index, number, self->rate_).value_or(-1.0f)});
    }
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
        auto* self = static_cast<Lv2Host*>(handle);
        self->writes.push_back(
            {grabbed ? HostWrite::Kind::Begin : HostWrite::Kind::End, static_cast<ParameterIndex>(port)});
    }
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
        auto& uris = *static_cast<std::map<std::string, LV2_URID>*>(handle);
        return uris.emplace(uri, static_cast<LV2_URID>(uris.size() + 1)).first->second;
    }
    LV2_URID map(const char* uri) { return mapUri(&uris_, uri); }

    void* handle_ = nullptr;
    const LV2UI_Descriptor* descriptor_ = nullptr;
    LV2UI_Handle ui_ = nullptr;
    const LV2UI_Idle_Interface* idle_ = nullptr;
    std::map<std::string, LV2_URID> uris_;
    LV2_URID_Map map_{&uris_, mapUri};
    LV2UI_Touch touch_{this, touch};
    float scale_ = 1.0f;
    float rate_ = kTestSampleRate;
    LV2_Options_Option options_[3]{};
};

// ---- CLAP: the module's plug-in with clap.gui, on a host loop of fd and timer calls -------

class ClapHost final : public FormatHost {
public:
    ClapHost() : module_(BRAMSOLIKET_CLAP_MODULE_PATH) {
        host_ = {kClapVersionFollowed, this, "editor test host", "BRAMSOLIKET", "", "1",
                 getExtension, [](const clap_host*) {}, [](const clap_host*) {}, [](const clap_host*) {}};
        const clap_plugin_factory* factory = module_.factory();
        if (factory == nullptr) return;
        plugin_ = factory->create_plugin(factory, &host_, "bramsoliket.filter");
        if (plugin_ == nullptr || !plugin_->init(plugin_)) return;
        gui_ = static_cast<const clap_plugin_gui*>(plugin_->get_extension(plugin_, kClapExtGui));
        fdSupport_ = static_cast<const clap_plugin_posix_fd_support*>(
            plugin_->get_extension(plugin_, kClapExtPosixFdSupport));
        timerSupport_ =
            static_cast<const clap_plugin_timer_support*>(plugin_->get_extension(plugin_, kClapExtTimerSupport));
        params_ = static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, kClapExtParams));
    }
    ~ClapHost() override {
        close();
        if (plugin_ != nullptr) {
            if (processing_) plugin_->stop_processing(plugin_);
            if (active_) plugin_->deactivate(plugin_);
            plugin_->destroy(plugin_);
        }
    }
    const char* format() const override { return "CLAP"; }

    bool open(Window parent, double scale) override {
        if (gui_ == nullptr || !gui_->is_api_supported(plugin_, kClapWindowApiX11, false)) return false;
        settle();
        if (!gui_->create(plugin_, kClapWindowApiX11, false)) return false;
        created_ = true;
        clap_window window{};
        window.api = kClapWindowApiX11;
        window.x11 = parent;
        return gui_->set_scale(plugin_, scale) && gui_->set_parent(plugin_, &window) && gui_->show(plugin_);
    }
    void close() override {
        if (created_) gui_->destroy(plugin_);
        created_ = false;
    }
    bool holdsHostResources() const override { return fd_ >= 0 || timer_ != kClapInvalidId; }
    void parentResized(int width, int height) override {
        auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
        if (gui_->adjust_size(plugin_, &w, &h)) gui_->set_size(plugin_, w, h);
    }
    void pump() override {
        if (fd_ >= 0) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 2) > 0) fdSupport_->on_fd(plugin_, fd_, kClapPosixFdRead);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const auto now = std::chrono::steady_clock::now();
        if (timer_ != kClapInvalidId && now - lastTimer_ >= std::chrono::milliseconds(period_)) {
            lastTimer_ = now;
            timerSupport_->on_timer(plugin_, timer_);
        }
        if (flushRequested_) {
            flushRequested_ = false;
            flush(clap_testing::EventList{});
        }
    }
    void hostSets(ParameterIndex index, float value) override {
        clap_testing::EventList events;
        events.add(0, static_cast<clap_id>(index), hostValueOf(static_cast<clap_id>(index), value));
        flush(events);
    }
    void meter(float peak) override {
        // A block of the peak at "Thru", where the filtered signal is the input.
        clap_testing::EventList events;
        events.add(0, kParameterType, hostValueOf(kParameterType, parameter_units::valueOfSetting(kParameterType, 4)));
        process(events, peak);
    }

private:
    void flush(const clap_testing::EventList& events) { params_->flush(plugin_, events.list(), &output_); }
    // The window shows the settings the processor runs, which a fresh one reaches by a glide:
    // a block without glides brings them to the values' own, as an LV2 UI without the
    // instance shows them.
    void settle() {
        const float smoothing = kParameterTable[kParameterSmoothing].defaultValue;
        clap_testing::EventList noGlide;
        noGlide.add(0, kParameterSmoothing, 0.0);
        process(noGlide, 0.0f);
        clap_testing::EventList glide;
        glide.add(0, kParameterSmoothing, hostValueOf(kParameterSmoothing, smoothing));
        process(glide, 0.0f);
        plugin_->stop_processing(plugin_);
        plugin_->deactivate(plugin_);
        active_ = processing_ = false;
    }
    void process(const clap_testing::EventList& events, float level) {
        if (!active_) active_ = plugin_->activate(plugin_, kTestSampleRate, 1, 4096);
        if (active_ && !processing_) processing_ = plugin_->start_processing(plugin_);
        std::vector<float> input(4096, level), left(4096), right(4096);
        float* inputs[] = {input.data()};
        float* outputs[] = {left.data(), right.data()};
        clap_audio_buffer in{inputs, nullptr, 1, 0, 0};
        clap_audio_buffer out{outputs, nullptr, 2, 0, 0};
        clap_process block{-1, 4096, nullptr, &in, &out, 1, 1, events.list(), &output_};
        plugin_->process(plugin_, &block);
    }

    static ClapHost* of(const clap_host* host) { return static_cast<ClapHost*>(host->host_data); }
    static bool pushed(const clap_output_events* list, const clap_event_header* event) {
        auto* self = static_cast<ClapHost*>(list->ctx);
        if (event->space_id != kClapCoreEventSpace) return true;
        if (event->type == kClapEventParamValue) {
            const auto* value = reinterpret_cast<const clap_event_param_value*>(event);
            self->writes.push_back({HostWrite::Kind::Value, static_cast<ParameterIndex>(value->param_id),
                                    pluginValueOf(value->param_id, value->value).value_or(-1.0f)});
        } else if (event->type == kClapEventParamGestureBegin || event->type == kClapEventParamGestureEnd) {
            const auto* gesture = reinterpret_cast<const clap_event_param_gesture*>(event);
            self->writes.push_back({event->type == kClapEventParamGestureBegin ? HostWrite::Kind::Begin
                                                                                : HostWrite::Kind::End,
                                    static_cast<ParameterIndex>(gesture->param_id)});
        }
        return true;
    }
    static const void* getExtension(const clap_host*, const char* id) {
        static const clap_host_posix_fd_support fd{
            [](const clap_host* host, int fd, clap_posix_fd_flags) { return of(host)->fd_ = fd, true; },
            [](const clap_host*, int, clap_posix_fd_flags) { return true; },
            [](const clap_host* host, int fd) {
                ClapHost* self = of(host);
                if (fd != self->fd_) return false;
                self->fd_ = -1;
                return true;
            }};
        static const clap_host_timer_support timer{
            [](const clap_host* host, std::uint32_t period, clap_id* id) {
                ClapHost* self = of(host);
                self->period_ = period;
                *id = self->timer_ = 17;
                return true;
            },
            [](const clap_host* host, clap_id id) {
                ClapHost* self = of(host);
                if (id != self->timer_) return false;
                self->timer_ = kClapInvalidId;
                return true;
            }};
        static const clap_host_params params{[](const clap_host*, std::uint32_t) {},
                                             [](const clap_host*, clap_id, std::uint32_t) {},
                                             [](const clap_host* host) { of(host)->flushRequested_ = true; }};
        if (std::strcmp(id, kClapExtPosixFdSupport) == 0) return &fd;
        if (std::strcmp(id, kClapExtTimerSupport) == 0) return &timer;
        if (std::strcmp(id, kClapExtParams) == 0) return &params;
        return nullptr;
    }

    clap_testing::ClapModule module_;
    clap_host host_{};
    const clap_plugin* plugin_ = nullptr;
    const clap_plugin_gui* gui_ = nullptr;
    const clap_plugin_posix_fd_support* fdSupport_ = nullptr;
    const clap_plugin_timer_support* timerSupport_ = nullptr;
    const clap_plugin_params* params_ = nullptr;
    clap_output_events output_{this, pushed};
    bool created_ = false, active_ = false, processing_ = false, flushRequested_ = false;
    int fd_ = -1;
    clap_id timer_ = kClapInvalidId;
    std::uint32_t period_ = 33;
    std::chrono::steady_clock::time_point lastTimer_{};
};

}  // namespace

std::unique_ptr<FormatHost> makeLv2Host() {
    return std::make_unique<Lv2Host>();
}

std::unique_ptr<FormatHost> makeClapHost() {
    return std::make_unique<ClapHost>();
}

}  // namespace editor_testing
