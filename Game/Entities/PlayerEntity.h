#pragma once
// The player's ship.

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/ItemSink.h"
#include "Game/Components/Player.h"
#include "Game/Components/Weapon.h"

struct PlayerEntity {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
    Player player;
    ItemSink item_sink;
    Weapon weapon;
};
