#include "Game/Systems/Ai/AiQueries.h"

#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"
#include "Game/Entities/PlayerEntity.h"

bool entity_alive(EntityPool& pool, const EntityId& id) {
    return pool.has_list(id.entity_type_id) && pool.list_of(id).is_alive(id);
}

glm::vec2 player_center_of_mass(EntityPool& pool) {
    const PlayerEntity& player = *first_or_default<PlayerEntity>(pool);
    return player.transform.to_world(player.body.center_of_mass);
}

glm::vec2 player_position(EntityPool& pool) { return first_or_default<PlayerEntity>(pool)->transform.position; }

OpenThrower nearest_open_thrower(EntityPool& pool, glm::vec2 p) {
    OpenThrower best;
    for (auto row : EntityViewOf<Transform, AiThrower>(pool)) {
        const AiThrower& thrower = row.get<AiThrower>();
        if (thrower.held.size() >= thrower.max_holding) {
            continue;
        }
        const Transform& transform = row.get<Transform>();
        const float d2 = length_squared(transform.position - p);
        if (best.found && !(d2 < best.distance_squared)) {
            continue;
        }
        best.found = true;
        best.distance_squared = d2;
        const PhysicsBody* body = live_component<PhysicsBody>(pool, row.id());
        best.center = transform.to_world(body != nullptr ? body->center_of_mass : glm::vec2(0.0f));
    }
    return best;
}
