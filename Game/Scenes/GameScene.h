#pragma once
// The playable test bed: owns the sprite chunk pool, the packed sprite atlas, the area tree of sprites and
// the entity factory; registers the game's lists, handlers and systems; draws every entity.
// One class across files by concern: GameScene.cpp (lifecycle, the one ordered registration block, drawing),
// GameSceneTick.cpp (the scene's own tick), GameScenePause.cpp (the pause table), GameSceneTestBed.cpp
// (the welcome panel and the viewport menu).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Scene.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Engine/Graphics/UvRect.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Result.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Input/EditorInputScheme.h"
#include "Game/Input/PlayerInputScheme.h"
#include "Game/Scenes/SpawnItemEvent.h"

class GameScene final : public SceneBase {
public:
    GameScene();
    ~GameScene() override;

    void on_start() override;
    void on_stop() override;
    void on_tick(const SimulationTick& tick) override;
    void on_start_rendering() override;
    void on_stop_rendering() override;
    void on_render(const SimulationTick& tick) override;
    void on_editor_ui(const SimulationTick& tick) override;

    // Parks the simulation systems while paused and brings them back by name.
    void set_paused(const PauseChangedEvent& event);
    // An enemy's main core exploding: an explosion and health items.
    void on_sprite_core_exploded(const SpriteCoreExplodedEvent& event);
    void on_spawn_item(const SpawnItemEvent& event);

    // Bus entry points of the scene's own subscriptions.
    using SceneBase::handle;
    void handle(const PauseChangedEvent& event) { set_paused(event); }
    void handle(const SpawnItemEvent& event) { on_spawn_item(event); }
    void handle(const SpriteCoreExplodedEvent& event) { on_sprite_core_exploded(event); }

    // The game's lists after the rock list: players, bullets, enemies, snake heads, items.
    void register_entity_lists();

    // The welcome panel (from the render hook) and the viewport's context menu (from the editor hook).
    void draw_test_bed_window();
    void draw_viewport_menu();
    // Empties the world for a loader: every list anew, the cloud effect parked.
    void reset();

    // Where the welcome panel's feedback link leads, and what opens it: a program and its arguments, started
    // in the background (xdg-open by default). A failure is logged; the game goes on.
    static constexpr std::string_view kFeedbackAddress = "https://example.org/pellmar/feedback";
    using LinkLauncher = std::function<Result(const std::vector<std::string>& argv)>;
    void set_link_launcher(LinkLauncher launcher) { m_link_launcher = std::move(launcher); }
    void open_feedback_link();

    // The test-bed panel's settings.
    bool spawn_enabled() const { return m_spawn_enabled != 0; }
    void set_spawn_enabled(bool enabled) { m_spawn_enabled = enabled ? 1 : 0; }
    float spawn_interval() const { return m_spawn_interval; }
    float spawn_timer() const { return m_spawn_timer; }
    int32_t spawn_max_enemies() const { return m_spawn_max_enemies; }
    bool camera_follow_player() const { return m_camera_follow_player != 0; }
    bool cut_sprite_with_mouse() const { return m_cut_sprite_with_mouse != 0; }

    SpriteChunkPool& chunk_pool() { return m_chunk_pool; }
    TextureAtlasPacked& sprite_atlas() { return m_sprite_atlas; }
    AxisAlignedAreaTree<EntityId>& sprite_tree() { return m_sprite_tree; }
    EntityFactory& factory() { return m_factory; }
    PlayerInputScheme& player_input() { return m_player_input; }
    EditorInputScheme& editor_input() { return m_editor_input; }
    // Where the item pictures sit in the sprite atlas, by item kind (0 Core, 1 Health).
    const std::array<UvRect, 2>& item_images() const { return m_item_images; }

private:
    // Sets the welcome panel's place when it is drawn in a mode other than the last one.
    void place_welcome_window();
    // Fixed ticks: the joint map rebuilt from the bodies' links, snake heads steered, joints that lost a body
    // dropped, and one rope row per joint.
    void update_joints(const SimulationTick& tick);
    // Every spawn interval, an enemy somewhere on a ring around the player while there are few.
    void update_spawner(const SimulationTick& tick);

    SpriteChunkPool m_chunk_pool;
    TextureAtlasPacked m_sprite_atlas;
    AxisAlignedAreaTree<EntityId> m_sprite_tree;
    EntityFactory m_factory;
    PlayerInputScheme m_player_input;
    EditorInputScheme m_editor_input;
    std::array<UvRect, 2> m_item_images{};
    // The test-bed panel's spawner settings and switches; they survive scene restarts.
    uint8_t m_spawn_enabled = 0;
    int32_t m_spawn_max_enemies = 8;
    float m_spawn_interval = 10.0f;
    float m_spawn_timer = 0.0f;
    uint8_t m_camera_follow_player = 1;
    uint8_t m_cut_sprite_with_mouse = 0;
    LinkLauncher m_link_launcher;
    // The welcome panel's place and size in game mode, once it has been shown there (in the editor it has a
    // tile); the mode it was last drawn in (-1: not yet).
    std::optional<glm::vec2> m_welcome_game_place;
    std::optional<glm::vec2> m_welcome_game_size;
    int32_t m_welcome_mode = -1;
};
