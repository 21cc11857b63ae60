#pragma once
// A core of an entity's sprite exploded.

#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"

struct SpriteCoreExplodedEvent {
    EntityId entity;
    glm::vec2 position{0.0f}; // world position of the core
    int32_t strength = 0;     // max(initial cells / 2, live cells of the core's type)
    uint32_t type = 0;        // the core's cell type
};
