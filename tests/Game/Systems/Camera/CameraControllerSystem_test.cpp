#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "Engine/EntityPool.h"
#include "Engine/Graphics/Camera.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Systems/Camera/CameraControllerSystem.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;

struct CameraFixture {
    CameraFixture()
        : harness([](HarnessScene& scene) {
              register_game_entity_lists(scene.entity_pool());
              scene.register_system<CameraControllerSystem>(SystemGroup::Tick, scene);
          }) {
        camera().set_ortho(1.0f, 16.0f / 9.0f, 5.0f);
    }

    Camera& camera() { return harness.scene->camera(); }
    PlayerEntity& add_player(glm::vec2 position, glm::vec2 velocity, float speed) {
        PlayerEntity ship;
        ship.transform.position = position;
        ship.transform.scale = glm::vec2(2.0f);
        ship.body.center_of_mass = glm::vec2(0.25f, -0.5f); // (0.5, -1) from the position in the world
        ship.body.linear_velocity = velocity;
        ship.player.speed = speed;
        EntityList<PlayerEntity>& list = harness.scene->entity_pool().list<PlayerEntity>();
        return list.at(list.add(std::move(ship)));
    }

    SceneHarness harness;
};

TEST(CameraController, WithoutAPlayerTheCameraStays) {
    CameraFixture f;
    f.camera().position = glm::vec3(3.0f, 4.0f, 0.0f);
    f.camera().set_ortho(2.0f, 1.5f, 5.0f);
    const Camera before = f.camera();
    f.harness.tick(kDt);
    EXPECT_EQ(f.camera().position, before.position);
    EXPECT_EQ(f.camera().size, before.size);
    EXPECT_EQ(f.camera().view_projection, before.view_projection);
}

TEST(CameraController, SettlesOnAShipAtRestWithTheMinimumZoom) {
    CameraFixture f;
    f.add_player({3.0f, -2.0f}, {0.0f, 0.0f}, 5.0f);
    for (int i = 0; i < 600; ++i) {
        f.harness.tick(kDt);
    }
    const Camera& camera = f.camera();
    EXPECT_NEAR(camera.position.x, 3.5f, 1e-4f);
    EXPECT_NEAR(camera.position.y, -3.0f, 1e-4f);
    EXPECT_EQ(camera.position.z, 0.0f);
    EXPECT_NEAR(camera.size, 5.0f, 1e-4f);
    // The matrices follow: the view is centred on the ship and 10 units high.
    const AxisAlignedArea seen = camera.visible_area;
    EXPECT_NEAR((seen.min.x + seen.max.x) * 0.5f, 3.5f, 1e-3f);
    EXPECT_NEAR((seen.min.y + seen.max.y) * 0.5f, -3.0f, 1e-3f);
    EXPECT_NEAR(seen.max.y - seen.min.y, 10.0f, 1e-3f);
}

struct SnapCase {
    const char* name;
    float aspect;
    float zoom;
};

class CameraSnap : public testing::TestWithParam<SnapCase> {};

// Speed x dt = 1: the camera lands on the look-ahead point and the zoom in one tick.
TEST_P(CameraSnap, FastShipSnapsToItsLookAheadPoint) {
    const SnapCase& c = GetParam();
    CameraFixture f;
    f.camera().set_ortho(1.0f, c.aspect, 5.0f);
    f.add_player({1.0f, 1.0f}, {2.0f, -4.0f}, 60.0f);
    f.harness.tick(kDt);
    // Centre of mass (1.5, 0) plus the velocity x 1 x 1.5 ahead.
    EXPECT_FLOAT_EQ(f.camera().position.x, 4.5f);
    EXPECT_FLOAT_EQ(f.camera().position.y, -6.0f);
    EXPECT_FLOAT_EQ(f.camera().size, c.zoom);
    EXPECT_FLOAT_EQ(f.camera().aspect, c.aspect);
}

INSTANTIATE_TEST_SUITE_P(Cases, CameraSnap,
                         testing::Values(SnapCase{"Wide", 16.0f / 9.0f, 5.0f},
                                         // A view narrower than 1:5 keeps one unit across it.
                                         SnapCase{"Narrow", 0.1f, 10.0f}),
                         [](const testing::TestParamInfo<SnapCase>& info) { return std::string(info.param.name); });

TEST(CameraController, FollowsTheFirstPlayerOnly) {
    CameraFixture f;
    f.add_player({0.0f, 0.0f}, {0.0f, 0.0f}, 60.0f);
    f.add_player({50.0f, 50.0f}, {0.0f, 0.0f}, 60.0f);
    f.harness.tick(kDt);
    EXPECT_FLOAT_EQ(f.camera().position.x, 0.5f);
    EXPECT_FLOAT_EQ(f.camera().position.y, -1.0f);
}

} // namespace
