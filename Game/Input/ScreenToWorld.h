#pragma once

#include <glm/vec2.hpp>

struct Camera;

// A position in viewport units (0 to 1 on each axis, y upwards) to world coordinates through the camera.
glm::vec2 screen_to_world(const Camera* camera, glm::vec2 viewport_position);
