#include <gtest/gtest.h>

#include <cmath>

#include "Engine/Graphics/Color.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"
#include "Game/Weapons/WeaponEffects.h"
#include "Game/Weapons/WeaponProps.h"
#include "SceneFrame.h"

using namespace test_support;
using scene_frame::kSize;
using scene_frame::SceneFrame;

namespace {

uint32_t brightness(uint32_t rgba) { return (rgba & 0xFFu) + ((rgba >> 8) & 0xFFu) + ((rgba >> 16) & 0xFFu); }

// Pixels within `radius` of a world point that got clearly brighter than in `before`, leaving out the band of
// the bullet's trail (|y - line_y| below `band`), so that only the effects count.
int32_t lit_pixels(const Pixels& now, const Pixels& before, glm::vec2 center, float radius, float line_y, float band) {
    int32_t count = 0;
    const float unit = static_cast<float>(kSize) / 10.0f;
    for (uint32_t y = 0; y < kSize; ++y) {
        for (uint32_t x = 0; x < kSize; ++x) {
            const glm::vec2 world((static_cast<float>(x) + 0.5f) / unit - 5.0f,
                                  (static_cast<float>(y) + 0.5f) / unit - 5.0f);
            if (glm::distance(world, center) > radius || std::abs(world.y - line_y) < band) {
                continue;
            }
            count += brightness(now.at(x, y)) > brightness(before.at(x, y)) + 48 ? 1 : 0;
        }
    }
    return count;
}

// One cannon shot from open space into the outer left edge of "hello": its muzzle flash lights pixels around the
// muzzle, and the cells it knocks out throw chips and sparks around the hit, through the scene's own handlers.
TEST(ShotEffects, OneShotIntoHelloLightsTheMuzzleAndTheHit) {
    SceneFrame f;
    f.tick();
    const Pixels before = f.frame();

    const Sprite& ring = f.rock().sprite;
    const int32_t row = static_cast<int32_t>(ring.grid().cells_y / 2);
    int32_t edge = -1;
    for (int32_t x = 0; x < static_cast<int32_t>(ring.grid().cells_x) && edge < 0; ++x) {
        edge = SceneFrame::active(ring, x, row) ? x : -1;
    }
    ASSERT_GE(edge, 0);
    const glm::vec2 edge_world = SceneFrame::cell_world(f.rock().transform, ring, edge, row);
    // 2.5 units out: farther than any muzzle spark or smoke flies, and than any hit spark flies back.
    WeaponShot shot;
    shot.props = WeaponProps::default_cannon().bullet;
    shot.props.curve_strength = 0.0f;
    shot.props.fork_chance = 0.0f;
    shot.position = edge_world - glm::vec2(2.5f, 0.0f);
    shot.direction = {1.0f, 0.0f};
    ASSERT_GT(shot.position.x, -4.7f) << "the muzzle is in view";

    EventRecorder<BulletHitCellEvent> hits(f.engine.event_bus());
    cannon_shot_effect(f.engine.event_bus(), shot);
    f.scene->factory().create_bullet(shot);
    f.tick();
    f.frame();
    f.tick();
    const Pixels flash = f.frame();
    ASSERT_TRUE(hits.events.empty()) << "the bullet is still on its way";
    const float band = 0.04f;
    EXPECT_GE(lit_pixels(flash, before, shot.position, 0.4f, shot.position.y, band), 10) << "muzzle";

    for (int32_t i = 0; i < 30 && hits.events.empty(); ++i) {
        f.tick();
        f.frame();
    }
    ASSERT_FALSE(hits.events.empty());
    const glm::vec2 hit = hits.events.front().world_position;
    EXPECT_LT(glm::distance(hit, edge_world), 0.1f);
    f.tick();
    f.frame();
    f.tick();
    const Pixels sparks = f.frame();
    EXPECT_GE(lit_pixels(sparks, before, hit, 0.4f, shot.position.y, band), 10) << "hit";
}

} // namespace
