#pragma once
// Places a sprite-bearing entity in the world: position, per-axis scale (a sprite's half extent), angle and depth.

#include <glm/glm.hpp>

#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Vector.h"

struct Transform {
    glm::vec2 position{0.0f, 0.0f};
    glm::vec2 scale{1.0f, 1.0f};
    float angle = 0.0f;
    float z = 0.0f;

    glm::vec2 to_world(glm::vec2 local) const { return rotate(local * scale, angle) + position; }
    glm::vec2 to_local(glm::vec2 world) const { return rotate(world - position, -angle) / scale; }
    // The four corners of the transformed square [-1, 1]^2: (+,+), (+,-), (-,-), (-,+).
    void corners(glm::vec2 out[4]) const;
    // World bounds of those four corners.
    AxisAlignedArea bounds() const;
    glm::mat4 to_matrix() const;
    // A copy moved by the body's velocity and turned about the pivot; scale and z unchanged.
    Transform integrate(glm::vec2 pivot, glm::vec2 velocity, float angular_velocity, float dt) const;

    // The child placed in the parent's frame.
    static Transform combine(const Transform& parent, const Transform& child);
};
