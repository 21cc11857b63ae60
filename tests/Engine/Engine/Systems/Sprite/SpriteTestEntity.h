#pragma once
// An entity kind with every component the sprite systems read, and a harness that registers it next to
// the rock list.

#include <functional>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Support/SceneHarness.h"

struct SpriteTestEntity {
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
    SpriteDirtyFlag dirty;
};

inline void register_sprite_test_lists(EntityPool& pool) {
    pool.add_list<RockEntity>("RockEntity", &RockEntity::transform, &RockEntity::body, &RockEntity::sprite,
                              &RockEntity::cores, &RockEntity::dirty, &RockEntity::marker);
    pool.add_list<SpriteTestEntity>("SpriteTestEntity", &SpriteTestEntity::transform, &SpriteTestEntity::body,
                                    &SpriteTestEntity::sprite, &SpriteTestEntity::cores, &SpriteTestEntity::dirty);
}

// A transform that makes the sprite's grid one world unit per chunk, as the factory does.
inline Transform sprite_transform(const Sprite& sprite, glm::vec2 position = glm::vec2(0.0f)) {
    Transform t;
    t.position = position;
    t.scale = glm::vec2(static_cast<float>(sprite.grid().chunks_x), static_cast<float>(sprite.grid().chunks_y)) * 0.5f;
    return t;
}
