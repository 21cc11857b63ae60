#pragma once
// The game scene started and rendering on the real OpenGL back end (offscreen), its frames drawn into a
// target of its own, the way the engine's frame does it.

#include <cmath>
#include <memory>
#include <stdexcept>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Graphics/Renderer.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"
#include "Game/Systems/Camera/CameraControllerSystem.h"
#include "Game/Systems/Ui/GameUiRenderSystem.h"
#include "Support/GlContext.h"
#include "Support/SceneHarness.h"

namespace scene_frame {

using namespace test_support;

constexpr uint32_t kSize = 1000; // the camera's 10 x 10 units: 100 pixels a unit, about 3 a cell

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
        // Sprites on a plain backdrop, seen by a camera that stays at the origin.
        scene->transition_system(SpaceBackgroundRenderSystem::kName, SystemGroup::UnusedRender);
        scene->transition_system(CameraControllerSystem::kName, SystemGroup::Unused);
        scene->handle(
            ViewportResizedEvent{ViewportRect{0, 0, static_cast<int32_t>(kSize), static_cast<int32_t>(kSize)}});
        // These frames look at the world; the side panel would cover its left third.
        scene->transition_system(GameUiRenderSystem::kName, SystemGroup::UnusedRender);
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

} // namespace scene_frame
