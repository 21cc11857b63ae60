#include "Engine/Physics/JointMap.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/VelocityConstraint.h"

namespace {

constexpr float kEps = 1e-5f;

struct Piece {
    EntityId id;
    Transform transform;
    PhysicsBody body;
};

Piece piece(int32_t index, glm::vec2 position) {
    Piece p{EntityId{index, 0, 7}, Transform{}, PhysicsBody(position, 0.0f)};
    p.transform.position = position;
    return p;
}

std::vector<EntityId> sorted(std::vector<EntityId> ids) {
    std::sort(ids.begin(), ids.end(), [](const EntityId& x, const EntityId& y) { return x.index < y.index; });
    return ids;
}

TEST(JointMap, AddBodyFillsBothEndsWithScaledTurnedAnchors) {
    Piece a = piece(0, {0.0f, 0.0f});
    Piece b = piece(1, {2.0f, 0.0f});
    a.transform.scale = {2.0f, 1.0f};
    a.body.angle = std::numbers::pi_v<float> / 2.0f;
    a.body.add_link({5, {0.5f, 0.0f}});
    b.body.add_link({5, {-1.0f, 0.0f}});

    JointMap map;
    map.add_body(a.id, a.transform, a.body);
    map.add_body(b.id, b.transform, b.body);
    const JointEnds* ends = map.find(5);
    ASSERT_NE(ends, nullptr);
    // (0.5, 0) * (2, 1) = (1, 0), turned a quarter: (0, 1).
    EXPECT_EQ(ends->end_a.entity, a.id);
    EXPECT_EQ(ends->end_a.body, &a.body);
    EXPECT_NEAR(ends->end_a.anchor_offset.x, 0.0f, kEps);
    EXPECT_NEAR(ends->end_a.anchor_offset.y, 1.0f, kEps);
    EXPECT_EQ(ends->end_b.entity, b.id);
    EXPECT_EQ(ends->end_b.anchor_offset, glm::vec2(-1.0f, 0.0f));
}

TEST(JointMap, PruneDropsJointsThatLostABodyOnce) {
    Piece a = piece(0, {0.0f, 0.0f});
    Piece b = piece(1, {1.0f, 0.0f});
    a.body.add_link({1, {}});
    a.body.add_link({2, {}});
    b.body.add_link({1, {}});

    JointMap map;
    map.add_body(a.id, a.transform, a.body);
    map.add_body(b.id, b.transform, b.body);
    // Joint 2's partner is gone.
    const std::vector<PrunedJoint> pruned = map.prune_dangling();
    ASSERT_EQ(pruned.size(), 1u);
    EXPECT_EQ(pruned[0].entity, a.id);
    EXPECT_EQ(pruned[0].joint_id, 2u);
    EXPECT_FALSE(a.body.has_link(2));
    EXPECT_TRUE(a.body.has_link(1));
    EXPECT_EQ(map.size(), 1u);
    EXPECT_TRUE(map.prune_dangling().empty());

    // Rebuilt on the next step: the dropped link does not come back.
    map.clear();
    map.add_body(a.id, a.transform, a.body);
    map.add_body(b.id, b.transform, b.body);
    EXPECT_TRUE(map.prune_dangling().empty());
    EXPECT_EQ(map.size(), 1u);

    map.remove_body(b.body);
    EXPECT_EQ(map.size(), 0u);
}

TEST(JointMap, BothEndsOnOneBody) {
    Piece a = piece(0, {0.0f, 0.0f});
    a.body.add_link({3, {-0.5f, 0.0f}});
    a.body.add_link({3, {0.5f, 0.0f}});
    JointMap map;
    map.add_body(a.id, a.transform, a.body);
    const JointEnds* ends = map.find(3);
    ASSERT_NE(ends, nullptr);
    EXPECT_EQ(ends->end_a.body, &a.body);
    EXPECT_EQ(ends->end_b.body, &a.body);
    EXPECT_EQ(ends->end_a.anchor_offset, glm::vec2(-0.5f, 0.0f));
    EXPECT_EQ(ends->end_b.anchor_offset, glm::vec2(0.5f, 0.0f));
    EXPECT_TRUE(map.prune_dangling().empty());
    EXPECT_EQ(map.connected_bodies(a.body), std::vector<EntityId>{a.id});
}

TEST(JointMap, ConnectedBodiesFollowsChainsAndCycles) {
    Piece a = piece(0, {0.0f, 0.0f});
    Piece b = piece(1, {1.0f, 0.0f});
    Piece c = piece(2, {2.0f, 0.0f});
    Piece lone = piece(3, {5.0f, 0.0f});
    // a - b - c - a: a cycle.
    a.body.add_link({10, {}});
    b.body.add_link({10, {}});
    b.body.add_link({11, {}});
    c.body.add_link({11, {}});
    c.body.add_link({12, {}});
    a.body.add_link({12, {}});

    JointMap map;
    for (Piece* p : {&a, &b, &c, &lone}) {
        map.add_body(p->id, p->transform, p->body);
    }
    EXPECT_EQ(sorted(map.connected_bodies(b.body)), (std::vector<EntityId>{a.id, b.id, c.id}));
    EXPECT_TRUE(map.connected_bodies(lone.body).empty());
}

TEST(JointMap, RopeKeepsAnchorsTogetherUnderAPull) {
    // Two unit bodies on a rope of rest length 0.6; b is pulled away at 10 units/s^2 for two seconds.
    Piece a = piece(0, {0.0f, 0.0f});
    Piece b = piece(1, {0.6f, 0.0f});
    a.body.add_link({1, {0.25f, 0.0f}});
    b.body.add_link({1, {-0.25f, 0.0f}});
    a.transform.scale = {0.5f, 0.5f};
    b.transform.scale = {0.5f, 0.5f};
    const float dt = 1.0f / 60.0f;
    JointMap map;
    ConstraintList list;
    auto anchor_distance = [&] {
        const glm::vec2 pa = a.body.position + rotate(glm::vec2(0.125f, 0.0f), a.body.angle);
        const glm::vec2 pb = b.body.position + rotate(glm::vec2(-0.125f, 0.0f), b.body.angle);
        return glm::length(pb - pa);
    };
    const float start = anchor_distance(); // 0.6 - 0.25 = 0.35: slack at first
    EXPECT_NEAR(start, 0.35f, kEps);
    float longest = 0.0f;
    for (int step = 0; step < 120; ++step) {
        b.body.linear_velocity.x += 10.0f * dt;
        map.clear();
        map.add_body(a.id, a.transform, a.body);
        map.add_body(b.id, b.transform, b.body);
        for (const auto& [id, ends] : map.joints()) {
            JointConstraintParams p;
            p.a = ends.end_a.body;
            p.b = ends.end_b.body;
            p.dt = dt;
            p.lower = -infinity();
            p.upper = 0.0f;
            p.stiffness = 1000.0f;
            p.anchor_a = ends.end_a.anchor_offset;
            p.anchor_b = ends.end_b.anchor_offset;
            p.rest_length = 0.6f;
            add_joint_constraint(list, p);
        }
        solve_velocity_constraints(list, kSolverIterations);
        for (Piece* p : {&a, &b}) {
            integrate_body(p->body, p->transform, dt);
            p->transform.position = p->body.position;
            p->transform.angle = p->body.angle;
        }
        longest = std::max(longest, anchor_distance());
    }
    // Free, b would have gone 20 units; on the rope the anchors stay within a few hundredths of 0.6 and
    // the pair moves together.
    EXPECT_GT(longest, 0.59f);
    EXPECT_LT(longest, 0.7f);
    EXPECT_GT(a.body.position.x, 5.0f);
    EXPECT_NEAR(a.body.linear_velocity.x, b.body.linear_velocity.x, 0.5f);
}

} // namespace
