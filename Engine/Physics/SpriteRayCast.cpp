#include "Engine/Physics/SpriteRayCast.h"

#include <vector>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/ThreadPool.h"
#include "Engine/TypeId.h"

namespace {

struct RayCandidate {
    EntityId entity;
    AxisAlignedArea bounds;
    const Sprite* sprite;
    const Transform* transform;
};

} // namespace

SpriteRayCastResult sprite_ray_cast(ThreadPool& pool, EntityPool& entities, const AxisAlignedAreaTree<EntityId>& tree,
                                    EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t) {
    std::vector<int32_t> values;
    tree.query_ray(origin, direction, max_t, values);

    // Resolved here, on the calling thread, so that the tasks only read sprites and transforms. Entities
    // that died since the tree was filled, or that carry no sprite, are left out.
    const uint8_t sprite_id = component_type_id<Sprite>();
    const uint8_t transform_id = component_type_id<Transform>();
    std::vector<RayCandidate> candidates;
    candidates.reserve(values.size());
    for (const int32_t value : values) {
        const EntityId entity = tree.payload(value);
        if (entity == ignore || !entities.has_list(entity.entity_type_id)) {
            continue;
        }
        EntityListBase& list = entities.list_of(entity);
        if (!list.is_alive(entity)) {
            continue;
        }
        const auto* sprite = static_cast<const Sprite*>(list.get_component(sprite_id, entity));
        const auto* transform = static_cast<const Transform*>(list.get_component(transform_id, entity));
        if (sprite == nullptr || transform == nullptr) {
            continue;
        }
        candidates.push_back(RayCandidate{entity, tree.find(value).bounds, sprite, transform});
    }

    // Candidate k writes slot k, so the winner of a tie does not depend on which task finished first.
    std::vector<SpriteRayCastResult> results(candidates.size());
    const AreaRay ray{origin, direction, max_t};
    const auto cast = [&](uint64_t k) {
        const RayCandidate& c = candidates[k];
        const RayInterval clip = AxisAlignedArea::clip_ray(c.bounds, ray);
        const glm::vec2 a = c.transform->to_local(origin + clip.enter * direction);
        const glm::vec2 b = c.transform->to_local(origin + clip.exit * direction);
        const SpriteRayHit hit = c.sprite->ray_cast(a, b);
        if (!hit.hit) {
            return;
        }
        SpriteRayCastResult r;
        r.hit = 1;
        r.entity = c.entity;
        r.cell = glm::vec2(static_cast<float>(hit.x), static_cast<float>(hit.y));
        r.local_point = c.sprite->grid().cell_center_to_local(hit.x, hit.y);
        r.point = c.transform->to_world(r.local_point);
        r.distance = glm::length(origin - r.point);
        results[k] = r;
    };
    // A short ray meets a few sprites and walks a few cells of each: handing that to the workers costs more
    // than the walk, and the game casts one such ray per flocking ship and tick.
    if (candidates.size() <= kRayCastInlineCandidates) {
        for (uint64_t k = 0; k < candidates.size(); ++k) {
            cast(k);
        }
    } else {
        pool.parallel_for(0, candidates.size(), cast);
    }

    // The first minimum in candidate order wins ties.
    SpriteRayCastResult best;
    for (const SpriteRayCastResult& r : results) {
        if (r.hit != 0 && (best.hit == 0 || r.distance < best.distance)) {
            best = r;
        }
    }
    return best;
}
