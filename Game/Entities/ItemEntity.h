#pragma once
// A pick-up. Items have no sprite and no body: the item systems move and draw them from these fields, and the
// list registers no component, so only whole-record views reach them.

#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"
#include "Game/Components/ItemSink.h"

struct ItemEntity {
    uint32_t kind = ItemKindCore;
    glm::vec2 position{0.0f, 0.0f};
    float angle = 0.0f;
    glm::vec2 velocity{0.0f, 0.0f};
    float angular_velocity = 0.0f;
    float damping = 0.0f;
    EntityId target = kInvalidEntityId;
    glm::vec2 capture_position{0.0f, 0.0f};
    float attraction_delay = 0.0f;
    float attraction_timer = 0.0f;
    float flight_duration = 0.0f;
    float flight_timer = 0.0f;
    float life = 0.0f;
    float unused0 = 0.0f;
    float unused1 = 0.0f;
    float attraction_radius = 0.0f;
};
