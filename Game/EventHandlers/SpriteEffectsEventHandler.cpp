#include "Game/EventHandlers/SpriteEffectsEventHandler.h"

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/LightningEvent.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"

namespace {

constexpr float kDiagonal = 0.70710678f;
constexpr glm::vec2 kEdgeDirections[8] = {
    {0.0f, 1.0f},  {kDiagonal, kDiagonal},   {1.0f, 0.0f},  {kDiagonal, -kDiagonal},
    {0.0f, -1.0f}, {-kDiagonal, -kDiagonal}, {-1.0f, 0.0f}, {-kDiagonal, kDiagonal}};

constexpr float kHitImpulse = 0.01f;

} // namespace

glm::vec2 cell_edge_direction(uint16_t flags) { return kEdgeDirections[cell_direction(flags)]; }

SpriteEffectsEventHandler::SpriteEffectsEventHandler(EventBus& bus, const AssetPackage& assets, EntityPool& pool)
    : EventHandlerBase(bus), m_spark(assets.get_by_name<ParticleAsset>("engine/particles/spark").spawn), m_pool(&pool) {
}

void SpriteEffectsEventHandler::on_bullet_hit_cell(const BulletHitCellEvent& e) {
    const float speed = random_range(1.0f, 10.0f);
    const glm::vec2 u = normalize_or_zero(e.velocity);

    DebrisCellParticle chip;
    chip.world_position = e.world_position;
    chip.local_position = e.local_position;
    chip.angle = e.entity_angle;
    chip.velocity = u * speed;
    chip.angular_velocity = 0.0f;
    chip.color = e.cell_color;
    publish(SpawnCellParticleEvent{e.entity, {chip}});

    const float spark_angle = angle_of(rotate(cell_edge_direction(e.cell_flags), e.entity_angle));
    publish(SpawnParticleEvent{e.world_position, spark_angle, m_spark});

    if (e.first_hit == 0) {
        return;
    }
    // The body may have gone between the hit and this dispatch.
    EntityListBase& list = m_pool->list_of(e.entity);
    if (!list.is_alive(e.entity)) {
        return;
    }
    if (auto* body = static_cast<PhysicsBody*>(list.get_component(component_type_id<PhysicsBody>(), e.entity))) {
        body->apply_impulse_at(u * kHitImpulse, e.local_position);
    }
}

void SpriteEffectsEventHandler::on_sprite_core_exploded(const SpriteCoreExplodedEvent& e) {
    if (e.type < static_cast<uint32_t>(CellType::Weakpoint1) || e.type > static_cast<uint32_t>(CellType::Weakpoint4)) {
        return;
    }
    for (int32_t i = 0; i < kLightningBoltsPerWeakpoint; ++i) {
        // Separate statements: the draws of one bolt come in this order.
        SpawnLightningEvent bolt;
        bolt.from = e.position;
        bolt.to = e.position + random_in_disc_radius_range(1.0f, 3.0f);
        bolt.segment_count = random_int_range(5, 50);
        bolt.branch_factor = random_range(0.0f, 1.0f);
        bolt.offset_scale = 5.0f;
        bolt.timing = random_range(4.0f, 32.0f);
        publish(bolt);
    }
}
