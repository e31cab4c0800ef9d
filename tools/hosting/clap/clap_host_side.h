// SPDX-License-Identifier: MIT
// The host record bramsoliket-host hands to a CLAP plug-in, and what it answers to the
// plug-in's requests. The tool runs every call on one thread: that thread is the main
// thread, and it is the audio thread while it is inside an audio-thread call (marked with
// AudioThreadCall); any other thread is neither.
//
// Extensions offered: clap.log (warnings and worse are printed on standard error),
// clap.thread-check, and clap.params (rescan and clear are taken note of and ignored, as the
// tool reads the parameter list once; request_flush is served). get_extension answers null
// for everything else. The requests of the record itself may come from any thread: each
// only sets a flag, which the plug-in's owner serves on the main thread (takeRequests).
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "interfaces/clap/clap_abi.h"

class ClapHostSide {
public:
    ClapHostSide();
    ClapHostSide(const ClapHostSide&) = delete;
    ClapHostSide& operator=(const ClapHostSide&) = delete;

    const clap_host* host() const { return &host_; }

    // Marks the tool's thread as the audio thread for the enclosed calls.
    class AudioThreadCall {
    public:
        explicit AudioThreadCall(ClapHostSide& side) : side_(side) { side_.audioCalls_.fetch_add(1); }
        ~AudioThreadCall() { side_.audioCalls_.fetch_sub(1); }
        AudioThreadCall(const AudioThreadCall&) = delete;
        AudioThreadCall& operator=(const AudioThreadCall&) = delete;

    private:
        ClapHostSide& side_;
    };

    // What the plug-in asked for since the last call, each flag cleared as it is read.
    struct Requests {
        bool restart = false;
        bool callback = false;
        bool flush = false;
    };
    Requests takeRequests();

    bool isMainThread() const;
    bool isAudioThread() const;

private:
    clap_host host_;
    clap_host_log log_;
    clap_host_thread_check threadCheck_;
    clap_host_params params_;
    std::thread::id toolThread_;
    std::atomic<int> audioCalls_{0};
    std::atomic<bool> restartRequested_{false};
    std::atomic<bool> callbackRequested_{false};
    std::atomic<bool> flushRequested_{false};
};

// "bramsoliket-host: warning: plug-in log (error): MESSAGE" for a warning or worse; nothing
// for debugging and information messages. Null messages are shown as "(no message)".
std::string clapLogLine(clap_log_severity severity, const char* message);
