// SPDX-License-Identifier: MIT
#include "formats/clap/plugin_gui.h"

#include <cstring>
#include <limits>

namespace {

template <typename Extension>
const Extension* hostExtension(const clap_host* host, const char* id) {
    if (host == nullptr || host->get_extension == nullptr) return nullptr;
    return static_cast<const Extension*>(host->get_extension(host, id));
}

std::uint32_t clampedPixels(int pixels) {
    return pixels < 1 ? 1u : static_cast<std::uint32_t>(pixels);
}

int asPixels(std::uint32_t value) {
    return static_cast<int>(std::min<std::uint32_t>(value, static_cast<std::uint32_t>(std::numeric_limits<int>::max())));
}

}  // namespace

std::optional<PluginGui::HostExtensions> PluginGui::hostExtensions(const clap_host* host) {
    HostExtensions extensions{hostExtension<clap_host_posix_fd_support>(host, kClapExtPosixFdSupport),
                              hostExtension<clap_host_timer_support>(host, kClapExtTimerSupport),
                              hostExtension<clap_host_gui>(host, kClapExtGui),
                              hostExtension<clap_host_params>(host, kClapExtParams)};
    if (extensions.fd == nullptr || extensions.fd->register_fd == nullptr || extensions.fd->unregister_fd == nullptr ||
        extensions.timer == nullptr || extensions.timer->register_timer == nullptr ||
        extensions.timer->unregister_timer == nullptr) {
        return std::nullopt;
    }
    return extensions;
}

bool PluginGui::supports(const clap_host* host, const char* api, bool floating) {
    return api != nullptr && std::strcmp(api, kClapWindowApiX11) == 0 && !floating && hostExtensions(host).has_value();
}

std::unique_ptr<PluginGui> PluginGui::create(const clap_host* host, EditedPlugin& plugin) {
    const std::optional<HostExtensions> extensions = hostExtensions(host);
    if (!extensions) return nullptr;
    std::unique_ptr<PluginGui> gui(new PluginGui(host, *extensions, plugin));
    EditorOptions options;
    options.visible = false;  // until the host has embedded it and asks to show it
    options.sampleRate = plugin.editedSampleRate();
    gui->editor_ = Editor::open(*gui, options);
    if (gui->editor_ == nullptr) return nullptr;
    gui->fd_ = gui->editor_->fd();
    gui->fdRegistered_ = extensions->fd->register_fd(host, gui->fd_, kClapPosixFdRead | kClapPosixFdError);
    if (!gui->fdRegistered_ || !extensions->timer->register_timer(host, kTimerPeriodMilliseconds, &gui->timer_)) {
        return nullptr;  // the destructor unregisters what was registered
    }
    gui->update();
    return gui;
}

PluginGui::PluginGui(const clap_host* host, const HostExtensions& extensions, EditedPlugin& plugin)
    : host_(host), extensions_(extensions), plugin_(plugin) {}

PluginGui::~PluginGui() {
    if (fdRegistered_) extensions_.fd->unregister_fd(host_, fd_);
    if (timer_ != kClapInvalidId) extensions_.timer->unregister_timer(host_, timer_);
    editor_.reset();
    // Changes the window made and the host has not taken stay queued for the next process or flush.
}

bool PluginGui::setScale(double scale) {
    if (!(scale > 0.0)) return false;
    editor_->setScale(scale);
    return true;
}

bool PluginGui::size(std::uint32_t* width, std::uint32_t* height) const {
    if (width == nullptr || height == nullptr) return false;
    const PixelSize size = editor_->pixelSize();
    *width = clampedPixels(size.width);
    *height = clampedPixels(size.height);
    return true;
}

bool PluginGui::adjustSize(std::uint32_t* width, std::uint32_t* height) const {
    if (width == nullptr || height == nullptr) return false;
    const PixelSize adjusted = editor_->adjustedPixelSize({asPixels(*width), asPixels(*height)});
    *width = clampedPixels(adjusted.width);
    *height = clampedPixels(adjusted.height);
    return true;
}

bool PluginGui::setSize(std::uint32_t width, std::uint32_t height) {
    editor_->setPixelSize({asPixels(width), asPixels(height)});
    update();
    return true;
}

bool PluginGui::setParent(const clap_window* window) {
    if (window == nullptr || window->api == nullptr || std::strcmp(window->api, kClapWindowApiX11) != 0) return false;
    editor_->setParent(window->x11);
    update();
    return editor_->alive();
}

bool PluginGui::show() {
    editor_->show();
    update();
    return editor_->alive();
}

bool PluginGui::hide() {
    editor_->hide();
    return true;
}

void PluginGui::onFd(int fd, clap_posix_fd_flags) {
    if (fd != fd_ || closed_) return;
    editor_->update();
    closeIfGone();
}

void PluginGui::onTimer(clap_id timer) {
    if (timer != timer_ || closed_) return;
    update();
}

void PluginGui::update() {
    EditorEventQueue& events = plugin_.editorEvents();
    events.postWaiting();
    EditorState& state = editor_->state();
    state.setSampleRate(plugin_.editedSampleRate());
    for (const ParameterInfo& parameter : kParameterTable) {
        if (!events.changing(parameter.index)) state.parameterChanged(parameter.index, plugin_.editedValue(parameter.index));
    }
    editor_->meterPeak(plugin_.processing() ? plugin_.meterPeak() : 0.0f);
    editor_->update();
    closeIfGone();
}

void PluginGui::closeIfGone() {
    if (closed_ || editor_->alive()) return;
    closed_ = true;
    // A lost connection's descriptor stays readable: the host must stop watching it.
    if (fdRegistered_) extensions_.fd->unregister_fd(host_, fd_);
    fdRegistered_ = false;
    if (timer_ != kClapInvalidId) extensions_.timer->unregister_timer(host_, timer_);
    timer_ = kClapInvalidId;
    if (extensions_.gui != nullptr && extensions_.gui->closed != nullptr) extensions_.gui->closed(host_, true);
}

void PluginGui::post(const EditorEvent& event) {
    plugin_.editorEvents().post(event);
    // A host that is processing takes the events with its next block; one that is not is asked
    // for a flush.
    if (!plugin_.processing() && extensions_.params != nullptr && extensions_.params->request_flush != nullptr) {
        extensions_.params->request_flush(host_);
    }
}

void PluginGui::beginGesture(ParameterIndex index) {
    post({EditorEvent::Kind::Begin, index});
}

void PluginGui::setValue(ParameterIndex index, float value) {
    post({EditorEvent::Kind::Value, index, value});
}

void PluginGui::endGesture(ParameterIndex index) {
    post({EditorEvent::Kind::End, index});
}

bool PluginGui::runningSettings(FilterSettings& settings, std::uint32_t& publications) {
    publications = plugin_.processor().settingsPublications();
    settings = plugin_.processor().publishedSettings();
    return true;
}
