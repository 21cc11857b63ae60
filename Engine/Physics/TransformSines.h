#pragma once
// The sines of the angles the collision takes more than once per proxy: a step turns thousands of points by the
// same few angles. Each mapping gives what the plain Transform or rotate() gives, bit for bit.

#include <cmath>

#include <glm/vec2.hpp>

#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/SpriteCollision.h"

// The sines of a Transform's angle, taken once: to_world and to_local give what the Transform's own give.
struct TransformSines {
    float sin = 0.0f;
    float cos = 1.0f;
    float sin_back = 0.0f; // of minus the angle
    float cos_back = 1.0f;

    TransformSines() = default;
    explicit TransformSines(const Transform& t)
        : sin(std::sin(t.angle)), cos(std::cos(t.angle)), sin_back(std::sin(-t.angle)), cos_back(std::cos(-t.angle)) {}

    static glm::vec2 to_world(const Transform& t, const TransformSines& s, glm::vec2 local) {
        return rotate_sin_cos(local * t.scale, s.sin, s.cos) + t.position;
    }
    static glm::vec2 to_local(const Transform& t, const TransformSines& s, glm::vec2 world) {
        return rotate_sin_cos(world - t.position, s.sin_back, s.cos_back) / t.scale;
    }
};

// What the step takes from each proxy's angles more than once: the Transform's sines and the body's.
struct ProxySines {
    TransformSines transform;
    float body_sin = 0.0f;
    float body_cos = 1.0f;
};

inline ProxySines sines_of(const SpritePhysicsProxy& proxy) {
    ProxySines s;
    s.transform = TransformSines(*proxy.transform);
    s.body_sin = std::sin(proxy.body->angle);
    s.body_cos = std::cos(proxy.body->angle);
    return s;
}
