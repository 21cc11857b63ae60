#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "Engine/EntityPool.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Systems/Weapon/WeaponSystem.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;

// What the effect callbacks saw, in call order.
struct EffectCall {
    enum Kind { Reload, Charge, Shot } kind;
    float progress = 0.0f;
    uint32_t tick = 0;
};

struct WeaponFixture {
    WeaponFixture()
        : harness([this](HarnessScene& scene) {
              register_game_entity_lists(scene.entity_pool());
              // Bullets need nothing but the entity lists.
              factory = std::make_unique<EntityFactory>(&scene.entity_pool(), nullptr, nullptr, nullptr);
              scene.register_system<WeaponSystem>(SystemGroup::Tick, scene, factory.get());
          }) {}

    EntityList<PlayerEntity>& holders() { return harness.scene->entity_pool().list<PlayerEntity>(); }
    EntityList<BulletEntity>& bullets() { return harness.scene->entity_pool().list<BulletEntity>(); }
    size_t bullets_made() { return bullets().size() + bullets().pending_create_count(); }

    // A held trigger aimed along +x.
    EntityId add_holder(WeaponProps props) {
        PlayerEntity holder;
        holder.weapon = Weapon(std::move(props));
        holder.weapon.triggered = 1;
        holder.weapon.aim_dir = glm::vec2(1.0f, 0.0f);
        id = holders().add(std::move(holder));
        return id;
    }
    Weapon& weapon() { return holders().at(id).weapon; }

    // Replaces the preset's effects with recorders; the timing stays the preset's.
    WeaponProps recorded(WeaponProps props) {
        props.reload_effect = [this](EventBus&, glm::vec2, float p) {
            calls.push_back({EffectCall::Reload, p, harness.ticks});
        };
        props.charge_effect = [this](EventBus&, glm::vec2, float p) {
            calls.push_back({EffectCall::Charge, p, harness.ticks});
        };
        props.shot_effect = [this](EventBus&, const WeaponShot&) {
            calls.push_back({EffectCall::Shot, 0.0f, harness.ticks});
        };
        return props;
    }

    std::vector<uint32_t> shot_ticks() const {
        std::vector<uint32_t> ticks;
        for (const EffectCall& c : calls) {
            if (c.kind == EffectCall::Shot) {
                ticks.push_back(c.tick);
            }
        }
        return ticks;
    }

    std::vector<EffectCall> calls;
    std::unique_ptr<EntityFactory> factory;
    SceneHarness harness;
    EntityId id;
};

TEST(WeaponSystem, HeldCannonFiresEveryReloadTime) {
    WeaponFixture f;
    f.add_holder(f.recorded(WeaponProps::default_cannon()));
    for (int i = 0; i < 180; ++i) {
        f.harness.tick(kDt);
    }
    const std::vector<uint32_t> shots = f.shot_ticks();
    ASSERT_GE(shots.size(), 7u);
    EXPECT_EQ(f.bullets_made(), shots.size()) << "one bullet per shot";
    EXPECT_EQ(f.weapon().ammo, -1 - static_cast<int32_t>(shots.size())) << "spent below zero, never refilled";
    // The first shot after one reload, then one per reload.
    uint32_t previous = 0;
    for (const uint32_t tick : shots) {
        const float interval = static_cast<float>(tick - previous) * kDt;
        EXPECT_GE(interval, 0.4f - 1e-4f);
        EXPECT_LE(interval, 0.4f + kDt + 1e-4f);
        previous = tick;
    }
}

TEST(WeaponSystem, LaserChargesOnlyAfterItsReload) {
    WeaponFixture f;
    f.add_holder(f.recorded(WeaponProps::ai_fighter_laser()));
    constexpr float dt = 0.05f;
    for (int i = 0; i < 130; ++i) {
        f.harness.tick(dt);
    }
    const std::vector<uint32_t> shots = f.shot_ticks();
    ASSERT_EQ(shots.size(), 2u);
    // 2 s of reload, then 1 s of charge.
    EXPECT_NEAR(static_cast<float>(shots[0]) * dt, 3.0f, 2.0f * dt);
    EXPECT_NEAR(static_cast<float>(shots[1] - shots[0]) * dt, 3.0f, 2.0f * dt);

    // Before each shot: reloads with rising progress, then charges with rising progress, never mixed.
    EffectCall::Kind phase = EffectCall::Reload;
    float last = -1.0f;
    for (const EffectCall& c : f.calls) {
        if (c.kind == EffectCall::Shot) {
            phase = EffectCall::Reload;
            last = -1.0f;
            continue;
        }
        if (c.kind != phase) {
            ASSERT_EQ(phase, EffectCall::Reload) << "a charge never returns to the reload before a shot";
            phase = EffectCall::Charge;
            last = -1.0f;
        }
        EXPECT_GT(c.progress, last);
        EXPECT_GE(c.progress, 0.0f);
        EXPECT_LT(c.progress, 1.0f);
        last = c.progress;
    }
}

