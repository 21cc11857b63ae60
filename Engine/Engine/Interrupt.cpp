#include "Engine/Engine/Interrupt.h"

#include <atomic>
#include <signal.h>

namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void on_interrupt(int) { g_interrupted.store(true, std::memory_order_relaxed); }

} // namespace

void install_interrupt_handler() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool take_interrupt_request() { return g_interrupted.exchange(false, std::memory_order_relaxed); }

void raise_interrupt_request() { g_interrupted.store(true, std::memory_order_relaxed); }
