#pragma once
// Look-ups the enemy AI systems share: where the player is, a component of an entity by id, and the nearest
// thrower that still has room.

#include <glm/vec2.hpp>

#include "Engine/EntityPool.h"
#include "Engine/Handle.h"
#include "Engine/TypeId.h"

// The component of a live entity, or null when the entity is gone or its kind has no such component.
template <typename C>
C* live_component(EntityPool& pool, const EntityId& id) {
    if (!pool.has_list(id.entity_type_id)) {
        return nullptr;
    }
    EntityListBase& list = pool.list_of(id);
    if (!list.is_alive(id)) {
        return nullptr;
    }
    return static_cast<C*>(list.get_component(component_type_id<C>(), id));
}

bool entity_alive(EntityPool& pool, const EntityId& id);

// World centre of mass of the first player (the origin of a default record when there is none).
glm::vec2 player_center_of_mass(EntityPool& pool);
// Transform position of the first player (the origin when there is none).
glm::vec2 player_position(EntityPool& pool);

struct OpenThrower {
    bool found = false;
    float distance_squared = 0.0f; // from the query point to the thrower's Transform position
    glm::vec2 center{0.0f};        // the thrower's world centre of mass
};

// Among the throwers holding fewer entries than their "Max Holding", the one whose Transform position is
// nearest to p; the first found wins ties.
OpenThrower nearest_open_thrower(EntityPool& pool, glm::vec2 p);
