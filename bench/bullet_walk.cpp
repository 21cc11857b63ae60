// Bullets walking the cell grids of a field of large sprites: cells walked per second by the bullet
// move system against a plain DDA over the same grids, on the same segments, in the same run.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Systems/Projectile/BulletMoveSystem.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kBullets = 10000;
constexpr int32_t kSpritesPerSide = 4;
constexpr uint32_t kChunksPerSide = 8; // 256 x 256 cells, 8 world units
constexpr float kSpacing = 8.0f;
constexpr float kDt = 1.0f / 60.0f;
constexpr float kSpeed = 30.0f; // 16 cells a tick

// A lattice: every `spacing`-th row and column filled, so bullets meet cells but mostly walk open ones.
// Spacing 16 gives a hit about every ten cells walked; spacing 128 makes hits rare, so the walk dominates.
bool lattice(int32_t x, int32_t y, int32_t spacing) { return x % spacing == 0 || y % spacing == 0; }

class FieldScene final : public SceneBase {
public:
    SpriteChunkPool pool{32, 1024, 32};
    AxisAlignedAreaTree<EntityId> tree;
    BulletMoveSystem* bullets_system = nullptr;
    SpriteCreateTreeSystem* tree_system = nullptr;

    void on_start() override {
        EntityPool& p = entity_pool();
        p.add_list<RockEntity>("RockEntity", &RockEntity::transform, &RockEntity::body, &RockEntity::sprite,
                               &RockEntity::cores, &RockEntity::dirty, &RockEntity::marker);
        p.add_list<BulletEntity>("BulletEntity", &BulletEntity::trail);
        tree_system = &register_system<SpriteCreateTreeSystem>(SystemGroup::Tick, &tree);
        bullets_system = &register_system<BulletMoveSystem>(SystemGroup::Tick, *this, &tree);
    }
    void on_stop() override { entity_pool().clear(); }
    void on_tick(const SimulationTick&) override {}
    void on_start_rendering() override {}
    void on_stop_rendering() override {}
    void on_render(const SimulationTick&) override {}
    void on_editor_ui(const SimulationTick&) override {}
};

Sprite build_lattice(SpriteChunkPool& pool, int32_t spacing) {
    const SpriteGrid grid = SpriteGrid::from_chunks(32, {kChunksPerSide, kChunksPerSide});
    std::vector<SpriteChunk*> chunks;
    for (uint32_t c = 0; c < grid.chunk_count(); ++c) {
        SpriteChunk* chunk = pool.allocate_slot();
        const glm::ivec2 cp = grid.chunk_position(static_cast<int32_t>(c));
        chunk->index = static_cast<int32_t>(c);
        chunk->origin = cp * 32;
        for (int32_t i = 0; i < 1024; ++i) {
            if (lattice(chunk->origin.x + i % 32, chunk->origin.y + i / 32, spacing)) {
                chunk->flags[static_cast<size_t>(i)] = 1;
                chunk->colors[static_cast<size_t>(i)] = 0xFFFFFFFFu;
                chunk->active += 1;
            }
        }
        chunks.push_back(chunk);
    }
    return Sprite(pool, grid, chunks, true);
}

struct Field {
    explicit Field(int32_t spacing) : engine(config()), scene(std::make_shared<FieldScene>()) {
        scene->start(engine);
        EntityList<RockEntity>& rocks = scene->entity_pool().list<RockEntity>();
        for (int32_t j = 0; j < kSpritesPerSide; ++j) {
            for (int32_t i = 0; i < kSpritesPerSide; ++i) {
                RockEntity rock;
                rock.sprite = build_lattice(scene->pool, spacing);
                rock.transform.position = glm::vec2(static_cast<float>(i), static_cast<float>(j)) * kSpacing;
                rock.transform.scale = glm::vec2(static_cast<float>(kChunksPerSide) * 0.5f);
                rock.transform.angle = 0.1f * static_cast<float>(i + j);
                rock.body = PhysicsBody(rock.transform.position, rock.transform.angle);
                rocks.add(std::move(rock));
            }
        }
        random_seed(7);
        for (int32_t b = 0; b < kBullets; ++b) {
            starts.push_back({random_range(-3.0f, kSpacing * (kSpritesPerSide - 1) + 3.0f),
                              random_range(-3.0f, kSpacing * (kSpritesPerSide - 1) + 3.0f)});
            directions.push_back(random_on_circle(1.0f));
        }
        EntityList<BulletEntity>& bullets = scene->entity_pool().list<BulletEntity>();
        for (int32_t b = 0; b < kBullets; ++b) {
            BulletEntity bullet;
            bullet.life = 1.0e6f;
            bullet.hits_left = 1 << 30;
            bullet.hits_total = 1 << 30;
            bullets.add(std::move(bullet));
        }
        reset();
    }
    ~Field() { scene->stop(); }

    static EngineConfig config() {
        EngineConfig c;
        c.has_window = false;
        return c;
    }

