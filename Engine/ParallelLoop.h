#pragma once
// Parallel loops whose jobs the calling thread and the pool's workers take in order as they come free. The work
// per job varies a lot and workers wake late, so the caller starts at once instead of sleeping, and nobody waits
// for a worker that woke too late to find a job. Whatever a job writes goes to storage of its own (its block's
// list, its index's slot, its worker's scratch), so the results do not depend on which thread ran which job.
//
// A loop is either inline (every job on the caller, in order) or threaded (the caller and pool workers); both
// have one interface, and PoolLoop picks the one a pool calls for.

#include <array>
#include <atomic>
#include <concepts>
#include <cstdint>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <vector>

#include "Engine/ParallelRange.h"

class ThreadPool;

// The most threads a loop on this pool runs on, the caller included: the caller and at most one worker per
// further hardware thread. More would only take turns on the same cores, and a worker pre-empted in the middle
// of a block holds up the end. Worker indices handed to jobs are below this.
uint32_t loop_threads(const ThreadPool& pool);

// Items per block when each of `threads` threads should get about `per_thread` blocks.
uint64_t block_size(uint64_t threads, uint64_t count, uint64_t per_thread);

// A job of a run, borrowed for the run: job(k, worker) with worker 0 the calling thread.
class LoopJob {
public:
    template <typename F>
    requires(!std::same_as<std::remove_cvref_t<F>, LoopJob>)
        LoopJob(const F& f) // implicit, so that runs take lambdas as they are
        : m_object(&f),
          m_call([](const void* object, uint64_t k, uint32_t worker) { (*static_cast<const F*>(object))(k, worker); }) {
    }

    void operator()(uint64_t k, uint32_t worker) const { m_call(m_object, k, worker); }

private:
    const void* m_object;
    void (*m_call)(const void*, uint64_t, uint32_t);
};

class ParallelLoop {
public:
    ParallelLoop() = default;
    ParallelLoop(const ParallelLoop&) = delete;
    ParallelLoop& operator=(const ParallelLoop&) = delete;
    virtual ~ParallelLoop() = default;

    // Threads that run this loop's jobs; every worker index is below it.
    virtual uint32_t threads() const = 0;
    // Runs job(k, worker) once for every k in [0, jobs) and returns when all are done. A job that throws does
    // not stop the others; the first exception is rethrown here.
    virtual void run(uint64_t jobs, LoopJob job) = 0;
};

// Every job on the calling thread, in order.
class InlineLoop final : public ParallelLoop {
public:
    uint32_t threads() const override { return 1; }
    void run(uint64_t jobs, LoopJob job) override;
};

// The caller and helpers from the pool. The helpers are queued when the loop is made and wait, polling, until a
// run starts: a worker takes a long while to wake, and the caller can do its serial work in the meantime.
// Between two runs they poll for the next, so a loop's later runs find them awake. A run returns once every job
// is done; the helpers' tasks hold only the shared counters, so one that wakes after the run (or the loop) is
// over finds nothing to do and leaves. The helpers go when the loop is destroyed.
class ThreadedLoop final : public ParallelLoop {
public:
    // Runs beyond this many on one loop take no helpers.
    static constexpr uint32_t kMaxRuns = 4;

    // `most_jobs` is the most jobs a run will have: no more helpers are queued than can get one.
    ThreadedLoop(ThreadPool& pool, uint64_t most_jobs);
    ~ThreadedLoop() override;

    uint32_t threads() const override { return m_threads; }
    void run(uint64_t jobs, LoopJob job) override;

private:
    struct Shared;
    static void help(Shared& s);
    static void work(Shared& s, uint32_t run, uint32_t worker);

    std::shared_ptr<Shared> m_shared;
    uint32_t m_threads = 1;
};

// The loop a pool calls for: threaded when the pool has workers that may help, inline otherwise.
class PoolLoop {
public:
    PoolLoop(ThreadPool& pool, uint64_t most_jobs);

    ParallelLoop& loop() { return m_threaded ? static_cast<ParallelLoop&>(*m_threaded) : m_inline; }
    uint32_t threads() { return loop().threads(); }
    template <typename Job>
    void run(uint64_t jobs, const Job& job) {
        loop().run(jobs, LoopJob(job));
    }

private:
    InlineLoop m_inline;
    std::optional<ThreadedLoop> m_threaded;
};

// One value per worker of a loop, each on cache lines of its own. It only grows, so a loop's storage is
// allocated once and reused by later loops.
template <typename T>
class PerWorker {
public:
    void reserve_workers(uint64_t threads) {
        if (m_slots.size() < threads) {
            m_slots.resize(threads);
        }
    }
    T& operator[](uint32_t worker) { return m_slots[worker].value; }
    size_t size() const { return m_slots.size(); }

private:
    struct alignas(64) Slot {
        T value{};
    };
    std::vector<Slot> m_slots;
};

// Runs block(k, lo, hi, worker) for the consecutive blocks of `size` items of [0, count) as the jobs of one run.
template <typename Block>
void run_blocks(ParallelLoop& loop, uint64_t count, uint64_t size, const Block& block) {
    const auto job = [&](uint64_t k, uint32_t worker) {
        const ParallelRange range = block_range(count, size, k);
        block(k, range.lo, range.hi, worker);
    };
    loop.run(block_count(count, size), LoopJob(job));
}

// Calls fn(i, worker) for every i in [0, count), in blocks of about eight per thread.
template <typename Fn>
void parallel_for_each(ThreadPool& pool, uint64_t count, const Fn& fn) {
    const uint64_t size = block_size(loop_threads(pool), count, 8);
    PoolLoop loop(pool, block_count(count, size));
    run_blocks(loop.loop(), count, size, [&](uint64_t, uint64_t lo, uint64_t hi, uint32_t worker) {
        for (uint64_t i = lo; i < hi; ++i) {
            fn(i, worker);
        }
    });
}

// Blocks of [0, count) that each fill a list of their own, block(lo, hi, list, worker); the lists are joined in
// block order, so the result is the same sequence whatever the number of workers.
template <typename T, typename Block>
std::vector<T> parallel_collect(ThreadPool& pool, uint64_t count, const Block& block) {
    const uint64_t size = block_size(loop_threads(pool), count, 8);
    std::vector<std::vector<T>> per_block(block_count(count, size));
    PoolLoop loop(pool, per_block.size());
    run_blocks(loop.loop(), count, size, [&](uint64_t k, uint64_t lo, uint64_t hi, uint32_t worker) {
        block(lo, hi, per_block[static_cast<size_t>(k)], worker);
    });
    size_t total = 0;
    for (const std::vector<T>& local : per_block) {
        total += local.size();
    }
    std::vector<T> result;
    result.reserve(total);
    for (std::vector<T>& local : per_block) {
        result.insert(result.end(), std::make_move_iterator(local.begin()), std::make_move_iterator(local.end()));
    }
    return result;
}
