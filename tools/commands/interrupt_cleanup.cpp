// SPDX-License-Identifier: MIT
#include "tools/commands/interrupt_cleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace {

constexpr int kSlots = 32;
constexpr std::size_t kLongestPath = 4096;

// A slot is filled once and never reused, so the handler never reads a path that is being
// rewritten; `registered` says whether it is still to be removed.
char paths[kSlots][kLongestPath];
std::atomic<bool> registered[kSlots];
std::atomic<int> slotsUsed{0};

constexpr char kMessage[] = "bramsoliket-host: interrupted\n";

extern "C" void removePartialFilesAndExit(int signal) {
    const int used = slotsUsed.load();
    for (int i = 0; i < used && i < kSlots; ++i) {
        if (registered[i].load()) ::unlink(paths[i]);
    }
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(128 + signal);
}

}  // namespace

void installInterruptHandlers() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = removePartialFilesAndExit;
        sigemptyset(&action.sa_mask);
        for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

int rememberPartialFile(const std::string& path) {
    if (path.size() >= kLongestPath) return -1;
    const int slot = slotsUsed.load();
    if (slot >= kSlots) return -1;
    std::memcpy(paths[slot], path.c_str(), path.size() + 1);
    registered[slot].store(true);
    slotsUsed.store(slot + 1);
    return slot;
}

void forgetPartialFile(int ticket) {
    if (ticket >= 0 && ticket < kSlots) registered[ticket].store(false);
}

InterruptsHeld::InterruptsHeld() {
    sigset_t interrupts;
    sigemptyset(&interrupts);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal);
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &previous_);
}

InterruptsHeld::~InterruptsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
