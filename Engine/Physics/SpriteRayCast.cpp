#include "Engine/Physics/SpriteRayCast.h"

#include <cmath>
#include <vector>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/ParallelLoop.h"
#include "Engine/ThreadPool.h"
#include "Engine/TypeId.h"

namespace {

// The leaves the ray meets, in the tree's query order (depth first, left first), as node indices, so that
// each leaf's bounds come with it instead of being searched for by value.
void ray_leaves(const AxisAlignedAreaTree<EntityId>& tree, glm::vec2 origin, glm::vec2 direction, float max_t,
                std::vector<int32_t>& stack, std::vector<int32_t>& out) {
    if (tree.empty()) {
        return;
    }
    const std::vector<AreaTreeNode>& nodes = tree.nodes();
    stack.clear();
    stack.push_back(tree.root());
    while (!stack.empty()) {
        const int32_t i = stack.back();
        stack.pop_back();
        const AreaTreeNode& n = nodes[static_cast<size_t>(i)];
        if (!AxisAlignedArea::ray_hit(n.bounds, origin, direction, max_t)) {
            continue;
        }
        if (n.is_leaf()) {
            out.push_back(i);
        } else {
            stack.push_back(n.right);
            stack.push_back(n.left);
        }
    }
}

// Cells a walk from a to b can visit at most: the segment's x and y extents in cells.
float walk_cells(const Sprite& sprite, glm::vec2 a, glm::vec2 b) {
    const glm::vec2 d = sprite.grid().local_to_cell(b) - sprite.grid().local_to_cell(a);
    const float cells = std::abs(d.x) + std::abs(d.y);
    return std::isfinite(cells) ? cells : 0.0f;
}

} // namespace

SpriteRayCastResult sprite_ray_cast(ThreadPool& pool, EntityPool& entities, const AxisAlignedAreaTree<EntityId>& tree,
                                    EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t) {
    SpriteRayCastScratch scratch;
    return sprite_ray_cast(pool, entities, tree, ignore, origin, direction, max_t, scratch);
}

SpriteRayCastResult sprite_ray_cast(ThreadPool& pool, EntityPool& entities, const AxisAlignedAreaTree<EntityId>& tree,
                                    EntityId ignore, glm::vec2 origin, glm::vec2 direction, float max_t,
                                    SpriteRayCastScratch& scratch) {
    scratch.leaves.clear();
    ray_leaves(tree, origin, direction, max_t, scratch.stack, scratch.leaves);

    // Resolved here, on the calling thread, so that the tasks only read sprites and transforms. Entities
    // that died since the tree was filled, or that carry no sprite, are left out.
    const uint8_t sprite_id = component_type_id<Sprite>();
    const uint8_t transform_id = component_type_id<Transform>();
    const AreaRay ray{origin, direction, max_t};
    std::vector<SpriteRayCandidate>& candidates = scratch.candidates;
    candidates.clear();
    float cells = 0.0f;
    for (const int32_t leaf : scratch.leaves) {
        const AreaTreeNode& node = tree.nodes()[static_cast<size_t>(leaf)];
        const EntityId entity = tree.payload(node.value);
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
        const RayInterval clip = AxisAlignedArea::clip_ray(node.bounds, ray);
        const glm::vec2 a = transform->to_local(origin + clip.enter * direction);
        const glm::vec2 b = transform->to_local(origin + clip.exit * direction);
        cells += walk_cells(*sprite, a, b);
        candidates.push_back(SpriteRayCandidate{entity, sprite, transform, a, b});
    }

    // Candidate k writes slot k, so the winner of a tie does not depend on which task finished first.
    std::vector<SpriteRayCastResult>& results = scratch.results;
    results.assign(candidates.size(), SpriteRayCastResult{});
    const auto cast = [&candidates, &results, origin](uint64_t k, uint32_t) {
        const SpriteRayCandidate& c = candidates[k];
        const SpriteRayHit hit = c.sprite->ray_cast(c.a, c.b);
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
    // The game casts one short ray per flocking ship and tick: a few sprites, a few cells of each.
    if (cells <= kRayCastInlineCells) {
        for (uint64_t k = 0; k < candidates.size(); ++k) {
            cast(k, 0);
        }
    } else {
        parallel_for_each(pool, candidates.size(), cast);
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
