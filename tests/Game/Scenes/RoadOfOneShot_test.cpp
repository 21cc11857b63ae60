#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"
#include "Game/Weapons/WeaponProps.h"
#include "GameSceneFixture.h"

using namespace test_support;

namespace {

struct CellRef {
    int32_t x;
    int32_t y;
    bool operator<(const CellRef& o) const { return x != o.x ? x < o.x : y < o.y; }
};

// The "hello" rock of the real assets at the origin, as the scene's start makes it.
struct HelloRock : GameSceneFixture {
    HelloRock() {
        RockRequest request;
        request.sprite = scene->assets().get_id_by_name<SpriteAsset>("hello");
        scene->factory().create_rock(request);
        scene->entity_pool().flush();
        EntityListView all;
        rocks().view_all(all);
        id = all.id(0);
        tick(); // the rock's first commit: its edges and mass
    }

    EntityList<RockEntity>& rocks() { return scene->entity_pool().list<RockEntity>(); }
    RockEntity& rock() { return rocks().at(id); }

    CellRef cell_of(glm::vec2 local) const {
        const SpriteGrid& grid = const_cast<HelloRock*>(this)->rock().sprite.grid();
        const glm::vec2 c = grid.local_to_cell(local);
        return {static_cast<int32_t>(c.x), static_cast<int32_t>(c.y)};
    }
    bool active(CellRef c) {
        const Sprite& sprite = rock().sprite;
        const ChunkCell at = sprite.grid().to_chunk_cell(c.x, c.y);
        return sprite.is_cell_active(at.chunk, at.cell);
    }

