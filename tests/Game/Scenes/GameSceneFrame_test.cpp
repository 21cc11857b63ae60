#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Graphics/Renderer.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Weapons/WeaponProps.h"
#include "Support/GlContext.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr uint32_t kSize = 1000; // the camera's 10 x 10 units: 100 pixels a unit, about 3 a cell

// The game scene started and rendering on the real OpenGL back end (offscreen), its frames drawn into a
// target of its own, the way the engine's frame does it.
struct SceneFrame {
    SceneFrame() : engine(config()) {
        use_offscreen_video_driver();
        engine.render_context() = RenderContext(create_render_context(RenderBackendOpenGL));
        const Result init = engine.render_context().init(engine.config());
        if (init.failed) {
            throw std::runtime_error(init.message);
        }
        engine.renderer().init(engine.render_context());
        target = engine.render_context().create_framebuffer(kSize, kSize);
        scene = std::make_shared<GameScene>();
        scene->start(engine);
        scene->start_rendering();
        scene->handle(ViewportResizedEvent{ViewportRect{0, 0, static_cast<int32_t>(kSize), static_cast<int32_t>(kSize)}});
    }
    ~SceneFrame() {
        scene->stop();
        scene->stop_rendering();
        engine.render_context().shutdown();
    }

    static EngineConfig config() {
        EngineConfig c = windowless_config();
        c.has_window = true;
        c.width = kSize;
        c.height = kSize;
        return c;
    }

    void tick() {
        ++ticks;
        last = make_tick(ticks, 1.0f / 60.0f, false);
        scene->engine_tick(last);
        engine.event_bus().dispatch();
    }

    Pixels frame() {
        scene->render(last);
        engine.renderer().set_target(target);
        engine.renderer().render(engine.render_context());
        return read_framebuffer(*static_cast<RenderContextOpenGL*>(engine.render_context().backend()), target, kSize,
                                kSize);
    }

    // Where the camera (half extent 5 at the origin, aspect 1) puts a world point.
    static uint32_t pixel_at(const Pixels& p, glm::vec2 world) {
        const auto x = static_cast<uint32_t>(std::floor((world.x + 5.0f) / 10.0f * kSize));
        const auto y = static_cast<uint32_t>(std::floor((world.y + 5.0f) / 10.0f * kSize));
        return p.at(x, y);
    }

    RockEntity& rock() { return scene->entity_pool().list<RockEntity>().entities().at(0); }
    PlayerEntity& player() { return scene->entity_pool().list<PlayerEntity>().entities().at(0); }

    static bool active(const Sprite& sprite, int32_t x, int32_t y) {
        const ChunkCell at = sprite.grid().to_chunk_cell(x, y);
        return sprite.is_cell_active(at.chunk, at.cell);
    }
    static glm::vec2 cell_world(const Transform& t, const Sprite& sprite, int32_t x, int32_t y) {
        return t.to_world(sprite.grid().cell_center_to_local(x, y));
    }

    AssetsWorkingDir dir;
    Engine engine;
    Handle target = kInvalidHandle;
    std::shared_ptr<GameScene> scene;
    SimulationTick last;
    uint32_t ticks = 0;
};

TEST(GameSceneFrame, PlayerAndRockAppearWhereTheCameraPutsThemAndBittenCellsGo) {
    SceneFrame f;
    f.tick();
    const Pixels start = f.frame();
    const uint32_t background = SceneFrame::pixel_at(start, {4.9f, 4.9f});

    // The player's cell nearest its centre, and the ring's cells to the right of the hollow.
    const Sprite& ship = f.player().sprite;
    const glm::ivec2 ship_centre(static_cast<int32_t>(ship.grid().cells_x / 2), static_cast<int32_t>(ship.grid().cells_y / 2));
    glm::ivec2 ship_cell(-1);
    for (int32_t r = 0; r < 8 && ship_cell.x < 0; ++r) {
        for (int32_t dy = -r; dy <= r && ship_cell.x < 0; ++dy) {
            for (int32_t dx = -r; dx <= r && ship_cell.x < 0; ++dx) {
                if (SceneFrame::active(ship, ship_centre.x + dx, ship_centre.y + dy)) {
                    ship_cell = ship_centre + glm::ivec2(dx, dy);
                }
            }
        }
    }
    ASSERT_GE(ship_cell.x, 0);
    EXPECT_NE(SceneFrame::pixel_at(start, SceneFrame::cell_world(f.player().transform, ship, ship_cell.x, ship_cell.y)),
              background)
        << "the ship is drawn at the origin";

    const Sprite& ring = f.rock().sprite;
    const int32_t row = static_cast<int32_t>(ring.grid().cells_y / 2);
    int32_t first = -1;
    for (int32_t x = static_cast<int32_t>(ring.grid().cells_x / 2); x < static_cast<int32_t>(ring.grid().cells_x); ++x) {
        if (SceneFrame::active(ring, x, row)) {
            first = x;
            break;
        }
    }
    ASSERT_GE(first, 0);
    for (int32_t k = 0; k < 9; ++k) {
        EXPECT_NE(SceneFrame::pixel_at(start, SceneFrame::cell_world(f.rock().transform, ring, first + k, row)),
                  background)
            << "ring cell " << k;
    }
    // Between the ship and the ring lies the hollow.
    EXPECT_EQ(SceneFrame::pixel_at(start, SceneFrame::cell_world(f.rock().transform, ring, first - 3, row)), background);

    // A straight shot from the ship along +x: its eight hits bite into the ring at that row.
    WeaponShot shot;
    shot.props = WeaponProps::default_cannon().bullet;
    shot.props.curve_strength = 0.0f;
    shot.props.fork_chance = 0.0f;
    shot.position = f.rock().transform.to_world(ring.grid().cell_to_local(glm::vec2(static_cast<float>(first) - 4.0f,
                                                                                   static_cast<float>(row) + 0.5f)));
    shot.direction = {1.0f, 0.0f};
    EntityListView players;
    f.scene->entity_pool().list<PlayerEntity>().view_all(players);
    shot.owner = players.id(0);
    f.scene->factory().create_bullet(shot);
    EntityList<BulletEntity>& bullets = f.scene->entity_pool().list<BulletEntity>();
    for (int32_t i = 0; i < 20 && (bullets.size() == 0 || bullets.entities()[0].dying == 0); ++i) {
        f.tick();
    }
    ASSERT_EQ(bullets.size(), 1u);
    ASSERT_EQ(bullets.entities()[0].hits_left, 0);
    // Its trail, drawn over the bitten cells, is drawn in before the bullet goes.
    for (int32_t i = 0; i < 120 && bullets.size() > 0; ++i) {
        f.tick();
    }
    ASSERT_EQ(bullets.size(), 0u);

    const Pixels after = f.frame();
    for (int32_t k = 0; k < shot.props.hits; ++k) {
        EXPECT_FALSE(SceneFrame::active(f.rock().sprite, first + k, row));
        EXPECT_EQ(SceneFrame::pixel_at(after, SceneFrame::cell_world(f.rock().transform, f.rock().sprite, first + k, row)),
                  background)
            << "bitten cell " << k << " is no longer drawn";
    }
    EXPECT_NE(SceneFrame::pixel_at(after, SceneFrame::cell_world(f.rock().transform, f.rock().sprite,
                                                                 first + shot.props.hits, row)),
              background)
        << "the cell after the last bite stays";
}

} // namespace
