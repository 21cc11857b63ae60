#include "Game/Scenes/GameScene.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "Common/Assets/AssetPackage.h"
#include "Editor/EditorCameraControllerSystem.h"
#include "Editor/EditorSpriteRemoveCellWithMouseSystem.h"
#include "Editor/ParticleDesignerSystem.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/Systems/Physics/PhysicsLerpTransformSystem.h"
#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"
#include "Engine/Engine/Systems/Physics/SpritePhysicsSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCommitSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreUpdateSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Graphics/RenderEventHandler.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Platform/DetachedProcess.h"
#include "Engine/Random.h"
#include "Game/Components/ItemSink.h"
#include "Game/Components/Tags.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/EventHandlers/ExplosionEventHandler.h"
#include "Game/EventHandlers/PlayerEventHandler.h"
#include "Game/EventHandlers/SpriteEffectsEventHandler.h"
#include "Game/Systems/Ai/AiBaseSystem.h"
#include "Game/Systems/Ai/AiBombSystem.h"
#include "Game/Systems/Ai/AiDriverSystem.h"
#include "Game/Systems/Ai/AiFighterSystem.h"
#include "Game/Systems/Ai/AiFlockerSystem.h"
#include "Game/Systems/Ai/AiForceMoverSystem.h"
#include "Game/Systems/Ai/AiStationSystem.h"
#include "Game/Systems/Ai/AiThrowerSystem.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"
#include "Game/Systems/Camera/CameraControllerSystem.h"
#include "Game/Systems/Item/ItemMoveSystem.h"
#include "Game/Systems/Player/PlayerCloudEffectSystem.h"
#include "Game/Systems/Player/PlayerMoveSystem.h"
#include "Game/Systems/Player/PlayerShootSystem.h"
#include "Game/Systems/Projectile/BulletMoveSystem.h"
#include "Game/Systems/Ui/GamePauseMenuUiRenderSystem.h"
#include "Game/Systems/Ui/GameUiRenderSystem.h"
#include "Game/Systems/Weapon/WeaponSystem.h"
#include "Game/Weapons/WeaponEffects.h"

namespace {

constexpr TextureLayout kSpriteAtlasLayout{TextureType2D, TextureFormatRgba8, 1024, 1024, 1, 4, 1};
// The view at start-up: 10 units high, centred on the origin.
constexpr float kCameraSize = 5.0f;
constexpr float kCameraDepth = 5.0f;

} // namespace

GameScene::GameScene()
    : m_chunk_pool(32, 1024, 32), m_sprite_atlas(kSpriteAtlasLayout),
      m_factory(&entity_pool(), &m_chunk_pool, &m_sprite_atlas, &assets()), m_player_input(&camera()),
      m_editor_input(&camera()), m_link_launcher(launch_detached) {
    camera().set_ortho(kCameraSize, 1.0f, kCameraDepth);
}

GameScene::~GameScene() = default;

void GameScene::register_entity_lists() { register_game_entity_lists(entity_pool()); }

void GameScene::on_start() {
    // The spawner counts from zero after every start, as a recording and its play-backs expect.
    m_spawn_timer = 0.0f;
    // The camera turns the mouse into the ship's aim, so every start frames the origin at the start-up zoom:
    // otherwise a recording and each play-back aim from wherever the run before left the view. The aspect
    // follows the viewport, which a restart keeps.
    Camera& view = camera();
    view.position = glm::vec3(0.0f);
    view.set_ortho(kCameraSize, view.aspect, kCameraDepth);
    // Likewise the mouse: the first refresh of the run sees it where it is, not moved from the last run's place.
    m_editor_input.forget_motion();
    load_weapon_particle_presets(assets());

    register_rock_entity_list(entity_pool());
    register_entity_lists();

    EventBus& bus = event_bus();
    bus.subscribe<PauseChangedEvent>(this);
    bus.subscribe<SpawnItemEvent>(this);
    bus.subscribe<SpriteCoreExplodedEvent>(this);

    register_event_handler<PlayerEventHandler>(&entity_pool(), assets());
    register_event_handler<SpriteEffectsEventHandler>(assets(), entity_pool());
    register_event_handler<RenderEventHandler>(renderer());
    register_event_handler<ExplosionEventHandler>(assets(), &m_factory);
    register_input_scheme(m_player_input);
    register_input_scheme(m_editor_input);

    // Tick: player move and shoot come first, then the tree the bullets query.
    register_system<PlayerMoveSystem>(SystemGroup::Tick, *this, &m_player_input);
    register_system<PlayerShootSystem>(SystemGroup::Tick, *this, &m_player_input);
    register_system<SpriteCreateTreeSystem>(SystemGroup::Tick, &m_sprite_tree);
    register_system<BulletMoveSystem>(SystemGroup::Tick, *this, &m_sprite_tree);
    register_system<ItemMoveSystem>(SystemGroup::Tick, *this);
    register_system<AiBombSystem>(SystemGroup::Tick);
    register_system<AiThrowerSystem>(SystemGroup::Tick, &m_sprite_tree);
    register_system<AiStationSystem>(SystemGroup::Tick, &m_factory);
    register_system<AiFlockerSystem>(SystemGroup::Tick, &m_sprite_tree);
    register_system<AiFighterSystem>(SystemGroup::Tick);
    register_system<AiBaseSystem>(SystemGroup::Tick);
    register_system<AiForceMoverSystem>(SystemGroup::Tick);
    register_system<WeaponSystem>(SystemGroup::Tick, *this, &m_factory);
    register_system<CameraControllerSystem>(SystemGroup::Tick, *this);
    register_system<SpriteCommitSystem>(SystemGroup::Tick, &m_chunk_pool);
    register_system<SpriteCoreUpdateSystem>(SystemGroup::Tick);
    // The driver works on the fixed step, before the sprite physics collides the ships.
    register_system<AiDriverSystem>(SystemGroup::Fixed);
    register_system<SpritePhysicsSystem>(SystemGroup::Fixed);
    register_system<PhysicsUpdateSystem>(SystemGroup::PostFixed);
    register_system<PhysicsLerpTransformSystem>(SystemGroup::AfterFixed);
    register_system<GameUiRenderSystem>(SystemGroup::Render, *this, &m_sprite_atlas);
    register_system<SpaceBackgroundRenderSystem>(SystemGroup::Render, *this, &m_sprite_atlas);
    register_system<ParticleDesignerSystem>(SystemGroup::EditorUi, m_editor_input);
    register_system<EditorCameraControllerSystem>(SystemGroup::Render, *this, &m_editor_input);
    register_system<EditorSpriteRemoveCellWithMouseSystem>(SystemGroup::Unused, *this, &m_editor_input);
    register_system<PlayerCloudEffectSystem>(SystemGroup::Unused, *this);
    register_system<GamePauseMenuUiRenderSystem>(SystemGroup::UnusedRender, *this, &m_sprite_atlas);

    // A restart (reload, recording, replay) starts from the panel's switches.
    if (!m_camera_follow_player) {
        transition_system(CameraControllerSystem::kName, SystemGroup::Unused);
    }
    if (m_cut_sprite_with_mouse) {
        transition_system(EditorSpriteRemoveCellWithMouseSystem::kName, SystemGroup::Tick);
    }
}

