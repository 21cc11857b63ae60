#include "Game/Input/ScreenToWorld.h"

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include "Engine/Graphics/Camera.h"

glm::vec2 screen_to_world(const Camera* camera, glm::vec2 viewport_position) {
    const glm::vec4 clip{2.0f * viewport_position.x - 1.0f, 2.0f * viewport_position.y - 1.0f, 0.0f, 1.0f};
    if (camera == nullptr) {
        return {clip.x, clip.y};
    }
    const glm::vec4 world = camera->inverse_view_projection * clip;
    return {world.x / world.w, world.y / world.w};
}
