#include "Game/Systems/Ui/GameUiRenderSystem.h"

#include <algorithm>
#include <cmath>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Scene.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"
#include "Engine/ViewportRect.h"
#include "Game/Components/Player.h"
#include "Game/Entities/PlayerEntity.h"

namespace {

constexpr float kShakeFade = 8.0f; // per second
constexpr float kShipCellPixels = 4.0f;
constexpr float kShipZ = 0.2f;
constexpr glm::vec4 kCloudTint{1.0f, 0.1f, 0.1f, 1.0f};
constexpr float kChipTurn = 0.2617994f; // pi / 12

uint32_t to_rgba8(glm::vec4 c) {
    const auto channel = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
    return pack_rgba8(channel(c.r), channel(c.g), channel(c.b), channel(c.a));
}

// random_in_disc's draw, from a generator of its own.
glm::vec2 cosmetic_in_disc(std::mt19937& random, float radius) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float length = unit(random) * radius;
    const float angle = unit(random) * kTwoPi;
    return length * direction_from_angle(angle);
}

} // namespace

GameUiRenderSystem::GameUiRenderSystem(SceneBase&, TextureAtlasPacked* atlas) : SystemBase(kName), m_atlas(atlas) {}

void GameUiRenderSystem::on_attach(SceneBase& scene) {
    m_picture.load(scene.assets(), kPanelSprite, *m_atlas);
    scene.event_bus().subscribe<SpawnCellParticleEvent>(this);
}

void GameUiRenderSystem::update(const SimulationTick& tick) {
    const PlayerEntity& player = *first_or_default<PlayerEntity>(entity_pool());
    const float old_unit = m_units_per_pixel;
    const glm::ivec2 extents = player.sprite.cell_extents();
    const bool cloud = player.player.is_cloud != 0;

    m_color = glm::vec4(1.0f);
    if (cloud) {
        const float f =
            player.player.cloud_timer > 0.0f ? player.player.cloud_elapsed / player.player.cloud_timer : 1.0f;
        m_shake = f * kMaxShake;
        m_color = lerp_clamped_vec4(glm::vec4(1.0f), kCloudTint, f);
    }
    m_shake = lerp_clamped_float(m_shake, 0.0f, tick.delta_time * kShakeFade);
    if (m_shake < 0.001f) {
        m_shake = 0.0f;
    }
    // A picture that found no room in the atlas has no size to draw at.
    if (m_picture.region.width == 0 || m_picture.region.height == 0) {
        return;
    }
    const float unit = 1.0f / static_cast<float>(m_picture.region.height);
    const float panel_aspect = static_cast<float>(m_picture.region.width) / static_cast<float>(m_picture.region.height);
    m_units_per_pixel = unit;
    const glm::vec2 offset = cosmetic_in_disc(m_shake_random, m_shake);

    const ViewportRect& view = viewport();
    const float aspect = static_cast<float>(std::max(view.width, 1)) / static_cast<float>(std::max(view.height, 1));
    m_panel = Transform{};
    m_panel.position = glm::vec2(panel_aspect - aspect + offset.x * unit, offset.y * unit);
    m_panel.scale = glm::vec2(panel_aspect, 1.0f);
    Renderer& draw = renderer();
    draw.add_ui_static_sprite(m_panel, m_picture.region, to_rgba8(m_color));

    if (cloud) {
        return; // the ship picture keeps its last place for the cells still flying out of it
    }
    const glm::vec2 e(static_cast<float>(extents.x), static_cast<float>(extents.y));
    m_ship.position = 2.0f * e * old_unit + m_panel.position;
    m_ship.scale = e * kShipCellPixels * old_unit;
    m_ship.angle = 0.0f;
    m_ship.z = kShipZ;
    const Sprite& sprite = player.sprite;
    draw.add_ui_sprite(m_ship, sprite.grid().chunks_x, sprite.grid().chunks_y, sprite.chunk_table().chunk_of_slot,
                       [](const SpriteChunk* chunk) {
                           return SpriteChunkDraw{chunk->index, glm::vec3(chunk->uv, chunk->layer_f)};
                       });
}

void GameUiRenderSystem::handle(const SpawnCellParticleEvent& event) {
    EntityPool& pool = entity_pool();
    if (!pool.has_list(event.entity.entity_type_id) ||
        !pool.list_of(event.entity).has_components(component_mask<Player>())) {
        return;
    }
    m_shake = kMaxShake;
    Renderer& draw = renderer();
    for (const DebrisCellParticle& cell : event.cells) {
        const glm::vec2 position = m_ship.to_world(cell.local_position);
        const float turn = random_signed(kChipTurn);
        // A chip of a body at rest has no direction of its own; it then just spins and fades where it broke off.
        const glm::vec2 direction = rotate(normalize_or_zero(cell.velocity), turn);
        const float spin = random_signed(kPi);
        const glm::vec2 tumble = random_vec2_in_box(kPi, kPi);
        const float life = random_range(0.2f, 0.8f);

        const glm::vec4 color = unpack_rgba8(cell.color);
        ParticleSpawnSettings chip;
        chip.position = {true, glm::vec2(0.0f), glm::vec2(0.0f)};
        chip.z = {true, 0.0f, 0.0f};
        chip.angle = {true, 0.0f, 0.0f};
        chip.angle_xy = {true, glm::vec2(0.0f), glm::vec2(0.0f)};
        chip.velocity = {true, direction, glm::vec2(0.0f)};
        chip.velocity_z = {true, 0.0f, 0.0f};
        chip.damping = {true, 0.02f, 0.0f};
        chip.angular_velocity = {true, spin, 0.0f};
        chip.angular_velocity_xy = {true, tumble, glm::vec2(0.0f)};
        chip.angular_damping = {true, 0.02f, 0.0f};
        chip.life = {true, life, 0.0f};
        chip.initial_scale = {true, glm::vec2(2.0f * m_units_per_pixel), glm::vec2(0.0f)};
        chip.final_scale = {true, glm::vec2(0.0f), glm::vec2(0.0f)};
        chip.factor_scale = {true, 1.0f, 0.0f};
        chip.initial_color = {true, color, glm::vec4(0.0f)};
        chip.final_color = {true, glm::vec4(color.r, color.g, color.b, 0.0f), glm::vec4(0.0f)};
        chip.factor_color = {true, 10.0f, 0.0f};
        chip.number_to_spawn = {true, 1, 0};
        draw.spawn_ui_particles(position, 0.0f, chip);
    }
}
