#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/SpriteAsset.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Engine/Random.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Systems/Ui/GamePauseMenuUiRenderSystem.h"
#include "Game/Systems/Ui/GameUiRenderSystem.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr TextureLayout kAtlasLayout{TextureType2D, TextureFormatRgba8, 1024, 1024, 1, 4, 1};

// The two UI systems of the game on a windowless scene with the game's lists and assets; their render step is
// attached by hand, and updated directly (there is no GPU to upload to).
struct UiFixture {
    UiFixture()
        : harness([this](HarnessScene& scene) {
              register_game_entity_lists(scene.entity_pool());
              panel = &scene.register_system<GameUiRenderSystem>(SystemGroup::Render, scene, &atlas);
              menu = &scene.register_system<GamePauseMenuUiRenderSystem>(SystemGroup::UnusedRender, scene, &atlas);
          }),
          factory(&harness.scene->entity_pool(), &chunks, &atlas, &harness.scene->assets()) {
        random_seed(5489);
        harness.scene->start_rendering();
    }

    void view(int32_t width, int32_t height) {
        harness.engine.event_bus().publish(ViewportResizedEvent{ViewportRect{0, 0, width, height}});
        harness.engine.event_bus().dispatch();
    }
    EntityId add_player() {
        factory.create_player(glm::vec2(0.0f));
        harness.scene->entity_pool().flush();
        EntityListView all;
        harness.scene->entity_pool().list<PlayerEntity>().view_all(all);
        return all.id(all.count() - 1);
    }
    PlayerEntity& player(EntityId id) { return harness.scene->entity_pool().list<PlayerEntity>().at(id); }
    void update(float dt = kDt) { panel->update(make_tick(1, dt, false)); }
    Renderer& renderer() { return harness.engine.renderer(); }

    AssetsWorkingDir dir;
    SpriteChunkPool chunks{32, 1024, 32};
    TextureAtlasPacked atlas{kAtlasLayout};
    GameUiRenderSystem* panel = nullptr;
    GamePauseMenuUiRenderSystem* menu = nullptr;
    SceneHarness harness;
    EntityFactory factory;
};

TEST(GameUiRenderSystem, ThePanelPictureIsTheSpritesCellCount) {
    UiFixture f;
    const SpriteAsset& asset = f.harness.scene->assets().get_by_name<SpriteAsset>("game/ui/in_game_side_panel");
    EXPECT_EQ(f.panel->panel_region().width, static_cast<uint32_t>(asset.cellCount.x));
    EXPECT_EQ(f.panel->panel_region().height, static_cast<uint32_t>(asset.cellCount.y));
    EXPECT_GT(f.menu->menu_region().width, 0u);
}

TEST(GameUiRenderSystem, ThePanelHugsTheLeftEdgeAtEveryAspect) {
    UiFixture f;
    f.add_player();
    for (const auto& [w, h] :
         {std::pair{1280, 720}, std::pair{720, 1280}, std::pair{400, 400}, std::pair{3000, 500}, std::pair{0, 0}}) {
        f.view(w, h);
        f.update();
        const float aspect = static_cast<float>(std::max(w, 1)) / static_cast<float>(std::max(h, 1));
        const Transform& panel = f.panel->panel_transform();
        EXPECT_NEAR(panel.position.x - panel.scale.x, -aspect, 1e-5f) << w << "x" << h;
        EXPECT_EQ(panel.scale.y, 1.0f) << "the panel spans the full height";
        EXPECT_EQ(panel.position.y, 0.0f);
    }
}

TEST(GameUiRenderSystem, TheShipPictureLagsOneUpdateBehindThePanelsPixelSize) {
    UiFixture f;
    const EntityId id = f.add_player();
    const size_t before = f.renderer().ui_sprite_batch().instances().size();
    f.update();
    EXPECT_EQ(f.panel->ship_transform().scale, glm::vec2(0.0f)) << "no pixel size yet in the first update";
    f.update();
    const float unit = 1.0f / static_cast<float>(f.panel->panel_region().height);
    const glm::ivec2 e = f.player(id).sprite.cell_extents();
    const Transform& ship = f.panel->ship_transform();
    EXPECT_FLOAT_EQ(ship.scale.x, static_cast<float>(e.x) * 4.0f * unit);
    EXPECT_FLOAT_EQ(ship.position.x, 2.0f * static_cast<float>(e.x) * unit + f.panel->panel_transform().position.x);
    EXPECT_EQ(ship.z, 0.2f);
    EXPECT_GT(f.renderer().ui_sprite_batch().instances().size(), before);
}

TEST(GameUiRenderSystem, WithoutAPlayerThePanelStillDraws) {
    UiFixture f;
    f.view(1280, 720);
    f.update();
    f.update();
    EXPECT_EQ(f.panel->panel_transform().scale.y, 1.0f);
    EXPECT_EQ(f.panel->panel_color(), glm::vec4(1.0f));
}

