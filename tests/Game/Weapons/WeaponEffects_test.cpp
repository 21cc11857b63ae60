#include "Engine/Math/Constants.h"
#include "Game/Weapons/WeaponEffects.h"

#include <cmath>
#include <stdexcept>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Random.h"
#include "Game/Weapons/WeaponProps.h"

namespace {
constexpr float kEps = 1e-5f;

struct ParticleSink {
    std::vector<SpawnParticleEvent> events;
    void handle(const SpawnParticleEvent& e) { events.push_back(e); }
};

// Two particle definitions told apart by their life.
AssetPackage weapon_particles() {
    AssetPackage package;
    ParticleAsset spark;
    spark.metadata.name = "game/particles/default_cannon_spark";
    spark.spawn.life = Range<float>{true, 0.25f, 0.0f};
    spark.spawn.number_to_spawn = Range<int32_t>{false, 3, 6};
    ParticleAsset smoke;
    smoke.metadata.name = "game/particles/default_cannon_spark_smoke";
    smoke.spawn.life = Range<float>{false, 1.0f, 2.0f};
    package.particles.m_assets = {spark, smoke};
    return package;
}

class WeaponEffects : public ::testing::Test {
protected:
    void SetUp() override {
        random_seed(0);
        bus.subscribe<SpawnParticleEvent>(&sink);
    }
    const std::vector<SpawnParticleEvent>& dispatched() {
        bus.dispatch();
        return sink.events;
    }
    // The next uniform float of a generator reseeded and advanced by `draws`.
    static float float_after(int draws) {
        random_seed(0);
        for (int i = 0; i < draws; ++i) {
            (void)random_draw();
        }
        return random_float();
    }

    EventBus bus;
    ParticleSink sink;
};

TEST_F(WeaponEffects, CannonReloadDrawsTwoDiscPointsAndPublishesNothing) {
    cannon_reload_effect(bus, {1.0f, 2.0f}, 0.5f);
    const int32_t after_effect = random_draw();
    EXPECT_TRUE(dispatched().empty());

    random_seed(0);
    (void)random_in_disc_radius_range(0.05f, 0.1f);
    (void)random_in_disc_radius_range(0.1f, 0.8f);
    EXPECT_EQ(after_effect, random_draw());
}

TEST_F(WeaponEffects, CannonShotThrowsACasingAndEmitsTheCachedSparks) {
    load_weapon_particle_presets(weapon_particles());
    WeaponShot shot;
    shot.position = {2.0f, -1.0f};
    shot.direction = {0.0f, 1.0f};
    cannon_shot_effect(bus, shot);
    const auto& events = dispatched();
    ASSERT_EQ(events.size(), 3u);

    // Casing: the draws in the order angle, velocity offset, damping, spin, life.
    const SpawnParticleEvent& casing = events[0];
    EXPECT_EQ(casing.position, shot.position);
    EXPECT_EQ(casing.angle, 0.0f);
    const ParticleSpawnSettings& c = casing.settings;
    EXPECT_TRUE(c.angle.single);
    EXPECT_NEAR(c.angle.min_or_value, float_after(0) * 6.2831855f, kEps);
    const float offset = float_after(1) * 0.1f - 0.05f;
    const float side = kPi / 2.0f + kPi / 2.0f + offset; // aim (pi/2) plus a quarter turn
    EXPECT_NEAR(c.velocity.min_or_value.x, std::cos(side), kEps);
    EXPECT_NEAR(c.velocity.min_or_value.y, std::sin(side), kEps);
    EXPECT_NEAR(c.damping.min_or_value, float_after(2) + 1.0f, kEps);
    EXPECT_NEAR(c.angular_velocity.min_or_value, float_after(3) * 6.2831855f, kEps);
    EXPECT_NEAR(c.life.min_or_value, float_after(4) * 3.0f + 5.0f, kEps);
    EXPECT_EQ(c.angular_damping.min_or_value, 1.0f);
    EXPECT_EQ(c.initial_scale.min_or_value, glm::vec2(0.02f, 0.04f));
    EXPECT_EQ(c.final_scale.min_or_value, glm::vec2(0.0f));
    EXPECT_EQ(c.factor_scale.min_or_value, 3.0f);
    EXPECT_EQ(c.initial_color.min_or_value, glm::vec4(0.4f, 0.4f, 0.4f, 1.0f));
    EXPECT_EQ(c.final_color.min_or_value, glm::vec4(0.4f, 0.4f, 0.4f, 1.0f));
    EXPECT_EQ(c.factor_color.min_or_value, 1.0f);
    EXPECT_EQ(c.number_to_spawn.min_or_value, 1);
    EXPECT_EQ(c.position.min_or_value, glm::vec2(0.0f));

    // Sparks and smoke: the cached definitions, aimed along the shot.
    for (int i : {1, 2}) {
        EXPECT_EQ(events[i].position, shot.position);
        EXPECT_NEAR(events[i].angle, kPi / 2.0f, kEps);
    }
    EXPECT_EQ(events[1].settings.life.min_or_value, 0.25f);
    EXPECT_FALSE(events[1].settings.number_to_spawn.single);
    EXPECT_EQ(events[1].settings.number_to_spawn.max, 6);
    EXPECT_FALSE(events[2].settings.life.single);
    EXPECT_EQ(events[2].settings.life.max, 2.0f);
}

TEST_F(WeaponEffects, MissingCannonParticlesThrowOnLoad) {
    AssetPackage empty;
    try {
        load_weapon_particle_presets(empty);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "GetByName: No asset found");
    }
}

