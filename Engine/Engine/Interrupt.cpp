#include "Engine/Engine/Interrupt.h"

#include <atomic>
#include <signal.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signals{0};
std::atomic<int> g_notice_fd{STDERR_FILENO};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

// Exit status of a process ended by SIGINT, as the shell reports it.
constexpr int kInterruptedExit = 128 + SIGINT;

extern "C" void on_interrupt(int) {
    if (g_signals.fetch_add(1, std::memory_order_relaxed) == 0) {
        g_interrupted.store(true, std::memory_order_relaxed);
        return;
    }
    // Only async-signal-safe calls from here: the main thread may be stuck anywhere.
    static const char kMessage[] = "Interrupted twice: exiting now\n";
    ssize_t ignored = write(g_notice_fd.load(std::memory_order_relaxed), kMessage, sizeof(kMessage) - 1);
    (void)ignored;
    _exit(kInterruptedExit);
}

} // namespace

void install_interrupt_handler(int notice_fd) {
    g_notice_fd.store(notice_fd, std::memory_order_relaxed);
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool take_interrupt_request() { return g_interrupted.exchange(false, std::memory_order_relaxed); }

void raise_interrupt_request() { g_interrupted.store(true, std::memory_order_relaxed); }
