#include "Engine/Engine/Systems/Physics/SpritePhysicsSystem.h"

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Scene.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"

SpritePhysicsSystem::SpritePhysicsSystem() : SystemBase(kName) {}

void SpritePhysicsSystem::update(const SimulationTick& tick) {
    const float dt = tick.fixed_delta_time;
    m_proxies.clear();
    for (auto row : EntityViewOf<Sprite, PhysicsBody, Transform>(entity_pool())) {
        PhysicsBody& body = row.get<PhysicsBody>();
        if (!body_is_finite(body)) {
            continue;
        }
        m_proxies.push_back(make_sprite_physics_proxy(row.get<Transform>(), body, row.get<Sprite>(), dt));
    }
    sprite_physics_step(thread_pool(), scene()->constraints(), m_proxies, dt, m_storage, &debug_lines());
}
