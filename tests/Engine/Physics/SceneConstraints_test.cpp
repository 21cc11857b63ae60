// The scene's part in the physics: the solver between the Fixed and PostFixed groups, and the joints of a
// destroyed body forgotten at the flush.

#include <gtest/gtest.h>

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/Contact.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/VelocityConstraint.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

struct BodyEntity {
    Transform transform;
    PhysicsBody body;
};

// Adds a head-on contact between the first two bodies (Fixed group).
class ContactSystem final : public SystemBase {
public:
    ContactSystem() : SystemBase("ContactSystem") {}
    void update(const SimulationTick&) override {
        EntityListView view;
        entity_pool().list<BodyEntity>().view_all(view);
        auto* a = reinterpret_cast<BodyEntity*>(view.entity(0));
        auto* b = reinterpret_cast<BodyEntity*>(view.entity(1));
        Contact c;
        c.body_a = &a->body;
        c.body_b = &b->body;
        c.normal = {1.0f, 0.0f};
        c.time = 1.0f / 60.0f;
        add_contact_constraint(scene()->constraints(), c);
    }
};

// Records what the PostFixed group sees.
class ObserveSystem final : public SystemBase {
public:
    ObserveSystem() : SystemBase("ObserveSystem") {}
    void update(const SimulationTick&) override {
        rows_seen = scene()->constraints().size();
        velocity_seen = entity_pool().list<BodyEntity>().at(first).body.linear_velocity.x;
    }
    EntityId first;
    size_t rows_seen = 99;
    float velocity_seen = 0.0f;
};

TEST(SceneConstraints, SolvedBetweenFixedAndPostFixedOnFixedTicksOnly) {
    ObserveSystem* observe = nullptr;
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<BodyEntity>("BodyEntity", &BodyEntity::transform, &BodyEntity::body);
        scene.register_system<ContactSystem>(SystemGroup::Fixed);
        observe = &scene.register_system<ObserveSystem>(SystemGroup::PostFixed);
    });
    EntityList<BodyEntity>& list = harness.scene->entity_pool().list<BodyEntity>();
    BodyEntity a{Transform{}, PhysicsBody({0.0f, 0.0f}, 0.0f)};
    a.body.linear_velocity = {1.0f, 0.0f};
    BodyEntity b{Transform{}, PhysicsBody({1.0f, 0.0f}, 0.0f)};
    b.body.linear_velocity = {-1.0f, 0.0f};
    observe->first = list.add(std::move(a));
    list.add(std::move(b));

    harness.tick(1.0f / 60.0f, false);
    EXPECT_EQ(list.at(observe->first).body.linear_velocity.x, 1.0f);

    harness.tick(1.0f / 60.0f, true);
    // The same numbers as the head-on case: lambda 1.2, so 1 - 1.2.
    EXPECT_EQ(observe->rows_seen, 0u);
    EXPECT_NEAR(observe->velocity_seen, -0.2f, 1e-5f);
}

TEST(SceneConstraints, DestroyedBodyLeavesTheJointMap) {
    SceneHarness harness([&](HarnessScene& scene) {
        scene.entity_pool().add_list<BodyEntity>("BodyEntity", &BodyEntity::transform, &BodyEntity::body);
    });
    EntityList<BodyEntity>& list = harness.scene->entity_pool().list<BodyEntity>();
    BodyEntity a;
    a.body.add_link({4, {}});
    BodyEntity b;
    b.body.add_link({4, {}});
    b.body.add_link({9, {}});
    const EntityId ia = list.add(std::move(a));
    const EntityId ib = list.add(std::move(b));
    JointMap& joints = harness.scene->joints();
    joints.add_body(ia, list.at(ia).transform, list.at(ia).body);
    joints.add_body(ib, list.at(ib).transform, list.at(ib).body);
    ASSERT_EQ(joints.size(), 2u);

    list.destroy_deferred(ib);
    harness.tick();
    EXPECT_EQ(joints.size(), 0u);
}

} // namespace
