#pragma once
// The steering piece of a multi-sprite snake; the game scene's fixed tick drives it.

#include <cstdint>

#include <glm/vec2.hpp>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/SpriteBodyMarker.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/Tags.h"

enum SnakeHeadState : uint32_t {
    SnakeHeadStateWait = 0,
    SnakeHeadStateCircle = 1,
    SnakeHeadStateDive = 2,
};

struct AiSnakeHead {
    float state_duration = 5.0f;
    float state_timer = 0.0f;
    uint32_t state = SnakeHeadStateWait;
    glm::vec2 dive_target{0.0f, 0.0f};
    float phase = 0.0f;
};

struct SnakeHeadEntity {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    SpriteBodyMarker marker;
    AiSnakeHead head; // state of the kind, not a registered component
};
