#pragma once
// The look of hits and core explosions: every cell a bullet removes flies off as a chip with a burst of sparks
// along the cell's outward edge, a bullet's first cell nudges the body it hits, and an exploding weak point
// throws a hundred branching lightning bolts.

#include <glm/vec2.hpp>

#include "Common/Assets/ParticleSpawnSettings.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/Event/EventHandler.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"

struct AssetPackage;
class EntityPool;

inline constexpr int32_t kLightningBoltsPerWeakpoint = 100;

// The outward direction of a cell, from bits 8 to 10 of its flags: clockwise from straight up in 45 degree steps.
glm::vec2 cell_edge_direction(uint16_t flags);

class SpriteEffectsEventHandler final
    : public EventHandlerBase<SpriteEffectsEventHandler, BulletHitCellEvent, SpriteCoreExplodedEvent> {
public:
    // Throws std::invalid_argument when "engine/particles/spark" is missing.
    SpriteEffectsEventHandler(EventBus& bus, const AssetPackage& assets, EntityPool& pool);

    void on_bullet_hit_cell(const BulletHitCellEvent& event);
    void on_sprite_core_exploded(const SpriteCoreExplodedEvent& event);

    void handle(const BulletHitCellEvent& event) { on_bullet_hit_cell(event); }
    void handle(const SpriteCoreExplodedEvent& event) { on_sprite_core_exploded(event); }

private:
    ParticleSpawnSettings m_spark;
    EntityPool* m_pool;
};
