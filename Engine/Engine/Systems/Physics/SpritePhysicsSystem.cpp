#include "Engine/Engine/Systems/Physics/SpritePhysicsSystem.h"

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Scene.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"

SpritePhysicsSystem::SpritePhysicsSystem() : SystemBase(kName) {}

void SpritePhysicsSystem::update(const SimulationTick& tick) {
    const float dt = tick.fixed_delta_time;
    m_entries.clear();
    m_poses.clear();
    for (auto row : EntityViewOf<Sprite, PhysicsBody, Transform>(entity_pool())) {
        PhysicsBody& body = row.get<PhysicsBody>();
        if (!body_is_finite(body)) {
            continue;
        }
        m_entries.push_back(Entry{&body, &row.get<Sprite>()});
        m_poses.push_back(body.transform(row.get<Transform>().scale));
    }
    // The poses are all in place, so the proxies' pointers into them stay valid.
    m_proxies.clear();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_proxies.push_back(make_sprite_physics_proxy(m_poses[i], *m_entries[i].body, *m_entries[i].sprite, dt));
    }
    sprite_physics_step(thread_pool(), scene()->constraints(), m_proxies, dt, m_storage, &debug_lines());
}
