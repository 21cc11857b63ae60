#include <atomic>
#include <chrono>
#include <cstdint>
#include <latch>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/ParallelLoop.h"
#include "Engine/ThreadPool.h"

namespace {

// Occupies every worker of the pool until release(), so that tasks queued meanwhile wait.
class BlockedWorkers {
public:
    explicit BlockedWorkers(ThreadPool& pool) : m_started(static_cast<std::ptrdiff_t>(pool.worker_count())) {
        for (size_t i = 0; i < pool.worker_count(); ++i) {
            pool.queue([this] {
                m_started.count_down();
                m_gate.wait();
            });
        }
        m_started.wait();
    }
    void release() { m_gate.count_down(); }

private:
    std::latch m_started;
    std::latch m_gate{1};
};

class ParallelCollectOrder : public testing::TestWithParam<uint64_t> {};

// Item i gives i % 3 entries, so blocks are uneven; the first block is held back, so it finishes last. The
// joined list is still every item's entries in item order.
TEST_P(ParallelCollectOrder, JoinsTheBlocksInItemOrderWhateverFinishesFirst) {
    ThreadPool pool;
    pool.init(GetParam(), ThreadPool::kThreaded);
    constexpr uint64_t kItems = 500;
    for (int round = 0; round < 3; ++round) {
        const std::vector<uint64_t> got = parallel_collect<uint64_t>(
            pool, kItems, [](uint64_t lo, uint64_t hi, std::vector<uint64_t>& out, uint32_t) {
                if (lo == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                for (uint64_t i = lo; i < hi; ++i) {
                    for (uint64_t c = 0; c < i % 3; ++c) {
                        out.push_back(i * 10 + c);
                    }
                }
            });
        std::vector<uint64_t> expected;
        for (uint64_t i = 0; i < kItems; ++i) {
            for (uint64_t c = 0; c < i % 3; ++c) {
                expected.push_back(i * 10 + c);
            }
        }
        EXPECT_EQ(got, expected) << GetParam() << " workers, round " << round;
    }
    pool.shutdown();
}

INSTANTIATE_TEST_SUITE_P(Workers, ParallelCollectOrder, testing::Values(1u, 2u, 7u, 16u),
                         [](const testing::TestParamInfo<uint64_t>& info) {
                             return "on" + std::to_string(info.param);
                         });

// Every job runs once, worker indices stay below the loop's thread count, and one index is one thread at a
// time: per-worker storage needs no lock.
TEST(ThreadedLoop, WorkerIndicesAreBelowTheThreadCountAndNeverShared) {
    ThreadPool pool;
    pool.init(16, ThreadPool::kThreaded);
    {
        ThreadedLoop loop(pool, 64);
        EXPECT_GE(loop.threads(), 1u);
        EXPECT_LE(loop.threads(), loop_threads(pool));
        std::vector<std::atomic<int>> ran(64);
        std::vector<std::atomic<int>> busy(loop.threads());
        std::atomic<int> shared_index{0};
        std::atomic<int> out_of_range{0};
        loop.run(64, [&](uint64_t k, uint32_t worker) {
            if (worker >= busy.size()) {
                out_of_range.fetch_add(1);
                return;
            }
            if (busy[worker].fetch_add(1) != 0) {
                shared_index.fetch_add(1);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            ran[k].fetch_add(1);
            busy[worker].fetch_sub(1);
        });
        EXPECT_EQ(out_of_range.load(), 0);
        EXPECT_EQ(shared_index.load(), 0);
        for (uint64_t k = 0; k < ran.size(); ++k) {
            EXPECT_EQ(ran[k].load(), 1) << "job " << k;
        }
    }
    pool.shutdown();
}

// A job that throws does not stop the others; the run rethrows, and the loop's next run works.
TEST(ThreadedLoop, AJobThatThrowsIsRethrownAfterTheOthersRan) {
    ThreadPool pool;
    pool.init(16, ThreadPool::kThreaded);
    {
        ThreadedLoop loop(pool, 100);
        std::vector<std::atomic<int>> ran(100);
        EXPECT_THROW(loop.run(100,
                              [&](uint64_t k, uint32_t) {
                                  ran[k].fetch_add(1);
                                  if (k == 7) {
                                      throw std::runtime_error("bad job");
                                  }
                              }),
                     std::runtime_error);
        for (uint64_t k = 0; k < ran.size(); ++k) {
            EXPECT_EQ(ran[k].load(), 1) << "job " << k;
        }
        std::atomic<int> after{0};
        EXPECT_NO_THROW(loop.run(30, [&](uint64_t, uint32_t) { after.fetch_add(1); }));
        EXPECT_EQ(after.load(), 30);
    }
    pool.wait_idle();
    EXPECT_EQ(pool.pending(), 0u);
    pool.shutdown();
}

TEST(InlineLoop, RunsEveryJobOnTheCallerInOrderAndRethrowsTheFirstError) {
    InlineLoop loop;
    EXPECT_EQ(loop.threads(), 1u);
    std::vector<uint64_t> order;
    const std::thread::id caller = std::this_thread::get_id();
    try {
        loop.run(5, [&](uint64_t k, uint32_t worker) {
            EXPECT_EQ(worker, 0u);
            EXPECT_EQ(std::this_thread::get_id(), caller);
            order.push_back(k);
            if (k == 1 || k == 3) {
                throw std::runtime_error(k == 1 ? "first" : "second");
            }
        });
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "first");
    }
    EXPECT_EQ(order, (std::vector<uint64_t>{0, 1, 2, 3, 4}));
}

// Runs past the loop's limit take no helpers: they run whole on the caller, and still run every job once.
TEST(ThreadedLoop, RunsBeyondTheLimitRunOnTheCaller) {
    ThreadPool pool;
    pool.init(16, ThreadPool::kThreaded);
    const std::thread::id caller = std::this_thread::get_id();
    {
        ThreadedLoop loop(pool, 40);
        for (uint32_t run = 0; run < ThreadedLoop::kMaxRuns + 3; ++run) {
            std::vector<std::atomic<int>> ran(40);
            std::atomic<int> off_caller{0};
            loop.run(40, [&](uint64_t k, uint32_t worker) {
                if (worker != 0 || std::this_thread::get_id() != caller) {
                    off_caller.fetch_add(1);
                }
                ran[k].fetch_add(1);
            });
            for (uint64_t k = 0; k < ran.size(); ++k) {
                EXPECT_EQ(ran[k].load(), 1) << "run " << run << " job " << k;
            }
            if (run >= ThreadedLoop::kMaxRuns) {
                EXPECT_EQ(off_caller.load(), 0) << "run " << run;
            }
        }
    }
    pool.shutdown();
}

// Helpers held up until the run is over (and until the loop is gone) find nothing left: no job runs twice,
// the caller's finished job is never called again, and the pool goes idle.
TEST(ThreadedLoop, HelpersThatWakeAfterTheRunFindNothingToDo) {
    ThreadPool pool;
    pool.init(4, ThreadPool::kThreaded);
    std::atomic<int> calls{0};
    {
        BlockedWorkers blocked(pool);
        {
            ThreadedLoop loop(pool, 16);
            EXPECT_EQ(pool.pending(), 4u + (loop.threads() - 1));
            std::vector<int> ran(16, 0);
            // Only the caller can take jobs: plain ints need no atomics.
            loop.run(16, [&](uint64_t k, uint32_t worker) {
                EXPECT_EQ(worker, 0u);
                ran[k] += 1;
                calls.fetch_add(1);
            });
            EXPECT_EQ(ran, std::vector<int>(16, 1));
        }
        blocked.release();
        pool.wait_idle();
    }
    EXPECT_EQ(calls.load(), 16);
    EXPECT_EQ(pool.pending(), 0u);

    // Helpers that wake after the first run join the second.
    {
        BlockedWorkers blocked(pool);
        ThreadedLoop loop(pool, 16);
        std::atomic<int> first{0};
        loop.run(16, [&](uint64_t, uint32_t) { first.fetch_add(1); });
        blocked.release();
        std::set<uint32_t> workers;
        std::mutex m;
        std::vector<std::atomic<int>> ran(64);
        loop.run(64, [&](uint64_t k, uint32_t worker) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            ran[k].fetch_add(1);
            const std::lock_guard<std::mutex> guard(m);
            workers.insert(worker);
        });
        EXPECT_EQ(first.load(), 16);
        for (uint64_t k = 0; k < ran.size(); ++k) {
            EXPECT_EQ(ran[k].load(), 1) << "job " << k;
        }
        if (loop.threads() > 1) {
            EXPECT_GT(workers.size(), 1u) << "no helper joined the second run";
        }
    }
    pool.wait_idle();
    EXPECT_EQ(pool.pending(), 0u);
    pool.shutdown();
}

TEST(PoolLoop, IsInlineOnAnInlinePoolAndThreadedOnAStartedOne) {
    ThreadPool inline_pool;
    inline_pool.init(16, ThreadPool::kInline);
    PoolLoop a(inline_pool, 100);
    EXPECT_NE(dynamic_cast<InlineLoop*>(&a.loop()), nullptr);

    ThreadPool pool;
    pool.init(16, ThreadPool::kThreaded);
    {
        PoolLoop b(pool, 100);
        const bool threaded = dynamic_cast<ThreadedLoop*>(&b.loop()) != nullptr;
        EXPECT_EQ(threaded, loop_threads(pool) > 1);
        // A loop of one job has nobody to share it with.
        PoolLoop c(pool, 1);
        EXPECT_NE(dynamic_cast<InlineLoop*>(&c.loop()), nullptr);
    }
    pool.shutdown();
}

} // namespace
