// Mass properties of whole sprites, as the factory and the commit copy them into bodies.

#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/CellMoments.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Support/SpriteFixtures.h"

namespace {

constexpr uint16_t kFilled = 1;

class MassProperties_ : public ::testing::Test {
protected:
    SpriteChunkPool pool{32, 1024, 32};
};

// One chunk of 32 x 32 cells, each 1/32 of a world unit wide (the sprite's scale is half its chunk counts) and
// 1/1024 heavy: a plate of side 1 and mass 1, so I = m (a^2 + a^2) / 12 = 1/6 about its centre, the grid centre.
// The contact levers are world lengths; the grid's own units (side 1/2, I = 1/24) would turn it four times too much.
TEST_F(MassProperties_, FilledSquare) {
    const Sprite sprite(pool, test_support::make_rect_asset(32, 32, 0, 0, 32, 32, kFilled), false);
    const MassProperties m = sprite.cell_moments();
    EXPECT_FLOAT_EQ(m.mass, 1.0f);
    EXPECT_NEAR(m.center_of_mass.x, 0.0f, 1e-6f);
    EXPECT_NEAR(m.center_of_mass.y, 0.0f, 1e-6f);
    EXPECT_NEAR(m.inertia, 1.0f / 6.0f, 1e-6f);
    EXPECT_NEAR(m.inverse_inertia, 6.0f, 1e-4f);
    EXPECT_FLOAT_EQ(m.inverse_mass, 1.0f);
}

// Three of the four chunks of a 2 x 2 grid: unit blocks centred at (0.5, 0.5), (1.5, 0.5), (0.5, 1.5) world units
// from the grid corner. Centre (5/6, 5/6), i.e. local -1/6 on both axes. Inertia: 3 x 1/6 for the blocks plus
// 1 x (2/9 + 5/9 + 5/9) = 4/3 for their offsets, 11/6 in all.
TEST_F(MassProperties_, LShape) {
    const SpriteAsset asset = test_support::make_asset_from(
        64, 64, [](int32_t x, int32_t y) -> uint16_t { return x < 32 || y < 32 ? kFilled : 0; });
    const Sprite sprite(pool, asset, false);
    const MassProperties m = sprite.cell_moments();
    EXPECT_FLOAT_EQ(m.mass, 3.0f);
    EXPECT_NEAR(m.center_of_mass.x, -1.0f / 6.0f, 1e-6f);
    EXPECT_NEAR(m.center_of_mass.y, -1.0f / 6.0f, 1e-6f);
    EXPECT_NEAR(m.inertia, 11.0f / 6.0f, 1e-5f);

    // The running sums kept by the sprite agree with a fresh walk over its cells.
    EXPECT_EQ(sprite.moments(), sprite_moments_of(sprite.grid(), sprite));

    // Copied into a body, the terms give the body's mass and inertia back.
    PhysicsBody body;
    body.center_of_mass = m.center_of_mass;
    body.set_mass_inertia(m.mass, m.inertia);
    EXPECT_FLOAT_EQ(body.get_mass(), 3.0f);
    EXPECT_NEAR(body.get_inertia(), 11.0f / 6.0f, 1e-5f);
}

TEST_F(MassProperties_, SingleCornerCellHasOnlyItsOwnInertia) {
    const Sprite sprite(pool, test_support::make_rect_asset(64, 64, 0, 0, 1, 1, kFilled), false);
    const MassProperties m = sprite.cell_moments();
    EXPECT_FLOAT_EQ(m.mass, 1.0f / 1024.0f);
    // m s^2 / 6 with s = 1/32.
    EXPECT_FLOAT_EQ(m.inertia, 1.0f / 6291456.0f);
    EXPECT_FLOAT_EQ(m.center_of_mass.x, -1.0f + 1.0f / 64.0f);
    EXPECT_FLOAT_EQ(m.center_of_mass.y, -1.0f + 1.0f / 64.0f);
}

// No live cells: all-zero terms, and a body given them stays finite (it becomes immovable).
TEST_F(MassProperties_, EmptySpriteGivesZeroTermsAndAFiniteBody) {
    Sprite sprite(pool, test_support::make_rect_asset(32, 32, 0, 0, 2, 1, kFilled), false);
    sprite.remove_cell(0, 0);
    sprite.remove_cell(0, 1);
    ASSERT_EQ(sprite.active_cell_count(), 0);
    const MassProperties m = sprite.cell_moments();
    EXPECT_EQ(m.mass, 0.0f);
    EXPECT_EQ(m.inertia, 0.0f);
    EXPECT_EQ(m.inverse_mass, 0.0f);
    EXPECT_EQ(m.center_of_mass, glm::vec2(0.0f));

    PhysicsBody body;
    body.set_mass_inertia(m.mass, m.inertia);
    body.apply_impulse_at({1.0f, 0.0f}, {0.5f, 0.5f});
    EXPECT_EQ(body.linear_velocity, glm::vec2(0.0f));
    EXPECT_EQ(body.angular_velocity, 0.0f);
}

} // namespace
