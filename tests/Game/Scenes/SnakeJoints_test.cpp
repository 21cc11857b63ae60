// The game scene's fixed-tick joints and snake heads: heads wait, circle and dive; ropes hold the segments
// together; a joint that lost a body leaves the map, its partner's links and its partner's cores.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/JointMap.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"
#include "GameSceneFixture.h"

using test_support::log_messages;
using test_support::StdoutCapture;

namespace {

constexpr float kDt = 1.0f / 60.0f;

size_t count_lines(const std::string& capture, const std::string& line) {
    const std::vector<std::string> lines = log_messages(capture);
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// "Load some snakes": the player at the origin and two snakes.
struct SnakeScene : GameSceneFixture {
    SnakeScene() {
        GameScene& s = *scene;
        s.factory().create_player(glm::vec2(0.0f));
        const MultiSpriteAsset& snake = s.assets().get_by_name<MultiSpriteAsset>("snake");
        s.factory().create_multi_sprite(glm::vec2(0.0f, -3.0f), snake);
        s.factory().create_multi_sprite(glm::vec2(3.0f, 3.0f), snake);
        s.entity_pool().flush();
    }
    SnakeHeadEntity& head(size_t i = 0) { return scene->entity_pool().list<SnakeHeadEntity>().entities()[i]; }
    void fixed() { tick(kDt, true); }
};

TEST(SnakeHead, WaitsFiveSecondsThenCircles) {
    SnakeScene f;
    ASSERT_EQ(f.scene->entity_pool().list<SnakeHeadEntity>().size(), 2u);
    StdoutCapture capture;
    for (int i = 0; i < 295; ++i) {
        f.fixed();
    }
    EXPECT_EQ(f.head().head.state, SnakeHeadStateWait);
    for (int i = 0; i < 10; ++i) {
        f.fixed();
    }
    EXPECT_EQ(f.head().head.state, SnakeHeadStateCircle);
    EXPECT_EQ(f.head().head.state_duration, 20.0f);
    EXPECT_EQ(count_lines(capture.finish(), "State is circle"), 2u); // one per head
}

struct DiveCase {
    float offset;
    uint32_t state_after;
    size_t circle_lines;
};

class SnakeDive : public testing::TestWithParam<DiveCase> {};

TEST_P(SnakeDive, EndsAtOnceWithinTwoOfItsTarget) {
    SnakeScene f;
    AiSnakeHead& s = f.head().head;
    s.state = SnakeHeadStateDive;
    s.state_duration = 8.0f;
    s.state_timer = 0.0f;
    s.dive_target = f.head().transform.position + glm::vec2(GetParam().offset, 0.0f);
    StdoutCapture capture;
    f.fixed();
    EXPECT_EQ(f.head().head.state, GetParam().state_after);
    EXPECT_EQ(count_lines(capture.finish(), "State is circle"), GetParam().circle_lines);
}

INSTANTIATE_TEST_SUITE_P(Offsets, SnakeDive,
                         testing::Values(DiveCase{1.9f, SnakeHeadStateCircle, 1},
                                         DiveCase{2.5f, SnakeHeadStateDive, 0}));

TEST(SnakeHead, CircleEndsInADiveToTheFarSide) {
    SnakeScene f;
    AiSnakeHead& s = f.head().head;
    s.state = SnakeHeadStateCircle;
    s.state_duration = 20.0f;
    s.state_timer = 20.0f - 0.5f * kDt;
    StdoutCapture capture;
    f.fixed();
    EXPECT_EQ(count_lines(capture.finish(), "State is dive"), 1u);
    EXPECT_EQ(f.head().head.state, SnakeHeadStateDive);
    EXPECT_EQ(f.head().head.state_duration, 8.0f);
    // On the circle of radius 20 around the player at the origin.
    EXPECT_NEAR(glm::length(f.head().head.dive_target), 20.0f, 1e-3f);
}

TEST(SnakeJoints, RopesHoldForAMinuteOfPlay) {
    SnakeScene f;
    size_t joints = 0;
    float worst = 0.0f;
    for (int i = 0; i < 3600; ++i) {
        f.fixed();
        const JointMap& map = f.scene->joints();
        joints = std::max(joints, map.size());
        for (const auto& [id, ends] : map.joints()) {
            ASSERT_TRUE(ends.end_a.present() && ends.end_b.present());
            const glm::vec2 a = ends.end_a.body->position + ends.end_a.anchor_offset;
            const glm::vec2 b = ends.end_b.body->position + ends.end_b.anchor_offset;
            ASSERT_TRUE(std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(b.x) && std::isfinite(b.y));
            worst = std::max(worst, glm::length(b - a));
        }
    }
    EXPECT_GT(joints, 2u);
    EXPECT_LT(worst, 1.5f) << "rest length 0.6";
    // The heads moved off: they circle the player.
    EXPECT_GT(glm::length(f.head().transform.position), 5.0f);
}

TEST(SnakeJoints, DestroyedSegmentsJointLeavesMapLinksAndCoresAtTheNextFixedTick) {
    SnakeScene f;
    f.fixed();
    EntityPool& pool = f.scene->entity_pool();
    // A segment whose joint hangs on one of its cores, and the partner at the other end of that joint.
    uint32_t joint = 0;
    EntityId victim = kInvalidEntityId;
    EntityId partner = kInvalidEntityId;
    for (const auto& [id, ends] : f.scene->joints().joints()) {
        if (ends.end_a.entity.entity_type_id == entity_type_id<RockEntity>() &&
            ends.end_b.entity.entity_type_id == entity_type_id<RockEntity>()) {
            const RockEntity& b = pool.list<RockEntity>().at(ends.end_b.entity);
            const bool on_core = std::any_of(b.cores.cores.begin(), b.cores.cores.end(), [&](const SpriteCore& c) {
                return std::find(c.joint_ids.begin(), c.joint_ids.end(), id) != c.joint_ids.end();
            });
            if (on_core && (joint == 0 || id < joint)) {
                joint = id;
                victim = ends.end_a.entity;
                partner = ends.end_b.entity;
            }
        }
    }
    ASSERT_NE(victim, kInvalidEntityId);
    pool.list<RockEntity>().destroy_deferred(victim);

    f.tick(kDt, false); // no fixed step: the map is left alone
    EXPECT_TRUE(f.scene->constraints().empty());
    f.fixed();
    EXPECT_EQ(f.scene->joints().find(joint), nullptr);
    const RockEntity& survivor = pool.list<RockEntity>().at(partner);
    EXPECT_EQ(survivor.body.find_link(joint), survivor.body.joints.end());
    for (const SpriteCore& core : survivor.cores.cores) {
        EXPECT_EQ(std::count(core.joint_ids.begin(), core.joint_ids.end(), joint), 0);
    }
}

TEST(SnakeHead, PausedHeadsAreNotSteered) {
    SnakeScene f;
    AiSnakeHead& s = f.head().head;
    s.state = SnakeHeadStateCircle;
    s.state_duration = 20.0f;
    f.engine.event_bus().publish(PauseRequestEvent{1, 0});
    f.engine.event_bus().dispatch();
    ASSERT_TRUE(f.scene->paused());
    const glm::vec2 before = f.head().body.linear_velocity;
    f.fixed();
    EXPECT_EQ(f.head().head.state_timer, 0.0f);
    EXPECT_EQ(f.head().body.linear_velocity, before);
}

} // namespace
