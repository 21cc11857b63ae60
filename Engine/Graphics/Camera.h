#pragma once
// The 2D orthographic camera of a scene and of the renderer: its matrices, their inverses and the world
// rectangle that it sees.

#include <glm/glm.hpp>

#include "Engine/Math/AxisAlignedArea.h"

struct Camera {
    glm::mat4 projection{1.0f};
    glm::mat4 view{1.0f};
    glm::mat4 view_projection{1.0f};
    glm::mat4 inverse_projection{1.0f};
    glm::mat4 inverse_view{1.0f};
    glm::mat4 inverse_view_projection{1.0f};
    AxisAlignedArea visible_area{};
    // z is carried into the view; the projection ignores it.
    glm::vec3 position{0.0f};
    float size = 1.0f;   // half height of the view in world units
    float aspect = 1.0f; // width / height
    float depth = 1.0f;  // half depth of the projection volume

    Camera();

    void set_ortho(float size, float aspect, float depth);
    // Whoever moves the position calls this.
    void update_matrices();
};
