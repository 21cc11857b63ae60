// Sprite collision of a pile of rocks: the whole step (pairs, facing chunks, swept boundary cells, contact
// rows) on the 16-worker pool against the same step with the pool running every task on the caller.

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/ThreadPool.h"
#include "sprite_ratio.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct Rock {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
};

// A round 2 x 2-chunk rock (a disc of radius 30 cells), so its outline holds both kinds of boundary cells.
SpriteAsset rock_asset() {
    SpriteAsset asset;
    asset.metadata.name = "bench_rock";
    asset.chunkCount = {2, 2};
    asset.cellCount = {64, 64};
    for (int32_t cy = 0; cy < 2; ++cy) {
        for (int32_t cx = 0; cx < 2; ++cx) {
            SpriteChunkData d;
            d.index = cy * 2 + cx;
            d.gridPixelOffset = {cx * kSpriteChunkSize, cy * kSpriteChunkSize};
            for (int32_t i = 0; i < kSpriteChunkCells; ++i) {
                const float x = static_cast<float>(cx * kSpriteChunkSize + i % kSpriteChunkSize) + 0.5f - 32.0f;
                const float y = static_cast<float>(cy * kSpriteChunkSize + i / kSpriteChunkSize) + 0.5f - 32.0f;
                if (x * x + y * y <= 30.0f * 30.0f) {
                    d.mask[static_cast<size_t>(i)] = 1;
                    d.color[static_cast<size_t>(i)] = 0xFF808080u;
                    d.activePixelCount += 1;
                }
            }
            asset.activePixelCount += d.activePixelCount;
            asset.groups[1].activeCount += d.activePixelCount;
            asset.chunks.push_back(d);
        }
    }
    asset.groups[1].root_grid_index_position = {32, 32};
    return asset;
}

// Rocks of 2 x 2 chunks (two units wide) in rows, each pressed a few cells into its neighbours and moving
// about, as in a pile after an explosion.
class Pile {
public:
    explicit Pile(int32_t count) {
        std::mt19937 gen(77u);
        std::uniform_real_distribution<float> jitter(-0.05f, 0.05f);
        std::uniform_real_distribution<float> speed(-2.0f, 2.0f);
        const auto per_row = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<float>(count))));
        for (int32_t i = 0; i < count; ++i) {
            auto rock = std::make_unique<Rock>();
            rock->sprite = Sprite(m_chunks, asset(), false);
            const glm::vec2 p(static_cast<float>(i % per_row) * 1.9f + jitter(gen),
                              static_cast<float>(i / per_row) * 1.9f + jitter(gen));
            rock->transform.position = p;
            rock->transform.scale = {1.0f, 1.0f};
            rock->body = PhysicsBody(p, 0.0f);
            rock->body.linear_velocity = {speed(gen), speed(gen)};
            rock->body.angular_velocity = speed(gen) * 0.5f;
            m_start.push_back({p, 0.0f});
            m_rocks.push_back(std::move(rock));
        }
    }

    // The step moves the bodies of the earliest impact: put them back so every run does the same work.
    void reset() {
        for (size_t i = 0; i < m_rocks.size(); ++i) {
            m_rocks[i]->body.position = m_start[i].position;
            m_rocks[i]->body.angle = m_start[i].angle;
        }
    }

    void step(ThreadPool& pool, ConstraintList& rows) {
        m_proxies.clear();
        for (auto& r : m_rocks) {
            m_proxies.push_back(make_sprite_physics_proxy(r->transform, r->body, r->sprite, kDt));
        }
        sprite_physics_step(pool, rows, m_proxies, kDt, m_storage);
    }

private:
    struct Pose {
        glm::vec2 position;
        float angle;
    };

    static const SpriteAsset& asset() {
        static const SpriteAsset a = rock_asset();
        return a;
    }

    SpriteChunkPool m_chunks{32, 1024, 32};
    std::vector<std::unique_ptr<Rock>> m_rocks;
    std::vector<Pose> m_start;
    std::vector<SpritePhysicsProxy> m_proxies;
    SpriteStepStorage m_storage;
};

void run_pile(benchmark::State& state, ThreadPool& pool) {
    Pile pile(static_cast<int32_t>(state.range(0)));
    ConstraintList rows;
    size_t contacts = 0;
    for (auto _ : state) {
        pile.reset();
        rows.clear();
        pile.step(pool, rows);
        contacts = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["contact_rows"] = static_cast<double>(contacts);
}

void BM_CollisionPool(benchmark::State& state) {
    ThreadPool pool;
    pool.init(16, ThreadPool::kThreaded);
    run_pile(state, pool);
    pool.shutdown();
}

// The same tasks, each run on the calling thread as it is queued.
void BM_CollisionOneThread(benchmark::State& state) {
    ThreadPool pool;
    pool.init(0, ThreadPool::kInline);
    run_pile(state, pool);
}

BENCHMARK(BM_CollisionPool)->Arg(64)->Arg(256)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CollisionOneThread)->Arg(64)->Arg(256)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return sprite_bench::run(argc, argv,
                             {{"pile of 64 rocks: one thread / 16-worker pool", "BM_CollisionOneThread/64/real_time",
                               "BM_CollisionPool/64/real_time", "> 1 on a multi-core machine", ""},
                              {"pile of 256 rocks: one thread / 16-worker pool", "BM_CollisionOneThread/256/real_time",
                               "BM_CollisionPool/256/real_time", "> 1 on a multi-core machine", ""},
                              {"pile of 500 rocks: one thread / 16-worker pool", "BM_CollisionOneThread/500/real_time",
                               "BM_CollisionPool/500/real_time", ">= 5 on 8 cores", ""},
                              {"pile of 500 rocks on the 16-worker pool, per fixed step",
                               "BM_CollisionPool/500/real_time", "", "<= 2 ms on 8 cores", ""}});
}
