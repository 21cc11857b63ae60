#pragma once
// A bare destructible body: rocks, shapes, split-off pieces and the segments of a multi-sprite.
// The sprite systems create rocks themselves, so the record lives beside them.

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/SpriteBodyMarker.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"

struct RockEntity {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    SpriteBodyMarker marker;
};
