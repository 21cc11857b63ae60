#include "Game/Weapons/WeaponEffects.h"

#include <cmath>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"

namespace {

ParticleSpawnSettings g_cannon_spark;
ParticleSpawnSettings g_cannon_spark_smoke;

template <typename T>
Range<T> single(T value) {
    return Range<T>{true, value, T(0)};
}

template <typename T>
Range<T> between(T low, T high) {
    return Range<T>{false, low, high};
}

// Every field single zero, so only what an effect names differs from nothing.
ParticleSpawnSettings zero_settings() {
    ParticleSpawnSettings s;
    s.factor_scale = single(0.0f);
    s.factor_color = single(0.0f);
    s.number_to_spawn = single(int32_t{0});
    return s;
}

void publish(EventBus& bus, glm::vec2 position, float angle, const ParticleSpawnSettings& settings) {
    bus.publish(SpawnParticleEvent{position, angle, settings});
}

} // namespace

void load_weapon_particle_presets(const AssetPackage& assets) {
    g_cannon_spark = assets.get_by_name<ParticleAsset>("game/particles/default_cannon_spark").spawn;
    g_cannon_spark_smoke = assets.get_by_name<ParticleAsset>("game/particles/default_cannon_spark_smoke").spawn;
}

const ParticleSpawnSettings& cannon_spark_settings() { return g_cannon_spark; }

const ParticleSpawnSettings& cannon_spark_smoke_settings() { return g_cannon_spark_smoke; }

void cannon_reload_effect(EventBus&, glm::vec2, float) {
    // Publishes nothing, but the draws keep the generator's sequence that recordings were made with.
    (void)random_in_disc_radius_range(0.05f, 0.1f);
    (void)random_in_disc_radius_range(0.1f, 0.8f);
}

void cannon_shot_effect(EventBus& bus, const WeaponShot& shot) {
    const float aim = angle_of(shot.direction);

    // The spent casing, thrown out sideways.
    ParticleSpawnSettings casing = zero_settings();
    casing.angle = single(random_range(0.0f, kTwoPi));
    casing.velocity = single(direction_from_angle(aim + kPi / 2.0f + random_range(-0.05f, 0.05f)));
    casing.damping = single(random_range(1.0f, 2.0f));
    casing.angular_velocity = single(random_range(0.0f, kTwoPi));
    casing.angular_damping = single(1.0f);
    casing.life = single(random_range(5.0f, 8.0f));
    casing.initial_scale = single(glm::vec2(0.02f, 0.04f));
    casing.final_scale = single(glm::vec2(0.0f, 0.0f));
    casing.factor_scale = single(3.0f);
    casing.initial_color = single(glm::vec4(0.4f, 0.4f, 0.4f, 1.0f));
    casing.final_color = single(glm::vec4(0.4f, 0.4f, 0.4f, 1.0f));
    casing.factor_color = single(1.0f);
    casing.number_to_spawn = single(int32_t{1});
    publish(bus, shot.position, 0.0f, casing);

    publish(bus, shot.position, aim, g_cannon_spark);
    publish(bus, shot.position, aim, g_cannon_spark_smoke);
}

void laser_charge_effect(EventBus& bus, glm::vec2 holder_position, float progress) {
    const float p = progress;
    const glm::vec2 r = random_in_disc_radius_range(0.05f, 1.0f - p);
    const float base = 3.0f * p - 1.0f;
    const float k = base * base * base - 1.0f; // pulls the particle in while negative

    ParticleSpawnSettings s = zero_settings();
    s.position = single(r);
    s.angle = single(random_range(0.0f, kTwoPi));
    s.velocity = single(r * k);
    s.damping = single(4.0f);
    s.angular_velocity = single(random_range(0.0f, kTwoPi));
    s.angular_damping = single(2.0f);
    s.life = single(random_range(0.5f, 1.0f));
    s.initial_scale = single(glm::vec2(0.0f, 0.0f));
    s.final_scale = single(glm::vec2(p / 10.0f, 2.0f * p / 10.0f));
    s.factor_scale = single(0.5f);
    s.initial_color = single(glm::vec4(1.0f, 0.13f, 0.13f, p));
    s.final_color = single(glm::vec4(1.0f, 0.13f, 0.13f, 0.0f));
    s.factor_color = single(1.0f);
    s.number_to_spawn = single(int32_t{1});
    publish(bus, holder_position, 0.0f, s);
}

void laser_reload_effect(EventBus& bus, glm::vec2 holder_position, float progress) {
    const float p = progress;
    if (p > 0.5f) {
        return;
    }
    ParticleSpawnSettings s = zero_settings();
    s.position = single(random_in_disc_radius_range(0.05f, 0.1f));
    s.velocity = single(random_in_disc_radius_range(0.1f, 0.8f));
    s.angle = single(random_range(0.0f, kTwoPi));
    s.damping = single(4.0f);
    s.angular_velocity = single(random_range(0.0f, kTwoPi));
    s.angular_damping = single(2.0f);
    s.life = single(random_range(0.5f, 1.0f));
    s.initial_scale = single(glm::vec2(0.1f, 0.1f));
    s.final_scale = single(glm::vec2(0.3f, 0.3f));
    s.factor_scale = single(1.5f);
    s.initial_color = single(glm::vec4(0.13f, 0.13f, 0.13f, 0.5f - p));
    s.final_color = single(glm::vec4(0.13f, 0.13f, 0.13f, 0.0f));
    s.factor_color = single(1.0f);
    s.number_to_spawn = single(int32_t{1});
    publish(bus, holder_position, 0.0f, s);
}

void laser_shot_effect(EventBus& bus, const WeaponShot& shot) {
    // Ranges: the particle system draws these per particle.
    ParticleSpawnSettings s = zero_settings();
    s.angle = between(-kPi, kPi);
    s.velocity = between(shot.direction, shot.direction * 5.0f);
    s.damping = between(2.0f, 5.0f);
    s.angular_velocity = between(-kPi, kPi);
    s.angular_damping = single(2.0f);
    s.life = between(2.5f, 3.0f);
    s.initial_scale = single(glm::vec2(0.1f, 0.1f));
    s.final_scale = single(glm::vec2(0.0f, 0.0f));
    s.factor_scale = single(1.5f);
    s.initial_color = single(glm::vec4(1.0f, 0.13f, 0.13f, 1.0f));
    s.final_color = single(glm::vec4(0.13f, 0.13f, 0.13f, 0.0f));
    s.factor_color = single(0.3f);
    s.number_to_spawn = single(int32_t{30});
    publish(bus, shot.position, 0.0f, s);
}
