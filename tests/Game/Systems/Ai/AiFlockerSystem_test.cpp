#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "AiFixture.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Vector.h"
#include "Game/Components/AiComponents.h"
#include "Game/Systems/Ai/AiDriverSystem.h"
#include "Game/Systems/Ai/AiFighterSystem.h"
#include "Game/Systems/Ai/AiFlockerSystem.h"
#include "Support/SpriteBuilder.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;

bool finite(glm::vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

struct DriverCase {
    const char* name;
    glm::vec2 velocity;
    float desired_heading;
    float desired_speed;
    glm::vec2 expected;
};

class AiDriverStep : public testing::TestWithParam<DriverCase> {};

TEST_P(AiDriverStep, TurnsAndAcceleratesWithinItsLimits) {
    const DriverCase& c = GetParam();
    AiDriver driver; // max speed 4, accel 4, turn 0.4
    driver.desired_heading = c.desired_heading;
    driver.desired_speed = c.desired_speed;
    const glm::vec2 v = drive_velocity(c.velocity, driver, kDt);
    EXPECT_NEAR(v.x, c.expected.x, 1e-5f);
    EXPECT_NEAR(v.y, c.expected.y, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AiDriverStep,
    testing::Values(
        // At rest it snaps to the heading and speeds up by accel x h.
        DriverCase{"rest_snaps", {0.0f, 0.0f}, 1.0f, 4.0f, glm::vec2(std::cos(1.0f), std::sin(1.0f)) * (4.0f * kDt)},
        // Facing away: alignment 0, so it brakes by accel x h while turning by at most max speed / speed x turn x h.
        DriverCase{"away_brakes",
                   {2.0f, 0.0f},
                   kPi,
                   4.0f,
                   glm::vec2(std::cos(-2.0f * 0.4f * kDt), std::sin(-2.0f * 0.4f * kDt)) * (2.0f - 4.0f * kDt)},
        // Already on the heading at full speed: nothing changes.
        DriverCase{"cruising", {0.0f, 4.0f}, kPi / 2.0f, 4.0f, {0.0f, 4.0f}}),
    [](const testing::TestParamInfo<DriverCase>& info) { return std::string(info.param.name); });

struct FlockFixture : AiFixture {
    FlockFixture()
        : AiFixture([](test_support::HarnessScene& scene, AiFixture& f) {
              scene.register_system<AiFlockerSystem>(SystemGroup::Tick, &f.tree);
              scene.register_system<AiFighterSystem>(SystemGroup::Tick);
              scene.register_system<AiDriverSystem>(SystemGroup::Fixed);
          }) {}
};

TEST(AiFlockerSystem, NewFlockerDrawsATargetAtOnceNearThePlayer) {
    FlockFixture f;
    const EntityId id = f.enemy(EnemyKindFighter, {8.0f, 8.0f});
    FighterEntity& fighter = f.list<FighterEntity>().at(id);
    ASSERT_FALSE(fighter.flocker.target.has_value());
    f.tick(kDt);
    ASSERT_TRUE(fighter.flocker.target.has_value());
    const glm::vec2 t = *fighter.flocker.target; // the player is the default record at the origin
    const float ring = std::max(std::fabs(t.x), std::fabs(t.y));
    EXPECT_GE(ring, 3.0f);
    EXPECT_LE(ring, 7.0f);
    EXPECT_EQ(fighter.driver.desired_speed, fighter.driver.max_speed); // at rest, far from the target
}

TEST(AiFlockerSystem, CoincidentFlockersStayFinite) {
    FlockFixture f;
    const EntityId a = f.enemy(EnemyKindFighter, {5.0f, 5.0f});
    const EntityId b = f.enemy(EnemyKindFighter, {5.0f, 5.0f});
    for (int i = 0; i < 60; ++i) {
        f.tick(kDt, true);
        for (EntityId id : {a, b}) {
            const FighterEntity& e = f.list<FighterEntity>().at(id);
            ASSERT_TRUE(finite(e.body.linear_velocity));
            ASSERT_TRUE(finite(e.flocker.escape_vector));
            ASSERT_TRUE(std::isfinite(e.driver.desired_heading));
        }
    }
}

TEST(AiFlockerSystem, TargetInsideATurningCircleCommandsAStop) {
    FlockFixture f;
    const EntityId id = f.enemy(EnemyKindFighter, {20.0f, 0.0f});
    FighterEntity& e = f.list<FighterEntity>().at(id);
    const glm::vec2 p = e.transform.to_world(e.body.center_of_mass);
    // Moving along +x at 2: turning radius 2 / sqrt(0.4) ~ 3.16, the left circle centred 3.16 above p. A target
    // 3.5 above p lies inside it (and farther than 3, so it is kept).
    e.body.linear_velocity = {2.0f, 0.0f};
    e.flocker.target = p + glm::vec2(0.0f, 3.5f);
    f.tick(kDt);
    EXPECT_EQ(e.driver.desired_speed, 0.0f);
    e.flocker.target = p + glm::vec2(3.5f, 0.0f); // straight ahead, beyond the stopping distance
    e.body.linear_velocity = {2.0f, 0.0f};
    f.tick(kDt);
    EXPECT_EQ(e.driver.desired_speed, e.driver.max_speed);
}

glm::vec2 center_of(const FighterEntity& e) { return e.transform.to_world(e.body.center_of_mass); }

// Two resting flockers side by side, both heading for targets far above them: the one on the left is pushed
// away from its neighbour, (p - q) / d x (2 / d^2 - 0.5) shared among the n leaves its query square holds, so its
// heading leans left of straight up; beyond 2 apart nothing pushes.
class AiFlockerSeparation : public testing::TestWithParam<float> {};

TEST_P(AiFlockerSeparation, PushesAwayFromANeighbourWithinTwo) {
    const float apart = GetParam();
    FlockFixture f;
    const EntityId a = f.enemy(EnemyKindFighter, {20.0f, 0.0f});
    const EntityId b = f.enemy(EnemyKindFighter, {20.0f + apart, 0.0f});
    FighterEntity& left = f.list<FighterEntity>().at(a);
    FighterEntity& right = f.list<FighterEntity>().at(b);
    const glm::vec2 p = center_of(left);
    const glm::vec2 q = center_of(right);
    left.flocker.target = p + glm::vec2(0.0f, 10.0f);
    right.flocker.target = q + glm::vec2(0.0f, 10.0f);
    f.tick(kDt);

    std::vector<int32_t> leaves;
    f.tree.query(AxisAlignedArea::around_point(p, 2.828427f), leaves);
    ASSERT_GE(leaves.size(), apart <= 2.0f ? 2u : 1u);
    const float d = glm::length(p - q);
    const glm::vec2 push =
        d <= 2.0f ? (p - q) / d * (2.0f / (d * d) - 0.5f) / static_cast<float>(leaves.size()) : glm::vec2(0.0f);
    const glm::vec2 steer = glm::vec2(0.0f, 10.0f) + push;
    EXPECT_NEAR(left.driver.desired_heading, std::atan2(steer.y, steer.x), 1e-4f);
    if (apart <= 2.0f) {
        EXPECT_GT(left.driver.desired_heading, kPi / 2.0f + 1e-3f) << "leans away from the neighbour on its right";
    }
}

INSTANTIATE_TEST_SUITE_P(Distances, AiFlockerSeparation, testing::Values(1.0f, 1.8f, 2.5f));

// A flocker flying at a rock sees it with its ray ahead (along its heading turned by a small random wander) and
// kicks itself away: avoid = -wander x k with k = min((look / dist - 1) x 10, 1), dist to the centre of the
// first cell hit, and the escape vector takes it and starts fading at once, times 1 - 10 dt.
class AiFlockerAvoidance : public testing::TestWithParam<float> {};

TEST_P(AiFlockerAvoidance, KicksAwayFromARockAhead) {
    const float face = GetParam(); // distance from the flocker to the rock's near side
    FlockFixture f;
    const EntityId id = f.enemy(EnemyKindFighter, {20.0f, 0.0f});
    FighterEntity& e = f.list<FighterEntity>().at(id);
    const glm::vec2 p = center_of(e);
    const float speed = e.driver.max_speed;
    e.body.linear_velocity = {speed, 0.0f};
    e.flocker.target = p + glm::vec2(30.0f, 0.0f);
    // A rock one unit square (32 x 32 cells), its near side `face` ahead.
    RockEntity rock;
    rock.sprite = test_support::build_sprite(f.chunks, {1, 1}, test_support::filled_box({0, 0}, {31, 31}));
    rock.transform.position = p + glm::vec2(face + 0.5f, 0.0f);
    rock.transform.scale = glm::vec2(0.5f);
    rock.body = PhysicsBody(rock.transform.position, 0.0f);
    f.list<RockEntity>().add(std::move(rock));
    f.tick(kDt);

    const float look = speed * speed / (2.0f * e.driver.max_accel) + 0.5f;
    const glm::vec2 escape = e.flocker.escape_vector;
    if (face >= look) {
        EXPECT_EQ(escape, glm::vec2(0.0f)) << "nothing within the look-ahead";
        return;
    }
    // The wander: opposite the kick, within pi / (speed^2 + 4) of the heading.
    const glm::vec2 wander = -escape / glm::length(escape);
    ASSERT_GT(wander.x, std::cos(kPi / (speed * speed + 4.0f)) - 1e-4f) << "the kick points away from the rock";
    // The first cell on the ray: column 0 of the rock, in the row the ray enters at.
    const float entry_y = face * wander.y / wander.x;
    const float row = std::floor((entry_y + 0.5f) * 32.0f);
    const glm::vec2 cell(p.x + face + 0.5f / 32.0f, p.y + (row + 0.5f) / 32.0f - 0.5f);
    const float k = std::min((look / glm::length(cell - p) - 1.0f) * 10.0f, 1.0f);
    EXPECT_NEAR(glm::length(escape), k * (1.0f - 10.0f * kDt), 1e-4f);
}

// Near enough for the full kick, far enough for part of it, and beyond the look-ahead of 2.5.
INSTANTIATE_TEST_SUITE_P(Faces, AiFlockerAvoidance, testing::Values(1.2f, 2.35f, 2.7f));

struct RangeCase {
    float distance;
    uint8_t triggered;
};

class AiFighterRange : public testing::TestWithParam<RangeCase> {};

TEST_P(AiFighterRange, FiresOnlyWhileThePlayerIsStrictlyCloserThanTen) {
    FlockFixture f;
    const EntityId id = f.enemy(EnemyKindFighter, {0.0f, 0.0f});
    FighterEntity& e = f.list<FighterEntity>().at(id);
    // Centre of mass exactly at (distance, 0); the default player record sits at the origin.
    e.body.center_of_mass = glm::vec2(0.0f);
    e.transform.position = {GetParam().distance, 0.0f};
    e.flocker.target = glm::vec2(100.0f, 100.0f);
    f.tick(kDt);
    EXPECT_EQ(e.weapon.triggered, GetParam().triggered);
    EXPECT_EQ(e.weapon.aim_dir, glm::vec2(-GetParam().distance, 0.0f));
    EXPECT_EQ(e.weapon.holder_pos, glm::vec2(GetParam().distance, 0.0f));
}

INSTANTIATE_TEST_SUITE_P(Distances, AiFighterRange,
                         testing::Values(RangeCase{9.99f, 1}, RangeCase{10.0f, 0}, RangeCase{10.01f, 0}));

// The AI draws its intents into the tick buffer under the name "Ai", and nothing while that name is off.
TEST(AiFlockerSystem, IntentsAreDrawnUnderTheAiNameOnlyWhenItIsOn) {
    FlockFixture f;
    f.enemy(EnemyKindFighter, {4.0f, 0.0f});
    const auto ai_lines = [] {
        size_t n = 0;
        for (const DebugLine& line : debug_lines_tick().lines()) {
            n += line.name == DebugName::Ai ? 1 : 0;
        }
        return n;
    };
    debug_renderer_settings = DebugRendererSettings::defaults();
    f.tick(kDt);
    EXPECT_EQ(ai_lines(), 0u);
    debug_renderer_settings.names[DebugName::Ai].enabled = 1;
    f.tick(kDt);
    // At least the fighter's range circle, the flocker's steering arrow and its line to the goal.
    EXPECT_GE(ai_lines(), 6u + 3u + 1u);
    debug_renderer_settings = DebugRendererSettings::defaults();
}

} // namespace
