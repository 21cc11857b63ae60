#include "Engine/ThreadPool.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

// Parallel loops come in bursts (the phases of a step, a fighter's ray casts, the steps of a catch-up), and
// waking a sleeping thread takes far longer than a short loop: a worker that has just run a task, and a caller
// waiting for a loop, poll this long before they sleep.
constexpr std::chrono::microseconds kPollTime{250};

// Polls `ready` until it holds or the poll time is up.
template <typename Ready>
bool poll_until(const Ready& ready) {
    const auto until = std::chrono::steady_clock::now() + kPollTime;
    SpinWait wait;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        wait.once();
    }
    return true;
}

} // namespace

ThreadPool::~ThreadPool() { shutdown(); }

void ThreadPool::init(uint64_t count, PoolMode mode) {
    shutdown();
    m_mode = mode;
    m_spin.store(false, std::memory_order_relaxed);
    m_running.store(true, std::memory_order_release);
    m_pending.store(0, std::memory_order_release);
    if (mode != kInline) {
        m_poll_limit = std::max(1u, std::thread::hardware_concurrency()) - 1;
        m_workers.reserve(count);
        for (uint64_t i = 0; i < count; ++i) {
            m_workers.emplace_back([this] { worker_main(); });
        }
    }
}

void ThreadPool::set_spin(bool spin) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_spin.store(spin, std::memory_order_relaxed);
    // Sleeping workers switch to polling.
    m_work_available.notify_all();
}

void ThreadPool::lock_queue() {
    SpinWait wait;
    while (m_queue_lock.test_and_set(std::memory_order_acquire)) {
        wait.once();
    }
}

void ThreadPool::unlock_queue() { m_queue_lock.clear(std::memory_order_release); }

void ThreadPool::queue(std::function<void()> task) {
    if (m_mode == kInline) {
        task();
        return;
    }
    // Raised before the task is visible, so a waiter never sees 0 while it is unfinished.
    m_pending.fetch_add(1, std::memory_order_acq_rel);
    lock_queue();
    m_tasks.push_back(std::move(task));
    const uint64_t queued = m_queued.fetch_add(1, std::memory_order_seq_cst) + 1;
    unlock_queue();
    wake_for(queued, 1);
}

void ThreadPool::wake_for(uint64_t queued, uint64_t added) {
    // A polling worker takes a task without a wake-up. One that stops polling looks at the queue again under
    // the mutex before it sleeps, so a task it was counted for is never left behind.
    if (spinning()) {
        return;
    }
    const uint64_t polling = m_polling.load(std::memory_order_seq_cst);
    if (queued <= polling) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_mutex);
    if (added == 1 || queued - polling == 1) {
        m_work_available.notify_one();
    } else {
        m_work_available.notify_all();
    }
}

void ThreadPool::queue_copies(const std::function<void()>& task, uint64_t count) {
    if (m_mode == kInline) {
        for (uint64_t i = 0; i < count; ++i) {
            task();
        }
        return;
    }
    if (count == 0) {
        return;
    }
    m_pending.fetch_add(count, std::memory_order_acq_rel);
    lock_queue();
    m_tasks.insert(m_tasks.end(), count, task);
    const uint64_t queued = m_queued.fetch_add(count, std::memory_order_seq_cst) + count;
    unlock_queue();
    wake_for(queued, count);
}

bool ThreadPool::try_run_one() {
    lock_queue();
    if (m_tasks.empty()) {
        unlock_queue();
        return false;
    }
    std::function<void()> task = std::move(m_tasks.front());
    m_tasks.pop_front();
    m_queued.fetch_sub(1, std::memory_order_release);
    unlock_queue();

    try {
        task();
    } catch (...) {
        // Kept for the waiting caller; the task still counts as finished.
        std::lock_guard<std::mutex> guard(m_error_mutex);
        if (!m_error) {
            m_error = std::current_exception();
        }
    }
    // Announced even when spinning, in case a waiter went to sleep before spinning was switched on.
    if (m_pending.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_all_done.notify_all();
    }
    return true;
}

void ThreadPool::queue_parallel_for(uint64_t begin, uint64_t end, std::function<void(uint64_t)> fn) {
    if (begin >= end) {
        return;
    }
    // Without workers nobody would take the tasks: run the loop here.
    if (m_mode == kInline || m_workers.empty()) {
        for (uint64_t i = begin; i < end; ++i) {
            fn(i);
        }
        return;
    }
    const uint64_t workers = m_workers.size();
    const uint64_t chunks = parallel_chunk_count(begin, end, workers);
    for (uint64_t k = 0; k < chunks; ++k) {
        const ParallelRange range = parallel_chunk(begin, end, workers, k);
        queue([range, fn] {
            for (uint64_t i = range.lo; i < range.hi; ++i) {
                fn(i);
            }
        });
    }
}

void ThreadPool::wait_idle() {
    if (m_mode == kInline) {
        return;
    }
    if (spinning() || m_workers.empty()) {
        // No workers (not started or shut down) means the caller drains the queue itself.
        while (true) {
            if (try_run_one()) {
                continue;
            }
            if (m_pending.load(std::memory_order_acquire) == 0) {
                break;
            }
            std::this_thread::yield();
        }
    } else {
        const auto idle = [this] { return m_pending.load(std::memory_order_acquire) == 0; };
        if (!poll_until(idle)) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_all_done.wait(lock, idle);
        }
    }
}

void ThreadPool::rethrow_task_error() {
    std::exception_ptr error;
    {
        std::lock_guard<std::mutex> guard(m_error_mutex);
        error = std::exchange(m_error, nullptr);
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

void ThreadPool::parallel_for(uint64_t begin, uint64_t end, std::function<void(uint64_t)> fn) {
    queue_parallel_for(begin, end, std::move(fn));
    wait_idle();
    rethrow_task_error();
}

void ThreadPool::worker_main() {
    while (m_running.load(std::memory_order_acquire)) {
        if (spinning()) {
            if (!try_run_one()) {
                std::this_thread::yield();
            }
            continue;
        }
        const auto wanted = [this] {
            return m_queued.load(std::memory_order_acquire) != 0 || !m_running.load(std::memory_order_acquire) ||
                   spinning();
        };
        // Beyond one poller per other hardware thread (less those running tasks), a poller only takes turns with
        // the threads doing the work: the others sleep at once.
        const uint64_t awake =
            m_polling.fetch_add(1, std::memory_order_seq_cst) + m_busy.load(std::memory_order_relaxed);
        const bool found = awake < m_poll_limit && poll_until(wanted);
        m_polling.fetch_sub(1, std::memory_order_seq_cst);
        if (!found) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_work_available.wait(lock, wanted);
        }
        if (!m_running.load(std::memory_order_acquire)) {
            break;
        }
        m_busy.fetch_add(1, std::memory_order_relaxed);
        try_run_one();
        m_busy.fetch_sub(1, std::memory_order_relaxed);
    }
}

void ThreadPool::shutdown() {
    if (m_mode == kInline || m_workers.empty()) {
        m_running.store(false, std::memory_order_release);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_running.store(false, std::memory_order_release);
        m_work_available.notify_all();
    }
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    m_workers.clear();
}