void GameScene::on_stop() { entity_pool().clear(); }

void GameScene::on_start_rendering() {
    RenderContextBase& context = render_context();
    m_chunk_pool.create(context);
    // The packed atlas restarts its packing when created, so every picture is packed anew.
    m_sprite_atlas.create(context);
    renderer().set_sprite_textures(m_sprite_atlas.handle(), m_chunk_pool.color_texture(), m_chunk_pool.flags_texture());

    const auto pack = [&](std::string_view name) {
        return m_sprite_atlas.add_image(assets().get_by_name<ImageAsset>(name)).value_or(UvRect{});
    };
    m_item_images[ItemKindHealth] = pack("game/item/health");
    m_item_images[ItemKindCore] = pack("game/item/core");

    m_factory.create_player(glm::vec2(0.0f));
    RockRequest rock;
    rock.sprite = assets().get_id_by_name<SpriteAsset>("hello");
    m_factory.create_rock(rock);
    entity_pool().flush();
}

void GameScene::on_stop_rendering() {
    RenderContextBase& context = render_context();
    m_chunk_pool.destroy(context);
    m_sprite_atlas.destroy(context);
}

void GameScene::on_render(const SimulationTick& tick) {
    if (!tick.run_simulation_tick) {
        return;
    }
    RenderContextBase& context = render_context();
    m_chunk_pool.update(context);
    m_sprite_atlas.update(context);

    Renderer& draw = renderer();
    EntityPool& pool = entity_pool();
    for (const BulletEntity& bullet : pool.list<BulletEntity>().entities()) {
        draw.add_line(bullet.trail);
    }
    // Items are drawn at 1/64 world unit per picture pixel; the transform's scale is the half size.
    for (const ItemEntity& item : pool.list<ItemEntity>().entities()) {
        if (item.kind >= m_item_images.size()) {
            continue;
        }
        const UvRect& image = m_item_images[item.kind];
        Transform transform;
        transform.position = item.position;
        transform.scale = glm::vec2(static_cast<float>(image.width), static_cast<float>(image.height)) / 128.0f;
        transform.angle = item.angle;
        draw.add_static_sprite(transform, image);
    }
    for (auto row : EntityViewOf<Transform, Sprite>(pool)) {
        const Sprite& sprite = row.get<Sprite>();
        draw.add_sprite(row.get<Transform>(), sprite.grid().chunks_x, sprite.grid().chunks_y,
                        sprite.chunk_table().chunk_of_slot, [](const SpriteChunk* chunk) {
                            return SpriteChunkDraw{chunk->index, glm::vec3(chunk->uv, chunk->layer_f)};
                        });
    }
    draw_test_bed_window();
}

void GameScene::on_spawn_item(const SpawnItemEvent& event) {
    m_factory.create_item(ItemRequest{event.position, event.velocity, event.kind});
}

void GameScene::on_sprite_core_exploded(const SpriteCoreExplodedEvent& event) {
    if (event.type != cell_type_value(CellType::Core) || !entity_pool().has_list(event.entity.entity_type_id)) {
        return;
    }
    EntityListBase& list = entity_pool().list_of(event.entity);
    if (!list.has_components(component_mask<EnemyTag>())) {
        return;
    }
    glm::vec2 velocity = random_on_circle(1.0f);
    if (list.is_alive(event.entity)) {
        if (const auto* body =
                static_cast<const PhysicsBody*>(list.get_component(component_type_id<PhysicsBody>(), event.entity))) {
            velocity += 0.5f * body->linear_velocity;
        }
    }
    const int32_t n = event.strength;
    ExplosionEvent explosion;
    explosion.count_a = std::max(n, 20);
    explosion.count_b = n >= 16 ? static_cast<int32_t>(std::trunc(std::sqrt(static_cast<float>(n)))) : 0;
    explosion.position = event.position;
    explosion.velocity = velocity;
    EventBus& bus = event_bus();
    bus.publish(explosion);
    for (int32_t i = 0; i < n / 5; ++i) {
        SpawnItemEvent item;
        item.kind = ItemKindHealth;
        item.position = event.position + random_in_disc(0.1f);
        item.velocity = velocity + random_in_disc(5.0f);
        bus.publish(item);
    }
}
