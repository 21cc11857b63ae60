#pragma once
// The nearest live cell of any sprite along a ray, skipping one entity (the caller's own). Candidates come
// from the scene's area tree of sprite bounds; their cells are marched on the thread pool.

#include <cstddef>
#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"

class ThreadPool;
class EntityPool;

struct SpriteRayCastResult {
    uint8_t hit = 0;
    EntityId entity = kInvalidEntityId;
    glm::vec2 cell{0.0f};        // grid coordinates of the hit cell
    glm::vec2 local_point{0.0f}; // sprite-local centre of the hit cell
    glm::vec2 point{0.0f};       // world centre of the hit cell
    float distance = 0.0f;       // from the ray origin to point
};

// A cast whose candidates together span at most this many cells (the sum of each clipped segment's x and y
// extents in its sprite's cells, a bound on the cells walked) is walked on the calling thread: below it, waking
// the workers costs more than the walk. Longer casts are spread over the pool.
inline constexpr float kRayCastInlineCells = 4096.0f;

// The ray covers origin + t * direction for t in [0, max_t].
SpriteRayCastResult sprite_ray_cast(ThreadPool& pool, EntityPool& entities, const AxisAlignedAreaTree<EntityId>& tree,
                                    EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t);
