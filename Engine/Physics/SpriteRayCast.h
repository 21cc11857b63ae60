#pragma once
// The nearest live cell of any sprite along a ray, skipping one entity (the caller's own). Candidates come
// from the scene's area tree of sprite bounds; their cells are marched on the thread pool.

#include <cstddef>
#include <cstdint>
#include <vector>

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

class Sprite;
struct Transform;

// A leaf the ray meets, with the sprite-local ends of the ray's part inside its bounds.
struct SpriteRayCandidate {
    EntityId entity;
    const Sprite* sprite = nullptr;
    const Transform* transform = nullptr;
    glm::vec2 a{0.0f};
    glm::vec2 b{0.0f};
};

// The buffers of a cast, kept by the caller so that the game's many short casts per tick reuse them. Scratch
// only: what a cast leaves here means nothing to the next.
struct SpriteRayCastScratch {
    std::vector<int32_t> stack;
    std::vector<int32_t> leaves;
    std::vector<SpriteRayCandidate> candidates;
    std::vector<SpriteRayCastResult> results;
};

// The ray covers origin + t * direction for t in [0, max_t].
SpriteRayCastResult sprite_ray_cast(ThreadPool& pool, EntityPool& entities, const AxisAlignedAreaTree<EntityId>& tree,
                                    EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t,
                                    SpriteRayCastScratch& scratch);
// The same with buffers of its own for this one cast.
SpriteRayCastResult sprite_ray_cast(ThreadPool& pool, EntityPool& entities, const AxisAlignedAreaTree<EntityId>& tree,
                                    EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t);
