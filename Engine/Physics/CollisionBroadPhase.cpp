#include "Engine/Physics/CollisionBroadPhase.h"

#include <algorithm>
#include <cmath>

#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/PhysicsBody.h"

bool body_is_finite(const PhysicsBody& body) {
    return finite2(body.position) && std::isfinite(body.angle) && finite2(body.linear_velocity) &&
           std::isfinite(body.angular_velocity);
}

SpritePhysicsProxy make_sprite_physics_proxy(Transform& transform, PhysicsBody& body, Sprite& sprite, float dt) {
    SpritePhysicsProxy proxy;
    proxy.transform = &transform;
    proxy.body = &body;
    proxy.sprite = &sprite;
    proxy.world_center_of_mass = transform.to_world(body.center_of_mass);
    const AxisAlignedArea bounds = body.transform(transform.scale).bounds();
    const glm::vec2 d = body.linear_velocity * dt;
    const float w = body.angular_velocity * dt;
    proxy.step_move = d;
    proxy.step_turn = w;
    // The body turns about its centre of mass, not about the world origin (which would fling the end box of a
    // spinning body far from the origin off by its distance times the turn, and leave its true end place out).
    const glm::vec2 c = proxy.world_center_of_mass;
    AxisAlignedArea end = AxisAlignedArea::rotated_bounds(AxisAlignedArea{bounds.min - c, bounds.max - c}, c + d, w);
    // Between the two ends the corners bulge out along their arcs; a point of the arc lies no further than
    // r (1 - cos(w / 2)) from the matching point of the chord, which the move shifts with it. Twice that, for room.
    glm::vec2 corners[4];
    AxisAlignedArea::corners(bounds, corners);
    float r = 0.0f;
    for (const glm::vec2& p : corners) {
        r = std::max(r, glm::length(p - c));
    }
    const float half_turn = std::min(0.5f * std::fabs(w), 1.5707964f);
    const float bulge = 2.0f * r * (1.0f - std::cos(half_turn));
    proxy.swept_bounds = AxisAlignedArea::merged(bounds, end);
    proxy.swept_bounds.min -= glm::vec2(bulge);
    proxy.swept_bounds.max += glm::vec2(bulge);
    return proxy;
}

ProxyPair make_proxy_pair(const std::vector<SpritePhysicsProxy>& proxies, int32_t i, int32_t j, DebugLines* debug) {
    const SpritePhysicsProxy& a = proxies[static_cast<size_t>(i)];
    const SpritePhysicsProxy& b = proxies[static_cast<size_t>(j)];
    const ProxyPair pair{i, j, AxisAlignedArea::intersection(a.swept_bounds, b.swept_bounds)};
    if (debug != nullptr) {
        debug_rect(*debug, pair.overlap, DebugName::Physics_Broadphase_Overlap_World_Bounds);
        debug_line(*debug, a.transform->position, b.transform->position,
                   DebugName::Physics_Broadphase_Overlap_World_Pair_Line);
    }
    return pair;
}

std::vector<ProxyPair> find_proxy_pairs(const std::vector<SpritePhysicsProxy>& proxies, DebugLines* debug) {
    AxisAlignedAreaTree<int32_t> tree;
    std::vector<ProxyPair> pairs;
    pairs.reserve(proxies.size() / 2);
    std::vector<int32_t> found;
    found.reserve(32);
    for (size_t i = 0; i < proxies.size(); ++i) {
        const AxisAlignedArea& swept = proxies[i].swept_bounds;
        found.clear();
        tree.query(swept, found);
        for (const int32_t j : found) {
            pairs.push_back(make_proxy_pair(proxies, static_cast<int32_t>(i), j, debug));
        }
        tree.insert(swept, static_cast<int32_t>(i));
    }
    if (debug != nullptr) {
        debug_area_tree(*debug, tree, DebugName::Physics_Broadphase_Tree);
    }
    return pairs;
}