TEST(WeaponSystem, ReleasingDuringTheChargeLosesTheChargeButKeepsTheReload) {
    WeaponFixture f;
    f.add_holder(f.recorded(WeaponProps::ai_fighter_laser()));
    constexpr float dt = 0.05f;
    while (f.weapon().fire_timer < 0.5f) {
        f.harness.tick(dt);
        ASSERT_LT(f.harness.ticks, 100u);
    }
    const float reload = f.weapon().reload_timer;
    ASSERT_GE(reload, 2.0f);

    f.weapon().triggered = 0;
    f.harness.tick(dt);
    EXPECT_EQ(f.weapon().fire_timer, 0.0f);
    EXPECT_FLOAT_EQ(f.weapon().reload_timer, reload + dt);

    // Pressed again: the charge starts over at once, with no second reload.
    f.calls.clear();
    f.weapon().triggered = 1;
    const uint32_t pressed = f.harness.ticks;
    for (int i = 0; i < 30; ++i) {
        f.harness.tick(dt);
    }
    ASSERT_FALSE(f.calls.empty());
    EXPECT_EQ(f.calls.front().kind, EffectCall::Charge);
    EXPECT_FLOAT_EQ(f.calls.front().progress, dt / 1.0f);
    const std::vector<uint32_t> shots = f.shot_ticks();
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_NEAR(static_cast<float>(shots[0] - pressed) * dt, 1.0f, 2.0f * dt);
}

TEST(WeaponSystem, ShotDrawsTheOffsetThenTheTurn) {
    WeaponFixture f;
    WeaponProps props = WeaponProps::default_cannon();
    props.reload_time = 0.0f;
    props.spread_width = 0.5f;
    props.spread_angle = 0.3f;
    props.reload_effect = nullptr;
    props.shot_effect = nullptr;
    f.add_holder(std::move(props));
    f.weapon().holder_pos = glm::vec2(1.0f, 1.0f);
    f.weapon().aim_dir = glm::vec2(0.0f, 2.0f); // not unit: the system normalises

    random_seed(7);
    const float r1 = random_signed_unit();
    const float r2 = random_signed_unit();
    const glm::vec2 start = glm::vec2(1.0f, 1.0f) + glm::vec2(-1.0f, 0.0f) * 0.5f * r1;
    const glm::vec2 direction = direction_from_angle(1.5707964f + r2 * 0.3f);
    ASSERT_GT(std::abs(r1), 0.01f);
    ASSERT_GT(std::abs(r2), 0.01f);

    random_seed(7);
    f.harness.tick(kDt);
    f.harness.scene->entity_pool().flush();
    ASSERT_EQ(f.bullets().size(), 1u);
    const BulletEntity& bullet = f.bullets().entities()[0];
    EXPECT_FLOAT_EQ(bullet.position.x, start.x);
    EXPECT_FLOAT_EQ(bullet.position.y, start.y);
    const glm::vec2 flight = normalize_or_zero(bullet.velocity);
    EXPECT_NEAR(flight.x, direction.x, 1e-6f);
    EXPECT_NEAR(flight.y, direction.y, 1e-6f);
    EXPECT_FLOAT_EQ(glm::length(bullet.velocity), 28.0f);
    EXPECT_EQ(bullet.owner, f.id);
}

struct ShotCase {
    const char* name;
    int32_t bullets_per_shot;
    glm::vec2 aim;
    size_t bullets;
};

class WeaponShotCases : public testing::TestWithParam<ShotCase> {};

TEST_P(WeaponShotCases, ShotSpendsAmmunitionAndResetsTheTimers) {
    const ShotCase& c = GetParam();
    WeaponFixture f;
    WeaponProps props = WeaponProps::default_cannon();
    props.reload_time = 0.0f;
    props.bullets_per_shot = c.bullets_per_shot;
    props.shot_effect = nullptr;
    f.add_holder(std::move(props));
    f.weapon().aim_dir = c.aim;
    f.weapon().holder_pos = glm::vec2(2.0f, 3.0f);
    f.weapon().fire_timer = 0.25f;

    f.harness.tick(kDt);
    f.harness.scene->entity_pool().flush();

    EXPECT_EQ(f.weapon().ammo, -2);
    EXPECT_EQ(f.weapon().fire_timer, 0.0f);
    EXPECT_EQ(f.weapon().reload_timer, 0.0f);
    ASSERT_EQ(f.bullets().size(), c.bullets);
    for (const BulletEntity& bullet : f.bullets().entities()) {
        EXPECT_TRUE(std::isfinite(bullet.velocity.x) && std::isfinite(bullet.velocity.y));
        if (c.aim == glm::vec2(0.0f)) {
            // No aim, no sideways offset.
            EXPECT_EQ(bullet.position, glm::vec2(2.0f, 3.0f));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WeaponShotCases,
                         testing::Values(ShotCase{"NoBulletsPerShot", 0, {1.0f, 0.0f}, 0},
                                         ShotCase{"ThreeBulletsPerShot", 3, {1.0f, 0.0f}, 3},
                                         ShotCase{"ZeroAim", 1, {0.0f, 0.0f}, 1}),
                         [](const testing::TestParamInfo<ShotCase>& info) { return std::string(info.param.name); });

} // namespace
