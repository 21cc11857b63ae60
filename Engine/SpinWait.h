#pragma once
// One round of a polling loop, shared by the thread pool and the parallel loops.

#include <cstdint>
#include <thread>

// The first rounds pause the core instead of giving it up: what a poller waits for (a task, a lock, the end of a
// loop) is mostly a few microseconds away, and a yield on a busy machine can hand the core to another process for
// a whole time slice. Later rounds yield.
class SpinWait {
public:
    void once() {
        if (m_rounds < kPauseRounds) {
            m_rounds += 1;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#else
            std::this_thread::yield();
#endif
        } else {
            std::this_thread::yield();
        }
    }

private:
    static constexpr uint32_t kPauseRounds = 1000;
    uint32_t m_rounds = 0;
};
