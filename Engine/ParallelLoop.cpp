#include "Engine/ParallelLoop.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "Engine/SpinWait.h"
#include "Engine/ThreadPool.h"

uint32_t loop_threads(const ThreadPool& pool) {
    static const uint64_t hardware = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<uint32_t>(std::min<uint64_t>(pool.worker_count(), hardware - 1) + 1);
}

uint64_t block_size(uint64_t threads, uint64_t count, uint64_t per_thread) {
    return std::max<uint64_t>(1, count / (threads * per_thread));
}

namespace {

// Keeps the first exception of a run for the caller; the job that threw still counts as done.
void keep_error(std::mutex& mutex, std::exception_ptr& error) {
    const std::lock_guard<std::mutex> guard(mutex);
    if (!error) {
        error = std::current_exception();
    }
}

} // namespace

void InlineLoop::run(uint64_t jobs, LoopJob job) {
    std::exception_ptr error;
    for (uint64_t k = 0; k < jobs; ++k) {
        try {
            job(k, 0);
        } catch (...) {
            if (!error) {
                error = std::current_exception();
            }
        }
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

// The counters every thread changes sit on lines of their own, away from what the waiting helpers read.
struct ThreadedLoop::Shared {
    struct Run {
        alignas(64) std::atomic<uint64_t> next{0};
        alignas(64) std::atomic<uint64_t> done{0};
        alignas(64) uint64_t jobs = 0;
        std::optional<LoopJob> job; // set before the run starts
    };

    alignas(64) std::atomic<uint32_t> started{0}; // runs started so far
    std::atomic<bool> finished{false};
    std::atomic<uint32_t> helpers{0}; // helpers that have started, each taking the next worker index
    std::array<Run, kMaxRuns> runs;
    std::mutex error_mutex;
    std::exception_ptr error;
};

ThreadedLoop::ThreadedLoop(ThreadPool& pool, uint64_t most_jobs) : m_shared(std::make_shared<Shared>()) {
    const uint64_t helpers = most_jobs == 0 ? 0 : std::min<uint64_t>(loop_threads(pool) - 1, most_jobs - 1);
    m_threads = static_cast<uint32_t>(helpers + 1);
    // Queued together, so that polling workers take them in one go and sleeping ones wake at once.
    pool.queue_copies([shared = m_shared] { help(*shared); }, helpers);
}

ThreadedLoop::~ThreadedLoop() { m_shared->finished.store(true, std::memory_order_release); }

void ThreadedLoop::run(uint64_t jobs, LoopJob job) {
    Shared& s = *m_shared;
    const uint32_t index = s.started.load(std::memory_order_relaxed);
    // More runs than the loop has room for take no helpers.
    if (index == kMaxRuns) {
        InlineLoop().run(jobs, job);
        return;
    }
    Shared::Run& r = s.runs[index];
    r.jobs = jobs;
    r.job = job;
    s.started.store(index + 1, std::memory_order_release);
    work(s, index, 0);
    // Only jobs that workers are in the middle of are left, and a sleeping caller would wake late.
    SpinWait wait;
    while (r.done.load(std::memory_order_acquire) != r.jobs) {
        wait.once();
    }
    if (s.error) {
        std::rethrow_exception(std::exchange(s.error, nullptr));
    }
}

// Joins the newest run each time one starts; the runs before it are done, since the caller waits for each.
void ThreadedLoop::help(Shared& s) {
    const uint32_t worker = s.helpers.fetch_add(1, std::memory_order_relaxed) + 1;
    uint32_t joined = 0;
    SpinWait wait;
    while (!s.finished.load(std::memory_order_acquire)) {
        const uint32_t started = s.started.load(std::memory_order_acquire);
        if (started == joined) {
            wait.once();
            continue;
        }
        joined = started;
        work(s, started - 1, worker);
        wait = SpinWait();
    }
}

void ThreadedLoop::work(Shared& s, uint32_t run, uint32_t worker) {
    Shared::Run& r = s.runs[run];
    for (uint64_t k = r.next.fetch_add(1, std::memory_order_relaxed); k < r.jobs;
         k = r.next.fetch_add(1, std::memory_order_relaxed)) {
        try {
            (*r.job)(k, worker);
        } catch (...) {
            keep_error(s.error_mutex, s.error);
        }
        r.done.fetch_add(1, std::memory_order_acq_rel);
    }
}

PoolLoop::PoolLoop(ThreadPool& pool, uint64_t most_jobs) {
    if (loop_threads(pool) > 1 && most_jobs > 1) {
        m_threaded.emplace(pool, most_jobs);
    }
}