    EntityId id;
};

// Fires one bullet through the factory from the hollow of the ring along +x and ticks until every bullet
// is spent. Returns the hit events.
std::vector<BulletHitCellEvent> fire(HelloRock& f, const BulletProps& props,
                                     EventRecorder<SpawnCellParticleEvent>& commits, bool& hit_tick_committed) {
    EventRecorder<BulletHitCellEvent> hits(f.engine.event_bus());
    WeaponShot shot;
    shot.props = props;
    shot.position = glm::vec2(0.0f);
    shot.direction = glm::vec2(1.0f, 0.0f);
    f.scene->factory().create_bullet(shot);
    EntityList<BulletEntity>& bullets = f.scene->entity_pool().list<BulletEntity>();
    hit_tick_committed = false;
    for (int32_t i = 0; i < 120; ++i) {
        const size_t hits_before = hits.events.size();
        commits.events.clear();
        f.tick();
        if (hits.events.size() > hits_before) {
            // The hits set the dirty flag; the commit later in the same tick cleared it.
            EXPECT_EQ(f.rock().dirty.dirty, 0);
            for (const SpawnCellParticleEvent& e : commits.events) {
                hit_tick_committed = hit_tick_committed || e.entity == f.id;
            }
        }
        bool all_dying = bullets.pending_create_count() == 0;
        for (const BulletEntity& b : bullets.entities()) {
            all_dying = all_dying && b.dying == 1;
        }
        if (all_dying && bullets.size() > 0) {
            break;
        }
    }
    return hits.events;
}

TEST(RoadOfOneShot, StraightBulletRemovesItsHitsAlongItsPath) {
    HelloRock f;
    const int32_t before = f.rock().sprite.active_cell_count();
    // The first active cell along the shot: the row through the centre, from the hollow outwards.
    const CellRef center = f.cell_of(glm::vec2(0.0f));
    CellRef first{-1, center.y};
    for (int32_t x = center.x; x < static_cast<int32_t>(f.rock().sprite.grid().cells_x); ++x) {
        if (f.active({x, center.y})) {
            first.x = x;
            break;
        }
    }
    ASSERT_GE(first.x, 0) << "the ring lies to the right of its hollow";
    for (int32_t k = 0; k < 8; ++k) {
        ASSERT_TRUE(f.active({first.x + k, center.y})) << "the ring is at least 8 cells thick there";
    }

    BulletProps props = WeaponProps::default_cannon().bullet;
    props.curve_strength = 0.0f;
    props.fork_chance = 0.0f;
    EventRecorder<SpawnCellParticleEvent> commits(f.engine.event_bus());
    bool committed = false;
    const std::vector<BulletHitCellEvent> hits = fire(f, props, commits, committed);

    ASSERT_EQ(hits.size(), static_cast<size_t>(props.hits));
    EXPECT_TRUE(committed) << "the tick of the hits committed the rock";
    for (size_t i = 0; i < hits.size(); ++i) {
        const BulletHitCellEvent& e = hits[i];
        EXPECT_EQ(e.entity, f.id);
        EXPECT_EQ(e.first_hit, i == 0 ? 1 : 0);
        const CellRef c = f.cell_of(e.local_position);
        EXPECT_EQ(c.x, first.x + static_cast<int32_t>(i));
        EXPECT_EQ(c.y, center.y);
        EXPECT_FALSE(f.active(c));
        const Sprite& sprite = f.rock().sprite;
        const ChunkCell at = sprite.grid().to_chunk_cell(c.x, c.y);
        EXPECT_EQ(e.cell_color, sprite.get_cell(at.chunk, at.cell).color);
        EXPECT_EQ(e.cell_flags, sprite.get_cell(at.chunk, at.cell).flags);
        EXPECT_NE(e.cell_flags & 0x20, 0);
    }
    EXPECT_TRUE(f.active({first.x + props.hits, center.y})) << "nothing beyond the last hit";
    EXPECT_EQ(f.rock().sprite.active_cell_count(), before - props.hits);
    EXPECT_FLOAT_EQ(f.rock().body.inverse_mass, 1024.0f / static_cast<float>(before - props.hits));
}

TEST(RoadOfOneShot, CannonBulletAndItsForksRemoveOneCellPerEvent) {
    HelloRock f;
    const int32_t before = f.rock().sprite.active_cell_count();
    // Every debris cell of the rock, over the whole run (the helper clears its own list per tick).
    struct DebrisCount {
        EntityId rock;
        size_t cells = 0;
        void handle(const SpawnCellParticleEvent& e) {
            if (e.entity == rock) {
                cells += e.cells.size();
            }
        }
    } debris{f.id};
    f.engine.event_bus().subscribe<SpawnCellParticleEvent>(&debris);
    EventRecorder<SpawnCellParticleEvent> commits(f.engine.event_bus());
    bool committed = false;
    const std::vector<BulletHitCellEvent> hits = fire(f, WeaponProps::default_cannon().bullet, commits, committed);
    f.tick(); // pieces that broke off enter their list
    f.engine.event_bus().unsubscribe_all(&debris);

    ASSERT_GE(hits.size(), 8u);
    std::set<CellRef> removed;
    for (const BulletHitCellEvent& e : hits) {
        const CellRef c = f.cell_of(e.local_position);
        EXPECT_FALSE(f.active(c));
        removed.insert(c);
    }
    EXPECT_EQ(removed.size(), hits.size()) << "no cell is reported twice";
    // Each cell left the rock as debris: a hit flies off as a chip of its own, a small part that broke off as
    // its cells; or it left with a new rock.
    int32_t broke_off = 0;
    for (const RockEntity& rock : f.rocks().entities()) {
        if (&rock != &f.rock()) {
            broke_off += rock.sprite.active_cell_count();
        }
    }
    EXPECT_EQ(f.rock().sprite.active_cell_count() + broke_off + static_cast<int32_t>(debris.cells), before);
}

TEST(RoadOfOneShot, CutThatDetachesAnArcYieldsARockWithThoseCells) {
    HelloRock f;
    Sprite& sprite = f.rock().sprite;
    const SpriteGrid grid = sprite.grid();
    const int32_t cx = static_cast<int32_t>(grid.cells_x) / 2;
    const int32_t cy = static_cast<int32_t>(grid.cells_y) / 2;
    // Two cuts through the ring, up from the centre and right from it, free its upper right quarter.
    std::set<uint32_t> arc_colors;
    int32_t arc = 0;
    for (int32_t y = 0; y < static_cast<int32_t>(grid.cells_y); ++y) {
        for (int32_t x = 0; x < static_cast<int32_t>(grid.cells_x); ++x) {
            const ChunkCell at = grid.to_chunk_cell(x, y);
            if (!sprite.is_cell_active(at.chunk, at.cell)) {
                continue;
            }
            const bool cut = (x >= cx && x < cx + 2 && y >= cy) || (y >= cy && y < cy + 2 && x >= cx);
            if (cut) {
                sprite.remove_cell(at.chunk, at.cell);
            } else if (x >= cx + 2 && y >= cy + 2) {
                ++arc;
                arc_colors.insert(sprite.get_cell(at.chunk, at.cell).color);
            }
        }
    }
    ASSERT_GT(arc, 20) << "the quarter is large enough to become a rock";
    const int32_t rest = sprite.active_cell_count() - arc;
    f.rock().dirty.dirty = 1;
    f.tick();
    f.tick(); // the new rock enters its list at this flush

    ASSERT_EQ(f.rocks().size(), 2u);
    EXPECT_EQ(f.rock().sprite.active_cell_count(), rest);
    for (const RockEntity& rock : f.rocks().entities()) {
        if (&rock == &f.rock()) {
            continue;
        }
        EXPECT_EQ(rock.sprite.active_cell_count(), arc);
        std::vector<DebrisCell> cells;
        rock.sprite.active_cells(cells);
        std::set<uint32_t> colors;
        for (const DebrisCell& c : cells) {
            colors.insert(c.color);
        }
        EXPECT_EQ(colors, arc_colors);
        // The quarter sits up and to the right of the old rock's centre.
        EXPECT_GT(rock.transform.position.x, 0.0f);
        EXPECT_GT(rock.transform.position.y, 0.0f);
    }
}

} // namespace
