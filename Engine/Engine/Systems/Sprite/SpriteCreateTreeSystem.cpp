#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"

SpriteCreateTreeSystem::SpriteCreateTreeSystem(AxisAlignedAreaTree<EntityId>* tree) : SystemBase(kName), m_tree(tree) {}

void SpriteCreateTreeSystem::update(const SimulationTick&) {
    m_tree->clear();
    for (auto row : EntityViewOf<Transform, Sprite>(entity_pool())) {
        glm::vec2 corners[4];
        row.get<Transform>().corners(corners);
        m_tree->insert(AxisAlignedArea::from_points(corners, 4), row.id());
    }
}
