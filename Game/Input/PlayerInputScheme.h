#pragma once
// The controls of play: movement, aim, shooting and the pause key.

#include <glm/vec2.hpp>

#include "Engine/Input/InputScheme.h"

struct Camera;

class PlayerInputScheme : public InputSchemeBase {
public:
    explicit PlayerInputScheme(Camera* camera) : camera(camera) {}

    void bind(InputBinder& binder) override;
    void before_read() override {}
    // The mouse position becomes a world position.
    void after_read() override;

    glm::vec2 movement{0.0f};
    glm::vec2 aim{0.0f}; // viewport units while read, world coordinates after the read
    glm::vec2 aim_world{0.0f};
    glm::vec2 aim_keyboard{0.0f};
    bool keyboard_aim = false;
    bool shoot = false;
    bool click = false;
    bool pause_game = false;
    Camera* camera = nullptr;
};
