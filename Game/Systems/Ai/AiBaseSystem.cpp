#include "Game/Systems/Ai/AiBaseSystem.h"

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"
#include "Game/Systems/Ai/AiOrbit.h"
#include "Game/Systems/Ai/AiQueries.h"

AiBaseSystem::AiBaseSystem() : SystemBase(kName) {}

void AiBaseSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    const glm::vec2 player = player_center_of_mass(pool);
    for (auto row : EntityViewOf<Transform, PhysicsBody, AiBase, AiForceMover>(pool)) {
        const Transform& transform = row.get<Transform>();
        PhysicsBody& body = row.get<PhysicsBody>();
        AiBase& base = row.get<AiBase>();
        body.angular_velocity += -transform.angle * dt * 0.5f;

        const glm::vec2 p = transform.to_world(body.center_of_mass);
        base.timer += dt;
        // While the player is close the timer keeps running, so the base re-targets as soon as it is far.
        if (base.timer >= base.period && glm::length(p - player) > kOrbitRetargetDistance) {
            base.period = kOrbitPeriod;
            base.timer = 0.0f;
            row.get<AiForceMover>().goal = random_orbit_point(player);
        }
    }
}
