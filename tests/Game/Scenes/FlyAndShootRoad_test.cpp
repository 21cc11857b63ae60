#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"
#include "Game/Weapons/WeaponProps.h"
#include "GameSceneFixture.h"
#include "Support/InputEvents.h"

using namespace test_support;

namespace {

int32_t rock_cells(EntityPool& pool) {
    int32_t n = 0;
    for (const RockEntity& rock : pool.list<RockEntity>().entities()) {
        n += rock.sprite.active_cell_count();
    }
    return n;
}

// The start-up world without a window: the ship in the hollow of "hello". D and the left button are held for
// two seconds with the mouse to the right of the ship, every tick a fixed one.
TEST(FlyAndShootRoad, HoldingDAndFireFliesRightAndShootsHolesIntoHello) {
    GameSceneFixture f;
    f.scene->factory().create_player({0.0f, 0.0f});
    RockRequest hello;
    hello.sprite = f.scene->assets().get_id_by_name<SpriteAsset>("hello");
    f.scene->factory().create_rock(hello);
    f.tick(1.0f / 60.0f, true);
    EntityPool& pool = f.scene->entity_pool();
    const int32_t cells_at_start = rock_cells(pool);
    ASSERT_GT(cells_at_start, 0);
    const glm::vec2 start = pool.list<PlayerEntity>().entities().at(0).body.position;

    EventRecorder<BulletHitCellEvent> hits(f.engine.event_bus());
    std::set<std::pair<int32_t, uint32_t>> seen;
    int32_t bullets = 0;
    glm::vec2 previous_muzzle(0.0f);
    const int32_t cannon_hits = WeaponProps::default_cannon().bullet.hits;
    for (uint32_t i = 0; i < 120; ++i) {
        if (i == 0) {
            input_frame(f.engine.input(), f.engine.input_axes(), i + 2,
                        {mouse_motion_event(390, 200, 0, 0), key_event(SDL_SCANCODE_D, true),
                         mouse_button_event(SDL_BUTTON_LEFT, true, 390, 200)});
        } else {
            input_frame(f.engine.input(), f.engine.input_axes(), i + 2, {});
        }
        f.scene->update_input_schemes();
        ASSERT_TRUE(f.scene->player_input().shoot);
        const PlayerEntity& ship = pool.list<PlayerEntity>().entities().at(0);
        const glm::vec2 muzzle = ship.transform.to_world(ship.body.center_of_mass);
        ASSERT_GT(f.scene->player_input().aim.x, muzzle.x) << "the mouse is right of the ship";

        f.tick(1.0f / 60.0f, true);
        // A shot fired in one tick joins its list at the next; its trail starts where it left the ship.
        EntityListView view;
        pool.list<BulletEntity>().view_all(view);
        for (size_t b = 0; b < view.count(); ++b) {
            const EntityId id = view.id(b);
            if (!seen.insert({id.index, id.generation}).second) {
                continue;
            }
            const auto& bullet = *reinterpret_cast<const BulletEntity*>(view.entity(b));
            // Forks of a shot that hit start at the hit with half its hits.
            if (bullet.hits_total != cannon_hits) {
                continue;
            }
            ++bullets;
            ASSERT_FALSE(bullet.trail.points().empty());
            EXPECT_LT(glm::length(bullet.trail.points().front().position - previous_muzzle), 0.05f);
            // Its first step (a move, or the first cell it hit) goes right, toward the mouse; a shot spent in
            // its first step stays where it was.
            const auto& points = bullet.trail.points();
            const glm::vec2 step = (points.size() >= 2 ? points[1].position : bullet.position) - points[0].position;
            if (!bullet.dying) {
                EXPECT_GT(step.x, 0.0f);
            }
        }
        previous_muzzle = muzzle;
    }

    const PlayerEntity& ship = pool.list<PlayerEntity>().entities().at(0);
    EXPECT_GT(ship.body.position.x, start.x + 0.2f) << "D flies the ship along +x";
    EXPECT_GE(bullets, 3) << "one shot every 0.4 s";
    EXPECT_FALSE(hits.events.empty());
    EXPECT_LT(rock_cells(pool), cells_at_start) << "the shots knocked cells out of the rock";
}

} // namespace
