#include <atomic>
#include <chrono>
#include <fstream>
#include <latch>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Engine/ThreadPool.h"

namespace {

constexpr uint64_t kWorkers = 16;

struct ChunkCase {
    uint64_t begin, end, workers;
    std::vector<ParallelRange> expected;
};

class ParallelChunks : public testing::TestWithParam<ChunkCase> {};

TEST_P(ParallelChunks, SplitRangeIntoOneTaskPerWorker) {
    const ChunkCase& c = GetParam();
    const uint64_t chunks = parallel_chunk_count(c.begin, c.end, c.workers);
    ASSERT_EQ(chunks, c.expected.size());
    for (uint64_t k = 0; k < chunks; ++k) {
        const ParallelRange r = parallel_chunk(c.begin, c.end, c.workers, k);
        EXPECT_EQ(r.lo, c.expected[k].lo) << "chunk " << k;
        EXPECT_EQ(r.hi, c.expected[k].hi) << "chunk " << k;
    }
}

std::vector<ParallelRange> seventeen_on_sixteen() {
    std::vector<ParallelRange> r;
    for (uint64_t k = 0; k < 8; ++k) {
        r.push_back({2 * k, 2 * k + 2});
    }
    r.push_back({16, 17});
    // Tasks 9 to 15 start past the end and get empty ranges.
    for (uint64_t k = 9; k < 16; ++k) {
        r.push_back({2 * k, 2 * k});
    }
    return r;
}

INSTANTIATE_TEST_SUITE_P(Table, ParallelChunks,
                         testing::Values(ChunkCase{0, 0, 16, {}}, ChunkCase{5, 8, 16, {{5, 6}, {6, 7}, {7, 8}}},
                                         ChunkCase{0, 17, 16, seventeen_on_sixteen()},
                                         ChunkCase{10, 20, 4, {{10, 13}, {13, 16}, {16, 19}, {19, 20}}},
                                         ChunkCase{0,
                                                   32,
                                                   16,
                                                   {{0, 2},
                                                    {2, 4},
                                                    {4, 6},
                                                    {6, 8},
                                                    {8, 10},
                                                    {10, 12},
                                                    {12, 14},
                                                    {14, 16},
                                                    {16, 18},
                                                    {18, 20},
                                                    {20, 22},
                                                    {22, 24},
                                                    {24, 26},
                                                    {26, 28},
                                                    {28, 30},
                                                    {30, 32}}}),
                         [](const testing::TestParamInfo<ChunkCase>& info) {
                             return "from" + std::to_string(info.param.begin) + "_to" + std::to_string(info.param.end) +
                                    "_on" + std::to_string(info.param.workers);
                         });

class ThreadPoolFixture : public testing::Test {
protected:
    void SetUp() override { pool.init(kWorkers, ThreadPool::kThreaded); }

    // Occupies every worker until release() so that later tasks stay queued.
    void block_all_workers() {
        for (uint64_t i = 0; i < kWorkers; ++i) {
            pool.queue([this] {
                started.count_down();
                gate.wait();
            });
        }
        started.wait();
    }
    void release() { gate.count_down(); }

