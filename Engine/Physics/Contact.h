#pragma once
// One contact point between two colliding sprites, as the sprite collision hands it to the solver.

#include <glm/vec2.hpp>

class PhysicsBody;

struct Contact {
    PhysicsBody* body_a = nullptr;
    PhysicsBody* body_b = nullptr;
    glm::vec2 local_point_a{0.0f};
    glm::vec2 local_point_b{0.0f};
    glm::vec2 point{0.0f};  // world
    glm::vec2 normal{0.0f}; // world, pointing out of body_a
    float depth = 0.0f;
    glm::vec2 lever_a{0.0f}; // world-space offset of the point from a's centre of mass
    glm::vec2 lever_b{0.0f};
    float time = 0.0f; // seconds the bodies have to remove the depth
};
