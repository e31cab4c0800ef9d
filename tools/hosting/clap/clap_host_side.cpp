// SPDX-License-Identifier: MIT
#include "tools/hosting/clap/clap_host_side.h"

#include <cstring>
#include <iostream>

namespace {

ClapHostSide& sideOf(const clap_host* host) { return *static_cast<ClapHostSide*>(host->host_data); }

const char* severityName(clap_log_severity severity) {
    switch (severity) {
        case kClapLogWarning:
            return "warning";
        case kClapLogError:
            return "error";
        case kClapLogFatal:
            return "fatal";
        case kClapLogHostMisbehaving:
            return "host misbehaving";
        case kClapLogPluginMisbehaving:
            return "plug-in misbehaving";
        default:
            return "unknown severity";
    }
}

}  // namespace

std::string clapLogLine(clap_log_severity severity, const char* message) {
    if (severity == kClapLogDebug || severity == kClapLogInfo) return "";
    std::string line = "bramsoliket-host: warning: plug-in log (";
    line += severityName(severity);
    line += "): ";
    line += message != nullptr ? message : "(no message)";
    // One message, one line.
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line + '\n';
}

ClapHostSide::ClapHostSide() : toolThread_(std::this_thread::get_id()) {
    log_.log = [](const clap_host*, clap_log_severity severity, const char* message) {
        const std::string line = clapLogLine(severity, message);
        // One write, so that lines from several threads do not mix.
        if (!line.empty()) std::cerr.write(line.data(), static_cast<std::streamsize>(line.size())).flush();
    };
    threadCheck_.is_main_thread = [](const clap_host* host) { return sideOf(host).isMainThread(); };
    threadCheck_.is_audio_thread = [](const clap_host* host) { return sideOf(host).isAudioThread(); };
    params_.rescan = [](const clap_host*, std::uint32_t) {};
    params_.clear = [](const clap_host*, clap_id, std::uint32_t) {};
    params_.request_flush = [](const clap_host* host) { sideOf(host).flushRequested_.store(true); };
    host_ = clap_host{
        kClapVersionFollowed,
        this,
        "bramsoliket-host",
        "BRAMSOLIKET",
        "",
        BRAMSOLIKET_VERSION,
        [](const clap_host* host, const char* id) -> const void* {
            if (host == nullptr || id == nullptr) return nullptr;
            ClapHostSide& side = sideOf(host);
            if (std::strcmp(id, kClapExtLog) == 0) return &side.log_;
            if (std::strcmp(id, kClapExtThreadCheck) == 0) return &side.threadCheck_;
            if (std::strcmp(id, kClapExtParams) == 0) return &side.params_;
            return nullptr;
        },
        [](const clap_host* host) { sideOf(host).restartRequested_.store(true); },
        // The tool processes every block of a render in turn: there is no sleep to end.
        [](const clap_host*) {},
        [](const clap_host* host) { sideOf(host).callbackRequested_.store(true); },
    };
}

ClapHostSide::Requests ClapHostSide::takeRequests() {
    Requests requests;
    requests.restart = restartRequested_.exchange(false);
    requests.callback = callbackRequested_.exchange(false);
    requests.flush = flushRequested_.exchange(false);
    return requests;
}

bool ClapHostSide::isMainThread() const {
    return std::this_thread::get_id() == toolThread_ && audioCalls_.load() == 0;
}

bool ClapHostSide::isAudioThread() const { return std::this_thread::get_id() == toolThread_ && audioCalls_.load() > 0; }
