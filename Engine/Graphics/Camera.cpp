#include "Engine/Graphics/Camera.h"

#include <glm/gtc/matrix_transform.hpp>

Camera::Camera() { set_ortho(1.0f, 1.0f, 1.0f); }

void Camera::set_ortho(float new_size, float new_aspect, float new_depth) {
    size = new_size;
    aspect = new_aspect;
    depth = new_depth;
    projection = glm::mat4(1.0f);
    projection[0][0] = 1.0f / (size * aspect);
    projection[1][1] = 1.0f / size;
    projection[2][2] = -1.0f / depth;
    inverse_projection = glm::inverse(projection);
    update_matrices();
}

void Camera::update_matrices() {
    view = glm::translate(glm::mat4(1.0f), -position);
    view_projection = projection * view;
    inverse_view = glm::inverse(view);
    inverse_view_projection = glm::inverse(view_projection);
    glm::vec4 a = inverse_view_projection * glm::vec4(-1.0f, -1.0f, 0.0f, 1.0f);
    glm::vec4 b = inverse_view_projection * glm::vec4(1.0f, 1.0f, 0.0f, 1.0f);
    visible_area = AxisAlignedArea::from_corners(glm::vec2(a), glm::vec2(b));
}