    // Every bullet back at its start with a short trail; every removed cell back in place.
    void reset() {
        std::vector<BulletEntity>& bullets = scene->entity_pool().list<BulletEntity>().entities();
        for (size_t b = 0; b < bullets.size(); ++b) {
            bullets[b].position = starts[b];
            bullets[b].velocity = directions[b] * kSpeed;
            bullets[b].dying = 0;
        }
        for (RockEntity& rock : scene->entity_pool().list<RockEntity>().entities()) {
            rock.sprite.restore_removed_cells();
        }
        engine.event_bus().dispatch();
    }

    Engine engine;
    std::shared_ptr<FieldScene> scene;
    std::vector<glm::vec2> starts;
    std::vector<glm::vec2> directions;
};

void BM_BulletMoveSystem(benchmark::State& state) {
    Field field(static_cast<int32_t>(state.range(0)));
    SimulationTick tick;
    tick.delta_time = kDt;
    tick.run_simulation_tick = 1;
    field.scene->tree_system->update(tick);
    const uint64_t before = field.scene->bullets_system->cells_walked();
    for (auto _ : state) {
        field.scene->bullets_system->update(tick);
        state.PauseTiming();
        field.reset();
        state.ResumeTiming();
    }
    const double cells = static_cast<double>(field.scene->bullets_system->cells_walked() - before);
    state.counters["cells_per_second"] = benchmark::Counter(cells, benchmark::Counter::kIsRate);
    state.counters["cells_per_tick"] = cells / static_cast<double>(state.iterations());
}

// The same segments through the same tree over the same sprites: a bare DDA that reads each cell's
// flags straight from the sprite's chunks, with no hits, events or trails.
void BM_PlainDda(benchmark::State& state) {
    Field field(static_cast<int32_t>(state.range(0)));
    SimulationTick tick;
    tick.delta_time = kDt;
    field.scene->tree_system->update(tick);
    EntityList<RockEntity>& rocks = field.scene->entity_pool().list<RockEntity>();

    std::vector<int32_t> candidates;
    uint64_t cells = 0;
    uint64_t occupied = 0;
    for (auto _ : state) {
        for (size_t b = 0; b < field.starts.size(); ++b) {
            const glm::vec2 from = field.starts[b];
            const glm::vec2 to = from + field.directions[b] * kSpeed * kDt;
            candidates.clear();
            field.scene->tree.query(AxisAlignedArea::from_corners(from, to), candidates);
            for (const int32_t value : candidates) {
                const RockEntity& rock = rocks.at(field.scene->tree.payload(value));
                const SpriteGrid& grid = rock.sprite.grid();
                const ChunkTable& table = rock.sprite.chunk_table();
                const glm::vec2 a = grid.local_to_cell(rock.transform.to_local(from));
                const glm::vec2 e = grid.local_to_cell(rock.transform.to_local(to));
                const glm::vec2 d = e - a;
                const float length = std::sqrt(d.x * d.x + d.y * d.y);
                const glm::vec2 dir = length > 0.0f ? d / length : d;
                int32_t x = static_cast<int32_t>(std::floor(a.x));
                int32_t y = static_cast<int32_t>(std::floor(a.y));
                const int32_t sx = dir.x > 0.0f ? 1 : -1;
                const int32_t sy = dir.y > 0.0f ? 1 : -1;
                const float dx = dir.x != 0.0f ? std::abs(1.0f / dir.x) : INFINITY;
                const float dy = dir.y != 0.0f ? std::abs(1.0f / dir.y) : INFINITY;
                float tx =
                    dir.x != 0.0f
                        ? (dir.x > 0.0f ? (static_cast<float>(x) + 1.0f - a.x) : (a.x - static_cast<float>(x))) * dx
                        : INFINITY;
                float ty =
                    dir.y != 0.0f
                        ? (dir.y > 0.0f ? (static_cast<float>(y) + 1.0f - a.y) : (a.y - static_cast<float>(y))) * dy
                        : INFINITY;
                float t = 0.0f;
                while (t <= length) {
                    ++cells;
                    if (grid.contains_cell(x, y)) {
                        const ChunkCell at = grid.to_chunk_cell(x, y);
                        if (const SpriteChunk* chunk = table.find(at.chunk)) {
                            occupied += chunk->flags[static_cast<size_t>(at.cell)] & 0x1F;
                        }
                    }
                    if (ty <= tx) {
                        t = ty;
                        ty += dy;
                        y += sy;
                    } else {
                        t = tx;
                        tx += dx;
                        x += sx;
                    }
                }
            }
        }
    }
    benchmark::DoNotOptimize(occupied);
    state.counters["cells_per_second"] = benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsRate);
    state.counters["cells_per_tick"] = static_cast<double>(cells) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_BulletMoveSystem)->Arg(16)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainDda)->Arg(16)->Arg(128)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return sprite_bench::run(argc, argv,
                             {{"dense field: move system / plain DDA, cells per second", "BM_BulletMoveSystem/16",
                               "BM_PlainDda/16", ">= 0.5", "cells_per_second"},
                              {"sparse field: move system / plain DDA, cells per second", "BM_BulletMoveSystem/128",
                               "BM_PlainDda/128", ">= 0.5", "cells_per_second"}});
}
