#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"
#include "Game/Weapons/WeaponProps.h"
#include "SceneFrame.h"
#include "Support/GlContext.h"
#include "Support/SceneHarness.h"

using namespace test_support;
using scene_frame::kSize;
using scene_frame::SceneFrame;

namespace {

TEST(GameSceneFrame, PlayerAndRockAppearWhereTheCameraPutsThemAndBittenCellsGo) {
    SceneFrame f;
    f.tick();
    const Pixels start = f.frame();
    const uint32_t background = SceneFrame::pixel_at(start, {4.9f, 4.9f});

    // The player's cell nearest its centre, and the ring's cells to the right of the hollow.
    const Sprite& ship = f.player().sprite;
    const glm::ivec2 ship_center(static_cast<int32_t>(ship.grid().cells_x / 2),
                                 static_cast<int32_t>(ship.grid().cells_y / 2));
    glm::ivec2 ship_cell(-1);
    for (int32_t r = 0; r < 8 && ship_cell.x < 0; ++r) {
        for (int32_t dy = -r; dy <= r && ship_cell.x < 0; ++dy) {
            for (int32_t dx = -r; dx <= r && ship_cell.x < 0; ++dx) {
                if (SceneFrame::active(ship, ship_center.x + dx, ship_center.y + dy)) {
                    ship_cell = ship_center + glm::ivec2(dx, dy);
                }
            }
        }
    }
    ASSERT_GE(ship_cell.x, 0);
    EXPECT_NE(SceneFrame::pixel_at(start, SceneFrame::cell_world(f.player().transform, ship, ship_cell.x, ship_cell.y)),
              background)
        << "the ship is drawn at the origin";

    const Sprite& ring = f.rock().sprite;
    const int32_t row = static_cast<int32_t>(ring.grid().cells_y / 2);
    int32_t first = -1;
    for (int32_t x = static_cast<int32_t>(ring.grid().cells_x / 2); x < static_cast<int32_t>(ring.grid().cells_x);
         ++x) {
        if (SceneFrame::active(ring, x, row)) {
            first = x;
            break;
        }
    }
    ASSERT_GE(first, 0);
    for (int32_t k = 0; k < 9; ++k) {
        EXPECT_NE(SceneFrame::pixel_at(start, SceneFrame::cell_world(f.rock().transform, ring, first + k, row)),
                  background)
            << "ring cell " << k;
    }
    // Between the ship and the ring lies the hollow.
    EXPECT_EQ(SceneFrame::pixel_at(start, SceneFrame::cell_world(f.rock().transform, ring, first - 3, row)),
              background);

    // A straight shot from the ship along +x: its eight hits bite into the ring at that row.
    WeaponShot shot;
    shot.props = WeaponProps::default_cannon().bullet;
    shot.props.curve_strength = 0.0f;
    shot.props.fork_chance = 0.0f;
    shot.position = f.rock().transform.to_world(
        ring.grid().cell_to_local(glm::vec2(static_cast<float>(first) - 4.0f, static_cast<float>(row) + 0.5f)));
    shot.direction = {1.0f, 0.0f};
    EntityListView players;
    f.scene->entity_pool().list<PlayerEntity>().view_all(players);
    shot.owner = players.id(0);
    f.scene->factory().create_bullet(shot);
    EntityList<BulletEntity>& bullets = f.scene->entity_pool().list<BulletEntity>();
    for (int32_t i = 0; i < 20 && (bullets.size() == 0 || bullets.entities()[0].dying == 0); ++i) {
        f.tick();
    }
    ASSERT_EQ(bullets.size(), 1u);
    ASSERT_EQ(bullets.entities()[0].hits_left, 0);
    // Its trail, drawn over the bitten cells, is drawn in before the bullet goes.
    for (int32_t i = 0; i < 120 && bullets.size() > 0; ++i) {
        f.tick();
    }
    ASSERT_EQ(bullets.size(), 0u);

    // The chips and sparks of the hits fly off and fade.
    f.engine.renderer().advance_time(11.0f);
    const Pixels after = f.frame();
    for (int32_t k = 0; k < shot.props.hits; ++k) {
        EXPECT_FALSE(SceneFrame::active(f.rock().sprite, first + k, row));
        EXPECT_EQ(
            SceneFrame::pixel_at(after, SceneFrame::cell_world(f.rock().transform, f.rock().sprite, first + k, row)),
            background)
            << "bitten cell " << k << " is no longer drawn";
    }
    EXPECT_NE(SceneFrame::pixel_at(
                  after, SceneFrame::cell_world(f.rock().transform, f.rock().sprite, first + shot.props.hits, row)),
              background)
        << "the cell after the last bite stays";
}

TEST(GameSceneFrame, TheSkyLiesBehindTheSprites) {
    // The sky is scattered from the global generator when the scene starts: a known seed gives a known sky
    // (some skies leave the view at the origin nearly clear of smoke), whatever ran before.
    random_seed(5489u);
    SceneFrame f;
    f.tick();
    const Pixels plain = f.frame();
    const uint32_t background = SceneFrame::pixel_at(plain, {4.9f, 4.9f});
    f.scene->transition_system(SpaceBackgroundRenderSystem::kName, SystemGroup::Render);
    const Pixels sky = f.frame();

    size_t sky_pixels = 0;
    size_t sprite_pixels = 0;
    size_t sprite_pixels_kept = 0;
    for (size_t i = 0; i < plain.rgba.size(); ++i) {
        if (plain.rgba[i] == background) {
            sky_pixels += sky.rgba[i] != background ? 1 : 0;
        } else {
            ++sprite_pixels;
            sprite_pixels_kept += sky.rgba[i] == plain.rgba[i] ? 1 : 0;
        }
    }
    // The smoke alone covers much of the view; the ship and the ring are drawn over it.
    EXPECT_GT(sky_pixels, plain.rgba.size() / 10);
    ASSERT_GT(sprite_pixels, 1000u);
    EXPECT_GE(sprite_pixels_kept * 100, sprite_pixels * 99);
}

} // namespace