TEST_F(WeaponEffects, LaserChargePullsItsParticleInUntilTwoThirds) {
    struct Case {
        float progress;
        float k;
    };
    for (const Case c : {Case{0.0f, -2.0f}, Case{2.0f / 3.0f, 0.0f}, Case{0.5f, 0.125f - 1.0f}}) {
        SCOPED_TRACE(c.progress);
        sink.events.clear();
        random_seed(0);
        laser_charge_effect(bus, {5.0f, 5.0f}, c.progress);
        const auto& events = dispatched();
        ASSERT_EQ(events.size(), 1u);
        const SpawnParticleEvent& e = events[0];
        EXPECT_EQ(e.position, glm::vec2(5.0f, 5.0f));
        EXPECT_EQ(e.angle, 0.0f);
        const glm::vec2 r = e.settings.position.min_or_value;
        EXPECT_GE(glm::length(r), 0.05f - kEps);
        EXPECT_LE(glm::length(r), 1.0f - c.progress + kEps);
        EXPECT_NEAR(e.settings.velocity.min_or_value.x, r.x * c.k, kEps);
        EXPECT_NEAR(e.settings.velocity.min_or_value.y, r.y * c.k, kEps);
        EXPECT_EQ(e.settings.final_scale.min_or_value, glm::vec2(c.progress / 10.0f, 2.0f * c.progress / 10.0f));
        EXPECT_EQ(e.settings.initial_color.min_or_value, glm::vec4(1.0f, 0.13f, 0.13f, c.progress));
        EXPECT_EQ(e.settings.final_color.min_or_value.w, 0.0f);
        EXPECT_EQ(e.settings.damping.min_or_value, 4.0f);
        EXPECT_EQ(e.settings.factor_scale.min_or_value, 0.5f);
        EXPECT_GE(e.settings.life.min_or_value, 0.5f);
        EXPECT_LE(e.settings.life.min_or_value, 1.0f);
    }
}

TEST_F(WeaponEffects, LaserReloadStopsInTheSecondHalf) {
    laser_reload_effect(bus, {0.0f, 0.0f}, 0.6f);
    const int32_t after_late = random_draw();
    random_seed(0);
    EXPECT_EQ(after_late, random_draw()) << "a late reload tick draws nothing";
    EXPECT_TRUE(dispatched().empty());

    random_seed(0);
    laser_reload_effect(bus, {1.0f, 1.0f}, 0.25f);
    const auto& events = dispatched();
    ASSERT_EQ(events.size(), 1u);
    const ParticleSpawnSettings& s = events[0].settings;
    EXPECT_EQ(events[0].position, glm::vec2(1.0f, 1.0f));
    const float offset = glm::length(s.position.min_or_value);
    const float speed = glm::length(s.velocity.min_or_value);
    EXPECT_GE(offset, 0.05f - kEps);
    EXPECT_LE(offset, 0.1f + kEps);
    EXPECT_GE(speed, 0.1f - kEps);
    EXPECT_LE(speed, 0.8f + kEps);
    EXPECT_EQ(s.initial_scale.min_or_value, glm::vec2(0.1f));
    EXPECT_EQ(s.final_scale.min_or_value, glm::vec2(0.3f));
    EXPECT_EQ(s.factor_scale.min_or_value, 1.5f);
    EXPECT_EQ(s.initial_color.min_or_value, glm::vec4(0.13f, 0.13f, 0.13f, 0.25f));
}

TEST_F(WeaponEffects, LaserShotLeavesTheDrawsToTheParticles) {
    WeaponShot shot;
    shot.position = {-3.0f, 4.0f};
    shot.direction = {1.0f, 0.0f};
    laser_shot_effect(bus, shot);
    const int32_t after_shot = random_draw();
    random_seed(0);
    EXPECT_EQ(after_shot, random_draw());

    const auto& events = dispatched();
    ASSERT_EQ(events.size(), 1u);
    const ParticleSpawnSettings& s = events[0].settings;
    EXPECT_EQ(events[0].position, shot.position);
    EXPECT_FALSE(s.angle.single);
    EXPECT_EQ(s.angle.min_or_value, -kPi);
    EXPECT_EQ(s.angle.max, kPi);
    EXPECT_FALSE(s.velocity.single);
    EXPECT_EQ(s.velocity.min_or_value, glm::vec2(1.0f, 0.0f));
    EXPECT_EQ(s.velocity.max, glm::vec2(5.0f, 0.0f));
    EXPECT_EQ(s.damping.min_or_value, 2.0f);
    EXPECT_EQ(s.damping.max, 5.0f);
    EXPECT_EQ(s.life.min_or_value, 2.5f);
    EXPECT_EQ(s.life.max, 3.0f);
    EXPECT_TRUE(s.angular_damping.single);
    EXPECT_EQ(s.factor_color.min_or_value, 0.3f);
    EXPECT_EQ(s.number_to_spawn.min_or_value, 30);
}

TEST_F(WeaponEffects, PresetCallbacksAreTheEffects) {
    WeaponShot shot;
    shot.direction = {1.0f, 0.0f};
    load_weapon_particle_presets(weapon_particles());
    WeaponProps::default_cannon().shot_effect(bus, shot);
    WeaponProps::ai_fighter_laser().shot_effect(bus, shot);
    WeaponProps::ai_fighter_laser().charge_effect(bus, {0.0f, 0.0f}, 0.1f);
    const auto& events = dispatched();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[3].settings.number_to_spawn.min_or_value, 30);
    EXPECT_EQ(events[4].settings.damping.min_or_value, 4.0f);
}

} // namespace
