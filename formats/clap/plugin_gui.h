// SPDX-License-Identifier: MIT
// The CLAP plug-in's window (clap.gui, the "x11" API, embedded): the filter's editor in the
// host's window, driven by the host's main-thread loop through the two host extensions it
// needs: clap.posix-fd-support, which reports the X connection's file descriptor readable
// (the window's events), and clap.timer-support, which calls about thirty times a second (the
// host's changes, the meter, the glides). A host without either gets no window
// (is_api_supported answers false) rather than one that would block or never draw.
//
// The window's changes go through the plug-in's editor event queue (editor_events.h) to the
// thread that sets parameters, which tells the host of each as a CLAP event (gesture begin,
// value, gesture end); while the host is not processing, the window asks it for a flush
// (clap.params request_flush). The host's changes (automation, a state loaded, another
// control) are read on each timer call and show at once; a parameter whose own change from
// the window is still on its way is left as the window has it.
//
// Everything here runs on the host's main thread. Sizes are physical pixels, as CLAP's X11
// windows are: the editor's units times the scale set_scale gives.
#pragma once

#include <cstdint>
#include <memory>

#include "editor/editor.h"
#include "editor/editor_host.h"
#include "formats/clap/edited_plugin.h"
#include "interfaces/clap/clap_abi.h"

class PluginGui final : public EditorHost {
public:
    static constexpr std::uint32_t kTimerPeriodMilliseconds = 33;

    // Whether the host offers what the window needs, for this API and kind of window.
    static bool supports(const clap_host* host, const char* api, bool floating);

    // The window for `plugin` on `host`, not yet embedded nor shown; null when the host does
    // not offer what it needs, or there is no X server.
    static std::unique_ptr<PluginGui> create(const clap_host* host, EditedPlugin& plugin);
    ~PluginGui() override;
    PluginGui(const PluginGui&) = delete;
    PluginGui& operator=(const PluginGui&) = delete;

    bool setScale(double scale);
    bool size(std::uint32_t* width, std::uint32_t* height) const;
    bool adjustSize(std::uint32_t* width, std::uint32_t* height) const;
    bool setSize(std::uint32_t width, std::uint32_t height);
    bool setParent(const clap_window* window);
    bool show();
    bool hide();

    void onFd(int fd, clap_posix_fd_flags flags);
    void onTimer(clap_id timer);

    void beginGesture(ParameterIndex index) override;
    void setValue(ParameterIndex index, float value) override;
    void endGesture(ParameterIndex index) override;
    bool runningSettings(FilterSettings& settings, std::uint32_t& publications) override;

private:
    struct HostExtensions {
        const clap_host_posix_fd_support* fd;
        const clap_host_timer_support* timer;
        const clap_host_gui* gui;        // may be null
        const clap_host_params* params;  // may be null
    };
    static std::optional<HostExtensions> hostExtensions(const clap_host* host);

    PluginGui(const clap_host* host, const HostExtensions& extensions, EditedPlugin& plugin);
    void post(const EditorEvent& event);
    // The host's values and meter into the editor, then its window's events and drawing.
    void update();
    // Once the window is gone: no more calls from the host's loop, and the host is told.
    void closeIfGone();

    const clap_host* host_;
    HostExtensions extensions_;
    EditedPlugin& plugin_;
    std::unique_ptr<Editor> editor_;
    int fd_ = -1;
    bool fdRegistered_ = false;
    clap_id timer_ = kClapInvalidId;
    bool closed_ = false;
};
