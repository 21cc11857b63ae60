#pragma once
// Worker threads for the engine's parallel loops. Tasks run first in, first out; parallel_for hands one index
// range to each worker while the caller waits. The loops that let the caller take part and hand out jobs as
// threads come free are in Engine/ParallelLoop.h.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "Engine/ParallelRange.h"
#include "Engine/SpinWait.h"

// Inline: every task runs at once on the thread that queues it, and there are no workers. Threaded: workers
// take the tasks.
enum class PoolMode : uint32_t { Inline = 0, Threaded = 1 };

class ThreadPool {
public:
    static constexpr PoolMode kInline = PoolMode::Inline;
    static constexpr PoolMode kThreaded = PoolMode::Threaded;

    ThreadPool() = default;
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;
    // Stops the workers; tasks still queued are dropped unrun.
    ~ThreadPool();

    void init(uint64_t count, PoolMode mode);
    void queue(std::function<void()> task);
    // Queues `count` copies of the task at once: polling workers take them in one go, and sleeping workers are
    // woken by one call instead of one per task.
    void queue_copies(const std::function<void()>& task, uint64_t count);
    // Runs the front task on the calling thread; false when the queue was empty.
    bool try_run_one();
    void queue_parallel_for(uint64_t begin, uint64_t end, std::function<void(uint64_t)> fn);
    // Queues the loop and waits until the pool has no unfinished task at all. The first exception thrown
    // by any task since the last wait is rethrown here.
    void parallel_for(uint64_t begin, uint64_t end, std::function<void(uint64_t)> fn);
    // Waits until every queued task has finished.
    void wait_idle();
    // Stops and joins the workers; queued tasks stay unrun.
    void shutdown();

    // Workers and waiters poll with yields instead of sleeping.
    void set_spin(bool spin);

    PoolMode mode() const { return m_mode; }
    size_t worker_count() const { return m_workers.size(); }
    bool is_running() const { return m_running.load(std::memory_order_acquire); }
    uint64_t pending() const { return m_pending.load(std::memory_order_acquire); }

private:
    void worker_main();
    // Wakes sleeping workers for tasks no polling worker will take, `queued` the queue's size after adding
    // `added`: one for a single task, all of them for several.
    void wake_for(uint64_t queued, uint64_t added);
    void lock_queue();
    void unlock_queue();
    bool spinning() const { return m_spin.load(std::memory_order_relaxed); }
    void rethrow_task_error();

    PoolMode m_mode = kInline;
    std::atomic<bool> m_spin{false};
    std::vector<std::thread> m_workers;
    std::atomic_flag m_queue_lock;
    std::mutex m_mutex;
    std::condition_variable m_work_available;
    std::condition_variable m_all_done;
    std::atomic<bool> m_running{false};
    // The counters that change with every task sit on lines of their own, away from what polling workers read.
    alignas(64) std::atomic<uint64_t> m_pending{0};
    std::deque<std::function<void()>> m_tasks;
    // Size of m_tasks, readable without the queue lock: sleeping workers test it under m_mutex.
    alignas(64) std::atomic<uint64_t> m_queued{0};
    // Workers polling for a task before they sleep; a task they will take needs no wake-up.
    alignas(64) std::atomic<uint64_t> m_polling{0};
    // Workers running a task, and how many may be awake (running or polling) before the others go to sleep.
    std::atomic<uint64_t> m_busy{0};
    uint64_t m_poll_limit = 0;
    std::mutex m_error_mutex;
    std::exception_ptr m_error;
};
