#include "Game/Systems/Ai/AiBombSystem.h"

#include <cmath>
#include <utility>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"
#include "Game/Systems/Ai/AiQueries.h"
#include "Game/Systems/Ai/ExplosionEvent.h"

ParticleSpawnSettings bomb_fuse_sparks() {
    ParticleSpawnSettings s;
    s.position = {true, glm::vec2(0.0f), glm::vec2(0.0f)};
    s.z = {true, 0.0f, 0.0f};
    s.angle = {true, 0.0f, 0.0f};
    s.angle_xy = {true, glm::vec2(0.0f), glm::vec2(0.0f)};
    s.velocity = {false, glm::vec2(-1.0f, -1.0f), glm::vec2(1.0f, 1.0f)};
    s.velocity_z = {true, 0.0f, 0.0f};
    s.damping = {false, 10.0f, 40.0f};
    s.angular_velocity = {false, -1.0f, 1.0f};
    s.angular_velocity_xy = {true, glm::vec2(0.0f), glm::vec2(0.0f)};
    s.angular_damping = {false, 0.9f, 1.0f};
    s.life = {false, 0.1f, 1.0f};
    s.initial_scale = {true, glm::vec2(0.04f), glm::vec2(0.0f)};
    s.final_scale = {true, glm::vec2(0.4f), glm::vec2(0.0f)};
    s.factor_scale = {true, 1.0f, 0.0f};
    s.initial_color = {true, glm::vec4(1.0f, 1.0f, 1.0f, 0.1f), glm::vec4(0.0f)};
    s.final_color = {true, glm::vec4(1.0f, 1.0f, 1.0f, 0.0f), glm::vec4(0.0f)};
    s.factor_color = {true, 1.0f, 0.0f};
    s.number_to_spawn = {true, 1, 0};
    return s;
}

AiBombSystem::AiBombSystem() : SystemBase(kName) {}

void AiBombSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    EventBus& bus = event_bus();
    const glm::vec2 player = player_center_of_mass(pool);
    const ParticleSpawnSettings sparks = bomb_fuse_sparks();

    for (auto row : EntityViewOf<Transform, PhysicsBody, SpriteCoreSet, AiBomb, Sprite>(pool)) {
        Sprite& sprite = row.get<Sprite>();
        // A bomb that already exploded handed its sprite to a rock and only waits for the flush.
        if (sprite.grid().chunk_count() == 0) {
            continue;
        }
        Transform& transform = row.get<Transform>();
        PhysicsBody& body = row.get<PhysicsBody>();
        AiBomb& bomb = row.get<AiBomb>();
        const glm::vec2 center = transform.to_world(body.center_of_mass);
        glm::vec2 target = player;
        bool toward_player = true;

        if (bomb.thrown == 0) {
            const OpenThrower thrower = nearest_open_thrower(pool, center);
            if (thrower.found && thrower.distance_squared < length_squared(player - center)) {
                target = thrower.center;
                toward_player = false;
            }
        }

        if (bomb.exploding == 0) {
            // The timer is never reset: after the period the bomb steers every tick.
            bomb.timer += dt;
            if (bomb.timer < bomb.period) {
                continue;
            }
            const glm::vec2 to_target = target - center;
            if (toward_player && glm::length(to_target) < bomb.start_radius) {
                bomb.exploding = 1;
                continue;
            }
            const float s = glm::length(body.linear_velocity);
            body.linear_velocity = turn_towards(body.linear_velocity, to_target, bomb.turn_strength * dt);
            if (s > kMaxSpeed || s < bomb.speed) {
                // A bomb at rest has no direction to speed up along; it sets off along +x.
                if (s == 0.0f) {
                    body.linear_velocity.x = 1.0f;
                }
                body.linear_velocity =
                    lerp_clamped(body.linear_velocity, normalize_or_zero(body.linear_velocity) * bomb.speed,
                                 dt * bomb.turn_strength);
            }
            continue;
        }

        bomb.fuse_timer += dt;
        if (bomb.fuse_timer >= bomb.fuse) {
            RockEntity rock;
            rock.transform = transform;
            rock.body = std::move(body);
            rock.sprite = std::move(sprite);
            rock.dirty.dirty = 1;
            rock.marker.value = 1;
            const glm::vec2 velocity = rock.body.linear_velocity;
            pool.list<RockEntity>().add_deferred(std::move(rock));
            // The cores belonged to the sprite that just left.
            row.get<SpriteCoreSet>() = SpriteCoreSet{};
            pool.list_of(row.id()).destroy_deferred(row.id());
            bus.publish(ExplosionEvent{kShrapnel, 0, center, velocity});
        }
        bus.publish(SpawnParticleEvent{center, 0.0f, sparks});
    }
}
