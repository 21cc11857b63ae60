#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "Engine/EntityPool.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Input/PlayerInputScheme.h"
#include "Game/Systems/Player/PlayerMoveSystem.h"
#include "Game/Systems/Player/PlayerShootSystem.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

struct PlayerFixture {
    PlayerFixture()
        : harness([this](HarnessScene& scene) {
              register_game_entity_lists(scene.entity_pool());
              scene.register_system<PlayerMoveSystem>(SystemGroup::Tick, scene, &input);
              scene.register_system<PlayerShootSystem>(SystemGroup::Tick, scene, &input);
          }) {}

    EntityList<PlayerEntity>& players() { return harness.scene->entity_pool().list<PlayerEntity>(); }
    PlayerEntity& add_player(PlayerEntity player = {}) { return players().at(players().add(std::move(player))); }

    PlayerInputScheme input{nullptr};
    SceneHarness harness;
};

struct MoveCase {
    const char* name;
    float acceleration;
    bool cloud;
    glm::vec2 start_velocity;
    glm::vec2 movement;
    glm::vec2 expected;
};

class PlayerMove : public testing::TestWithParam<MoveCase> {};

TEST_P(PlayerMove, VelocityEasesTowardsMovementTimesSpeed) {
    const MoveCase& c = GetParam();
    PlayerFixture f;
    PlayerEntity& player = f.add_player();
    player.player.speed = 5.0f;
    player.player.cloud_speed = 8.0f;
    player.player.acceleration = c.acceleration;
    player.player.is_cloud = c.cloud ? 1 : 0;
    player.body.linear_velocity = c.start_velocity;
    player.body.angle = 1.0f;
    f.input.movement = c.movement;

    f.harness.tick(1.0f / 60.0f);

    EXPECT_FLOAT_EQ(player.body.linear_velocity.x, c.expected.x);
    EXPECT_FLOAT_EQ(player.body.linear_velocity.y, c.expected.y);
    EXPECT_EQ(player.body.angle, 0.0f) << "the ship never turns";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayerMove,
    testing::Values(
        // Acceleration x dt = 1: the wanted velocity in one tick.
        MoveCase{"ReachesSpeedInOneTick", 60.0f, false, {0.0f, 0.0f}, {1.0f, 0.0f}, {5.0f, 0.0f}},
        // Acceleration x dt = 3 is clamped to 1: no overshoot.
        MoveCase{"ClampedFactorDoesNotOvershoot", 180.0f, false, {-2.0f, 1.0f}, {0.0f, -1.0f}, {0.0f, -5.0f}},
        // Acceleration x dt = 1/4.
        MoveCase{"QuarterStep", 15.0f, false, {0.0f, 0.0f}, {1.0f, 0.0f}, {1.25f, 0.0f}},
        MoveCase{"GlidesToRestAtTheSameRate", 15.0f, false, {4.0f, -2.0f}, {0.0f, 0.0f}, {3.0f, -1.5f}},
        MoveCase{"CloudMovesWithCloudSpeed", 60.0f, true, {0.0f, 0.0f}, {0.0f, 1.0f}, {0.0f, 8.0f}}),
    [](const testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

struct AimCase {
    const char* name;
    bool keyboard_aim;
    glm::vec2 aim_keyboard;
    glm::vec2 expected;
};

class PlayerAim : public testing::TestWithParam<AimCase> {};

TEST_P(PlayerAim, WeaponGetsTriggerHolderAndAim) {
    const AimCase& c = GetParam();
    PlayerFixture f;
    PlayerEntity ship;
    ship.transform.position = glm::vec2(1.0f, 2.0f);
    ship.transform.scale = glm::vec2(2.0f);
    ship.body.center_of_mass = glm::vec2(0.5f, 0.0f); // (2, 2) in the world
    ship.body.linear_velocity = glm::vec2(3.0f, -1.0f);
    PlayerEntity& player = f.add_player(std::move(ship));
    f.input.aim = glm::vec2(5.0f, 6.0f); // the mouse in the world
    f.input.keyboard_aim = c.keyboard_aim;
    f.input.aim_keyboard = c.aim_keyboard;
    f.input.shoot = true;

    f.harness.tick();

    const Weapon& weapon = player.weapon;
    EXPECT_EQ(weapon.triggered, 1);
    EXPECT_FLOAT_EQ(weapon.holder_pos.x, 2.0f);
    EXPECT_FLOAT_EQ(weapon.holder_pos.y, 2.0f);
    // The ship moved first in the tick; the weapon sees its velocity as the move system left it.
    EXPECT_EQ(weapon.holder_vel, player.body.linear_velocity);
    EXPECT_FLOAT_EQ(weapon.aim_dir.x, c.expected.x);
    EXPECT_FLOAT_EQ(weapon.aim_dir.y, c.expected.y);

    f.input.shoot = false;
    f.harness.tick();
    EXPECT_EQ(weapon.triggered, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlayerAim,
                         testing::Values(AimCase{"MouseAimFromTheCentreOfMass", false, {0.0f, 0.0f}, {3.0f, 4.0f}},
                                         AimCase{"KeyboardAimWins", true, {-1.0f, 0.0f}, {-1.0f, 0.0f}},
                                         AimCase{"UnsetFlagIgnoresTheKeys", false, {0.0f, 1.0f}, {3.0f, 4.0f}}),
                         [](const testing::TestParamInfo<AimCase>& info) { return std::string(info.param.name); });

TEST(PlayerShoot, SpentWeaponIsRearmedWithTheCannonOnce) {
    PlayerFixture f;
    PlayerEntity ship;
    ship.weapon = Weapon(WeaponProps::ai_fighter_laser());
    ship.weapon.ammo = 0;
    ship.weapon.fire_timer = 0.5f;
    ship.weapon.reload_timer = 1.0f;
    PlayerEntity& player = f.add_player(std::move(ship));
    f.input.shoot = true;
    f.input.aim = glm::vec2(1.0f, 0.0f);

    f.harness.tick();

    const Weapon& weapon = player.weapon;
    EXPECT_EQ(weapon.props.weapon_number, 0u) << "the default cannon";
    EXPECT_EQ(weapon.ammo, -1);
    EXPECT_EQ(weapon.fire_timer, 0.0f);
    EXPECT_EQ(weapon.reload_timer, 0.0f);
    // What was written before the re-arm stays.
    EXPECT_EQ(weapon.triggered, 1);
    EXPECT_EQ(weapon.aim_dir, glm::vec2(1.0f, 0.0f));

    // Below zero is not spent: a laser with ammunition -3 keeps its preset.
    player.weapon = Weapon(WeaponProps::ai_fighter_laser());
    player.weapon.ammo = -3;
    f.harness.tick();
    EXPECT_EQ(player.weapon.props.weapon_number, 1u);
    EXPECT_EQ(player.weapon.ammo, -3);
}

} // namespace