    ThreadPool pool;
    std::latch started{static_cast<std::ptrdiff_t>(kWorkers)};
    std::latch gate{1};
};

TEST_F(ThreadPoolFixture, ParallelForVisitsEveryIndexOnce) {
    EXPECT_EQ(pool.worker_count(), kWorkers);
    for (uint64_t n : {0u, 1u, 5u, 16u, 17u, 1000u}) {
        std::vector<std::atomic<int>> hits(n + 3);
        pool.parallel_for(3, 3 + n, [&](uint64_t i) { hits[i].fetch_add(1); });
        EXPECT_EQ(pool.pending(), 0u);
        for (uint64_t i = 0; i < hits.size(); ++i) {
            EXPECT_EQ(hits[i].load(), i >= 3 ? 1 : 0) << "n " << n << " index " << i;
        }
    }
}

TEST_F(ThreadPoolFixture, QueuesOneTaskPerWorkerOrPerIndex) {
    block_all_workers();
    std::atomic<uint64_t> sum{0};
    pool.queue_parallel_for(0, 17, [&](uint64_t i) { sum.fetch_add(i); });
    EXPECT_EQ(pool.pending(), kWorkers + 16);
    pool.queue_parallel_for(0, 3, [&](uint64_t i) { sum.fetch_add(100 * i); });
    EXPECT_EQ(pool.pending(), kWorkers + 16 + 3);
    pool.queue_parallel_for(4, 4, [&](uint64_t) { sum.fetch_add(1000); });
    EXPECT_EQ(pool.pending(), kWorkers + 16 + 3);
    release();
    pool.wait_idle();
    EXPECT_EQ(pool.pending(), 0u);
    EXPECT_EQ(sum.load(), 136u + 300u);
}

TEST_F(ThreadPoolFixture, EachChunkRunsWholeAndInOrderOnOneThread) {
    std::mutex m;
    std::map<std::thread::id, std::vector<uint64_t>> by_thread;
    pool.parallel_for(0, 64, [&](uint64_t i) {
        std::lock_guard<std::mutex> guard(m);
        by_thread[std::this_thread::get_id()].push_back(i);
    });
    // 64 indices on 16 workers: chunks of 4. A thread's sequence is a run of whole chunks.
    uint64_t total = 0;
    for (const auto& [thread, seq] : by_thread) {
        ASSERT_EQ(seq.size() % 4, 0u);
        for (size_t g = 0; g < seq.size(); g += 4) {
            EXPECT_EQ(seq[g] % 4, 0u);
            for (size_t j = 1; j < 4; ++j) {
                EXPECT_EQ(seq[g + j], seq[g] + j);
            }
        }
        total += seq.size();
    }
    EXPECT_EQ(total, 64u);
}

TEST_F(ThreadPoolFixture, ExceptionInTaskIsRethrownAndPendingReturnsToZero) {
    std::atomic<int> ran{0};
    EXPECT_THROW(pool.parallel_for(0, 100,
                                   [&](uint64_t i) {
                                       ran.fetch_add(1);
                                       if (i == 5) {
                                           throw std::runtime_error("bad cell");
                                       }
                                   }),
                 std::runtime_error);
    EXPECT_EQ(pool.pending(), 0u);
    // Chunk 0 holds indices 0..6 and stops at the throw; the other 15 chunks finish.
    EXPECT_EQ(ran.load(), 100 - 1);

    std::atomic<int> after{0};
    EXPECT_NO_THROW(pool.parallel_for(0, 50, [&](uint64_t) { after.fetch_add(1); }));
    EXPECT_EQ(after.load(), 50);
}

TEST_F(ThreadPoolFixture, ShutdownLeavesQueuedTasksUnrun) {
    block_all_workers();
    std::atomic<int> ran{0};
    for (int i = 0; i < 5; ++i) {
        pool.queue([&] { ran.fetch_add(1); });
    }
    std::thread opener([this] {
        while (pool.is_running()) {
            std::this_thread::yield();
        }
        release();
    });
    pool.shutdown();
    opener.join();
    EXPECT_EQ(pool.worker_count(), 0u);
    EXPECT_EQ(ran.load(), 0);
    EXPECT_EQ(pool.pending(), 5u);
}

TEST_F(ThreadPoolFixture, SpinModeCompletesLoops) {
    pool.set_spin(true);
    for (int round = 0; round < 20; ++round) {
        std::atomic<uint64_t> sum{0};
        pool.parallel_for(0, 200, [&](uint64_t i) { sum.fetch_add(i); });
        EXPECT_EQ(sum.load(), 199u * 200u / 2u);
        EXPECT_EQ(pool.pending(), 0u);
    }
    pool.set_spin(false);
    std::atomic<int> after{0};
    pool.parallel_for(0, 10, [&](uint64_t) { after.fetch_add(1); });
    EXPECT_EQ(after.load(), 10);
}

TEST_F(ThreadPoolFixture, ManyShortLoopsNeverLoseAWakeUp) {
    // Workers go back to sleep between loops; a lost notification would hang here.
    uint64_t total = 0;
    for (uint64_t round = 0; round < 2000; ++round) {
        std::atomic<uint64_t> count{0};
        pool.parallel_for(0, round % 40, [&](uint64_t) { count.fetch_add(1); });
        total += count.load();
        ASSERT_EQ(count.load(), round % 40);
    }
    EXPECT_EQ(total, 50u * (39u * 40u / 2u));
}

// Copies queued together each run once, whether the workers have gone to sleep or are still polling from the
// last task, and count as pending until they have run.
TEST_F(ThreadPoolFixture, QueuedCopiesEachRunOnce) {
    for (const bool asleep : {true, false, true}) {
        if (asleep) {
            // Well past the time a worker polls before it sleeps.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::atomic<uint64_t> ran{0};
        pool.queue_copies([&] { ran.fetch_add(1); }, 40);
        pool.wait_idle();
        EXPECT_EQ(ran.load(), 40u) << (asleep ? "asleep" : "polling");
    }
    block_all_workers();
    std::atomic<uint64_t> ran{0};
    pool.queue_copies([&] { ran.fetch_add(1); }, 5);
    pool.queue_copies([&] { ran.fetch_add(100); }, 0);
    EXPECT_EQ(pool.pending(), kWorkers + 5);
    release();
    pool.wait_idle();
    EXPECT_EQ(ran.load(), 5u);
    EXPECT_EQ(pool.pending(), 0u);
}

// Whether thread `tid` of this process sleeps (blocked in the kernel, as on a condition variable).
bool thread_sleeps(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t name_end = line.rfind(')');
    return name_end != std::string::npos && name_end + 2 < line.size() && line[name_end + 2] == 'S';
}

// A caller of parallel_for waits until every task of the pool has run: a task of its own loop, or one queued
// before it. The task cannot finish until the waiting caller has either gone to sleep in its wait or returned;
// a wait that returns early therefore always returns while the task is unfinished, whatever the timing.
TEST_F(ThreadPoolFixture, ParallelForWaitsUntilEveryTaskHasRun) {
    for (const bool own_loop : {true, false}) {
        SCOPED_TRACE(own_loop ? "a task of the caller's loop" : "a task queued before the loop");
        std::atomic<pid_t> waiter{0};
        std::atomic<bool> returned{false};
        std::atomic<bool> task_done{false};
        std::atomic<bool> returned_before_done{false};
        std::atomic<uint64_t> ran{0};
        const auto held_task = [&] {
            // Until the waiter sleeps for many looks in a row: a moment's wait for a lock is not its wait.
            for (int asleep = 0; asleep < 20;) {
                if (returned.load()) {
                    returned_before_done.store(true);
                    break;
                }
                const pid_t tid = waiter.load();
                asleep = tid != 0 && thread_sleeps(tid) ? asleep + 1 : 0;
                std::this_thread::yield();
            }
            task_done.store(true);
        };
        if (!own_loop) {
            pool.queue(held_task);
        }
        std::thread caller([&] {
            waiter.store(static_cast<pid_t>(syscall(SYS_gettid)));
            pool.parallel_for(0, 40, [&](uint64_t i) {
                if (own_loop && i == 17) {
                    held_task();
                }
                ran.fetch_add(1);
            });
            const bool done = task_done.load();
            returned.store(true);
            EXPECT_TRUE(done) << "parallel_for returned before every task had run";
        });
        caller.join();
        // Whatever the wait did, the tasks are done with this round's state before it goes.
        while (ran.load() < 40 || !task_done.load()) {
            std::this_thread::yield();
        }
        EXPECT_FALSE(returned_before_done.load());
    }
}

TEST(ThreadPoolInline, RunsEveryTaskOnTheCallerInOrder) {
    ThreadPool pool;
    pool.init(16, ThreadPool::kInline);
    EXPECT_EQ(pool.worker_count(), 0u);
    std::vector<uint64_t> order;
    const std::thread::id caller = std::this_thread::get_id();
    bool all_on_caller = true;
    pool.parallel_for(2, 9, [&](uint64_t i) {
        order.push_back(i);
        all_on_caller = all_on_caller && std::this_thread::get_id() == caller;
    });
    pool.queue([&] { order.push_back(100); });
    EXPECT_EQ(order, (std::vector<uint64_t>{2, 3, 4, 5, 6, 7, 8, 100}));
    EXPECT_TRUE(all_on_caller);
    EXPECT_EQ(pool.pending(), 0u);
}

TEST(ThreadPoolInline, QueuedCopiesRunOnTheCallerAsTheyAreQueued) {
    ThreadPool pool;
    pool.init(16, ThreadPool::kInline);
    const std::thread::id caller = std::this_thread::get_id();
    uint64_t ran = 0;
    pool.queue_copies(
        [&] {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            ran += 1;
        },
        3);
    EXPECT_EQ(ran, 3u);
    EXPECT_EQ(pool.pending(), 0u);
}

TEST(ThreadPoolNoWorkers, LoopsRunOnTheCallerInsteadOfHanging) {
    ThreadPool pool;
    pool.init(0, ThreadPool::kThreaded);
    std::vector<uint64_t> order;
    pool.parallel_for(0, 4, [&](uint64_t i) { order.push_back(i); });
    pool.queue([&] { order.push_back(9); });
    pool.wait_idle();
    EXPECT_EQ(order, (std::vector<uint64_t>{0, 1, 2, 3, 9}));
    EXPECT_EQ(pool.pending(), 0u);
}

TEST(ThreadPoolLifetime, DestructorDropsQueuedTasks) {
    std::atomic<int> ran{0};
    {
        ThreadPool pool;
        pool.init(0, ThreadPool::kThreaded);
        pool.queue([&] { ran.fetch_add(1); });
        EXPECT_EQ(pool.pending(), 1u);
    }
    EXPECT_EQ(ran.load(), 0);
}

} // namespace
