#include "Game/Systems/Ai/AiFighterSystem.h"

#include "Engine/EntityPool.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"
#include "Game/Components/Weapon.h"
#include "Game/Systems/Ai/AiQueries.h"

AiFighterSystem::AiFighterSystem() : SystemBase(kName) {}

void AiFighterSystem::update(const SimulationTick&) {
    EntityPool& pool = entity_pool();
    const glm::vec2 player = player_center_of_mass(pool);
    DebugLines& debug = debug_lines();
    for (auto row : EntityViewOf<Transform, PhysicsBody, AiFighter, Weapon>(pool)) {
        const glm::vec2 p = row.get<Transform>().to_world(row.get<PhysicsBody>().center_of_mass);
        const glm::vec2 to_player = player - p;
        debug_circle(debug, p, kFireRange, DebugName::Ai);
        Weapon& weapon = row.get<Weapon>();
        weapon.triggered = glm::length(to_player) < kFireRange ? 1 : 0;
        weapon.holder_pos = p;
        weapon.holder_vel = to_player;
        weapon.aim_dir = to_player;
    }
}
