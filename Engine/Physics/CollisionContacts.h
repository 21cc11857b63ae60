#pragma once
// From hits to the solver: the contact of each hit point, and the earliest impact's bodies moved to its time.

#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Graphics/DebugLines.h"
#include "Engine/Physics/Contact.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/Physics/TransformSines.h"

// The contact of a hit point, with the angles' sines as the proxies have them now: rotate(v, angle) and the
// Transform's mappings give the same values.
inline Contact make_contact(const SpritePhysicsProxy& a, const ProxySines& sa, const SpritePhysicsProxy& b,
                            const ProxySines& sb, const HitPoint& hit, float time, float dt) {
    Contact contact;
    contact.body_a = a.body;
    contact.body_b = b.body;
    contact.point = hit.point;
    contact.normal = rotate_sin_cos(hit.normal, sa.body_sin, sa.body_cos);
    contact.local_point_a = TransformSines::to_local(*a.transform, sa.transform, hit.point);
    contact.local_point_b = TransformSines::to_local(*b.transform, sb.transform, hit.point);
    // rotate_scaled_offset(local point, centre of mass, scale, body angle)
    contact.lever_a =
        rotate_sin_cos((contact.local_point_a - a.body->center_of_mass) * a.transform->scale, sa.body_sin, sa.body_cos);
    contact.lever_b =
        rotate_sin_cos((contact.local_point_b - b.body->center_of_mass) * b.transform->scale, sb.body_sin, sb.body_cos);
    contact.depth = hit.depth;
    contact.time = time == 0.0f ? dt : time;
    return contact;
}

inline void draw_contact(DebugLines* debug, const Contact& contact) {
    if (debug != nullptr) {
        debug_arrow(*debug, contact.point, contact.normal * contact.depth, DebugName::Physics_Contact_Point_Normal);
    }
}

// Moves the bodies of the earliest impact to its time.
void advance_first_pair(const std::vector<SpritePhysicsProxy>& proxies, int32_t a, int32_t b, float time,
                        glm::vec2 point, DebugLines* debug);