TEST(GameUiRenderSystem, LostCellsShakeThePanelAndFlyOutAsUiParticles) {
    UiFixture f;
    const EntityId id = f.add_player();
    f.update();
    f.update();
    const uint32_t live = f.renderer().ui_particle_batch().live_count();
    SpawnCellParticleEvent lost{id, {}};
    DebrisCellParticle moving;
    moving.local_position = glm::vec2(0.1f, 0.2f);
    moving.velocity = glm::vec2(3.0f, 0.0f);
    moving.color = 0xFF3366CCu;
    DebrisCellParticle resting = moving; // a body at rest: its chips have no velocity
    resting.velocity = glm::vec2(0.0f);
    lost.cells = {moving, resting};
    f.harness.engine.event_bus().publish(lost);
    f.harness.engine.event_bus().dispatch();
    EXPECT_EQ(f.panel->shake(), 10.0f);
    ASSERT_EQ(f.renderer().ui_particle_batch().live_count(), live + 2);
    const ParticleInstance& chip = f.renderer().ui_particle_batch().slot(f.renderer().ui_particle_batch().tail() - 2);
    const glm::vec2 at = f.panel->ship_transform().to_world(moving.local_position);
    EXPECT_NEAR(chip.position_spawn.x, at.x, 1e-5f);
    EXPECT_NEAR(chip.position_spawn.y, at.y, 1e-5f);
    EXPECT_NEAR(std::hypot(chip.velocity_damping.x, chip.velocity_damping.y), 1.0f, 1e-5f);
    EXPECT_GT(chip.velocity_damping.x, 0.9f) << "along the cell's velocity, turned at most 15 degrees";
    EXPECT_FLOAT_EQ(chip.initial_color.a, 0xFF / 255.0f);
    EXPECT_EQ(chip.final_color.a, 0.0f);
    const ParticleInstance& still = f.renderer().ui_particle_batch().slot(f.renderer().ui_particle_batch().tail() - 1);
    EXPECT_EQ(still.velocity_damping.x, 0.0f);
    EXPECT_EQ(still.velocity_damping.y, 0.0f);

    // Each update multiplies the shake by 1 - 8 dt until it falls below 0.001 and becomes 0.
    f.update();
    EXPECT_FLOAT_EQ(f.panel->shake(), 10.0f * (1.0f - 8.0f * kDt));
    for (int32_t i = 0; i < 200 && f.panel->shake() > 0.0f; ++i) {
        EXPECT_GE(f.panel->shake(), 0.001f);
        f.update();
    }
    EXPECT_EQ(f.panel->shake(), 0.0f);
}

TEST(GameUiRenderSystem, LostCellsOfOtherEntitiesLeaveThePanelAlone) {
    UiFixture f;
    f.add_player();
    SpawnCellParticleEvent lost{EntityId{0, 0, entity_type_id<ItemEntity>()}, {DebrisCellParticle{}}};
    const uint32_t live = f.renderer().ui_particle_batch().live_count();
    f.harness.engine.event_bus().publish(lost);
    f.harness.engine.event_bus().dispatch();
    EXPECT_EQ(f.panel->shake(), 0.0f);
    EXPECT_EQ(f.renderer().ui_particle_batch().live_count(), live);
}

TEST(GameUiRenderSystem, ACloudTintsThePanelRedAndShakesItMoreAsTimeRunsOut) {
    UiFixture f;
    const EntityId id = f.add_player();
    f.update();
    f.update();
    const Transform ship = f.panel->ship_transform();
    const size_t drawn = f.renderer().ui_sprite_batch().instances().size();
    Player& p = f.player(id).player;
    p.is_cloud = 1;
    p.cloud_timer = 4.0f;
    p.cloud_elapsed = 2.0f;
    f.update();
    EXPECT_FLOAT_EQ(f.panel->shake(), 5.0f * (1.0f - 8.0f * kDt));
    const glm::vec4 half_red(1.0f, 0.55f, 0.55f, 1.0f);
    EXPECT_NEAR(f.panel->panel_color().g, half_red.g, 1e-6f);
    EXPECT_NEAR(f.panel->panel_color().b, half_red.b, 1e-6f);
    EXPECT_EQ(f.renderer().ui_sprite_batch().instances().size(), drawn) << "a cloud has no ship to draw";
    EXPECT_EQ(f.panel->ship_transform().position, ship.position);
    p.cloud_elapsed = 3.9f;
    f.update();
    EXPECT_FLOAT_EQ(f.panel->shake(), 9.75f * (1.0f - 8.0f * kDt));
    // A cloud of no time at all counts as run out, never as a division by zero.
    p.cloud_timer = 0.0f;
    f.update();
    EXPECT_TRUE(std::isfinite(f.panel->shake()));
    EXPECT_NEAR(f.panel->panel_color().g, 0.1f, 1e-6f);
}

TEST(GameUiRenderSystem, ThePanelShakeLeavesTheSimulationsGeneratorAlone) {
    UiFixture f;
    const EntityId id = f.add_player();
    f.player(id).player.is_cloud = 1;
    f.player(id).player.cloud_elapsed = 2.0f;
    random_seed(77);
    const float expected = (random_seed(77), random_float());
    random_seed(77);
    f.update();
    f.update();
    EXPECT_GT(f.panel->shake(), 0.0f);
    EXPECT_EQ(random_float(), expected);
}

TEST(GamePauseMenuUiRenderSystem, TheMenuSitsInTheMiddleAt270PixelsPerUnit) {
    UiFixture f;
    f.menu->update(make_tick(1, kDt, false));
    EXPECT_FLOAT_EQ(f.menu->units_per_pixel(), 0.0037037036f);
}

} // namespace
