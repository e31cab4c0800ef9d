// SPDX-License-Identifier: MIT
// CLAP's rules on threads and states, checked where the project checks a format's rules:
// in builds without NDEBUG (or with BRAMSOLIKET_CLAP_CHECK_RULES=1), a call from the wrong
// thread or in the wrong state (process before activate, flush during process) is reported
// through the host's log, if it offers one, and on standard error, and aborts, so a host's
// or a test's misuse is loud. Release builds compile the checks out and handle the same
// misuse quietly and soundly.
//
// Thread rules are checked only against a host that offers thread-check: without it the
// plug-in cannot tell its host's threads apart.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "interfaces/clap/clap_abi.h"

#if !defined(BRAMSOLIKET_CLAP_CHECK_RULES)
#if defined(NDEBUG)
#define BRAMSOLIKET_CLAP_CHECK_RULES 0
#else
#define BRAMSOLIKET_CLAP_CHECK_RULES 1
#endif
#endif

class FormatRules {
public:
    static constexpr bool kChecked = BRAMSOLIKET_CLAP_CHECK_RULES != 0;

    void attach(const clap_host* host, const clap_host_thread_check* threadCheck, const clap_host_log* log) {
        host_ = host;
        threadCheck_ = threadCheck;
        log_ = log;
    }

    void require(bool condition, const char* rule) const {
        if constexpr (kChecked) {
            if (!condition) broken(rule);
        }
    }
    void requireMainThread(const char* rule) const {
        if constexpr (kChecked) {
            if (threadCheck_ != nullptr && !threadCheck_->is_main_thread(host_)) broken(rule);
        }
    }
    void requireAudioThread(const char* rule) const {
        if constexpr (kChecked) {
            if (threadCheck_ != nullptr && !threadCheck_->is_audio_thread(host_)) broken(rule);
        }
    }

private:
    [[noreturn]] void broken(const char* rule) const {
        if (log_ != nullptr) log_->log(host_, kClapLogHostMisbehaving, rule);
        std::fprintf(stderr, "BRAMSOLIKET: CLAP rule broken: %s\n", rule);
        std::abort();
    }

    const clap_host* host_ = nullptr;
    const clap_host_thread_check* threadCheck_ = nullptr;
    const clap_host_log* log_ = nullptr;
};
