#include "Engine/Math/Transform.h"

#include <cmath>

#include "Engine/Math/Vector.h"

void Transform::corners(glm::vec2 out[4]) const {
    float s = std::sin(angle);
    float c = std::cos(angle);
    out[0] = position + rotate_sin_cos({scale.x, scale.y}, s, c);
    out[1] = position + rotate_sin_cos({scale.x, -scale.y}, s, c);
    out[2] = position + rotate_sin_cos({-scale.x, -scale.y}, s, c);
    out[3] = position + rotate_sin_cos({-scale.x, scale.y}, s, c);
}

AxisAlignedArea Transform::bounds() const {
    glm::vec2 c[4];
    corners(c);
    return AxisAlignedArea::from_points(c, 4);
}

glm::mat4 Transform::to_matrix() const {
    // translate * rotate(z) * scale, written out so the matrix costs two sines and no multiplies of 4x4s.
    float s = std::sin(angle);
    float c = std::cos(angle);
    glm::mat4 m(1.0f);
    m[0] = glm::vec4(c * scale.x, s * scale.x, 0.0f, 0.0f);
    m[1] = glm::vec4(-s * scale.y, c * scale.y, 0.0f, 0.0f);
    m[2] = glm::vec4(0.0f, 0.0f, 1.0f, 0.0f);
    m[3] = glm::vec4(position.x, position.y, z, 1.0f);
    return m;
}

Transform Transform::integrate(glm::vec2 pivot, glm::vec2 velocity, float angular_velocity, float dt) const {
    PositionAngle moved = integrate_position_angle(pivot, position, angle, velocity, angular_velocity, dt);
    Transform out = *this;
    out.position = moved.position;
    out.angle = moved.angle;
    return out;
}

Transform Transform::combine(const Transform& parent, const Transform& child) {
    Transform out;
    out.position = parent.position + rotate(child.position * parent.scale, parent.angle);
    out.scale = parent.scale * child.scale;
    out.angle = parent.angle + child.angle;
    out.z = parent.z + child.z;
    return out;
}
