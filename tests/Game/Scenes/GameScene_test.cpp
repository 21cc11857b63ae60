#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/TypeId.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/GameInit.h"
#include "Game/Scenes/SpawnItemEvent.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "GameSceneFixture.h"
#include "Support/InputEvents.h"

using namespace test_support;

namespace {

const std::vector<std::string> kTickSystems = {
    "PlayerMoveSystem", "PlayerShootSystem",      "SpriteCreateTreeSystem", "BulletMoveSystem",
    "ItemMoveSystem",   "AiBombSystem",           "AiThrowerSystem",        "AiStationSystem",
    "AiFlockerSystem",  "AiFighterSystem",        "AiBaseSystem",           "AiForceMoverSystem",
    "WeaponSystem",     "CameraControllerSystem", "SpriteCommitSystem",     "SpriteCoreUpdateSystem"};
// Parked from the start: cutting until the test-bed panel turns it on, the cloud until the player becomes one.
const std::vector<std::string> kUnusedAtStart = {"EditorSpriteRemoveCellWithMouseSystem", "PlayerCloudEffectSystem"};
const std::vector<std::string> kRenderAtStart = {"GameUiRenderSystem", "SpaceBackgroundRenderSystem",
                                                 "EditorCameraControllerSystem"};

std::vector<std::string> starting_with(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

TEST(GameSceneStartUp, GameStartUpRegistersInTheSpecifiedOrder) {
    AssetsWorkingDir dir;
    StdoutCapture capture;
    {
        Engine engine(windowless_config());
        ASSERT_EQ(init_game(engine), 0);
        ASSERT_NE(engine.pending_scene(), nullptr);
        engine.event_bus().publish(QuitEvent{});
        engine.run();
    }
    const std::vector<std::string> lines = log_messages(capture.finish());

    EXPECT_TRUE(starting_with(lines, "Failed").empty()) << "every asset the start needs is in assets.bin";
    EXPECT_EQ(starting_with(lines, "Registering system "),
              (std::vector<std::string>{"Registering system PlayerMoveSystem for group Tick",
                                        "Registering system PlayerShootSystem for group Tick",
                                        "Registering system SpriteCreateTreeSystem for group Tick",
                                        "Registering system BulletMoveSystem for group Tick",
                                        "Registering system ItemMoveSystem for group Tick",
                                        "Registering system AiBombSystem for group Tick",
                                        "Registering system AiThrowerSystem for group Tick",
                                        "Registering system AiStationSystem for group Tick",
                                        "Registering system AiFlockerSystem for group Tick",
                                        "Registering system AiFighterSystem for group Tick",
                                        "Registering system AiBaseSystem for group Tick",
                                        "Registering system AiForceMoverSystem for group Tick",
                                        "Registering system WeaponSystem for group Tick",
                                        "Registering system CameraControllerSystem for group Tick",
                                        "Registering system SpriteCommitSystem for group Tick",
                                        "Registering system SpriteCoreUpdateSystem for group Tick",
                                        "Registering system AiDriverSystem for group Fixed",
                                        "Registering system SpritePhysicsSystem for group Fixed",
                                        "Registering system PhysicsUpdateSystem for group PostFixed",
                                        "Registering system PhysicsLerpTransformSystem for group AfterFixed",
                                        "Registering system GameUiRenderSystem for group Render",
                                        "Registering system SpaceBackgroundRenderSystem for group Render",
                                        "Registering system ParticleDesignerSystem for group EditorUi",
                                        "Registering system EditorCameraControllerSystem for group Render",
                                        "Registering system EditorSpriteRemoveCellWithMouseSystem for group Unused",
                                        "Registering system PlayerCloudEffectSystem for group Unused",
                                        "Registering system GamePauseMenuUiRenderSystem for group UnusedRender"}));
    // The two input schemes, player first, come after the subscriptions and before the systems.
    const std::vector<std::string> schemes = starting_with(lines, "Registering input scheme ");
    ASSERT_EQ(schemes.size(), 2u);
    EXPECT_EQ(schemes[0], "Registering input scheme PlayerInputScheme");
    EXPECT_EQ(schemes[1], "Registering input scheme EditorInputScheme");

    // The event handlers come between the subscriptions and the input schemes, in the order player, sprite
    // effects, render, explosion.
    const std::vector<std::string> handlers = starting_with(lines, "Registering event handler ");
    const char* const kHandlerOrder[] = {"PlayerEventHandler", "SpriteEffectsEventHandler", "RenderEventHandler",
                                         "ExplosionEventHandler"};
    size_t next = 0;
    for (const std::string& handler : handlers) {
        while (next < std::size(kHandlerOrder) && handler.find(kHandlerOrder[next]) == std::string::npos) {
            ++next;
        }
        EXPECT_LT(next, std::size(kHandlerOrder)) << handler << " out of order";
        ++next;
    }
    const auto has = [&](std::string_view name) {
        return std::any_of(handlers.begin(), handlers.end(),
                           [&](const std::string& h) { return h.find(name) != std::string::npos; });
    };
    for (const char* name : kHandlerOrder) {
        EXPECT_TRUE(has(name)) << name;
    }
    const auto schemes_start = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Registering input scheme ", 0) == 0;
    });
    ASSERT_NE(schemes_start, lines.end());
    EXPECT_EQ(*(schemes_start + 2), "Registering system PlayerMoveSystem for group Tick");

    // The scene's own three subscriptions come right before the first handler, in this order.
    const auto first = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("Registering event handler ", 0) == 0;
    });
    ASSERT_NE(first, lines.end());
    ASSERT_GE(first - lines.begin(), 3);
    EXPECT_EQ(*(first - 3), fmt::format("Subscribed to event: {}", event_type_id<PauseChangedEvent>()));
    EXPECT_EQ(*(first - 2), fmt::format("Subscribed to event: {}", event_type_id<SpawnItemEvent>()));
    EXPECT_EQ(*(first - 1), fmt::format("Subscribed to event: {}", event_type_id<SpriteCoreExplodedEvent>()));
}

TEST(GameSceneStartUp, ListsAndSystemsAfterTheStart) {
    GameSceneFixture f;
    std::vector<std::string> lists;
    for (const auto& list : f.scene->entity_pool().lists()) {
        lists.emplace_back(list->name());
    }
    EXPECT_EQ(lists, (std::vector<std::string>{"RockEntity", "PlayerEntity", "BulletEntity", "BombEntity",
                                               "FighterEntity", "StationEntity", "BaseEntity", "Boss1Entity",
                                               "SnakeHeadEntity", "ItemEntity"}));
    EXPECT_EQ(f.group(SystemGroup::Tick), kTickSystems);
    EXPECT_EQ(f.group(SystemGroup::Fixed), (std::vector<std::string>{"AiDriverSystem", "SpritePhysicsSystem"}));
    EXPECT_EQ(f.group(SystemGroup::PostFixed), std::vector<std::string>{"PhysicsUpdateSystem"});
    EXPECT_EQ(f.group(SystemGroup::AfterFixed), std::vector<std::string>{"PhysicsLerpTransformSystem"});
    EXPECT_EQ(f.group(SystemGroup::EditorUi), std::vector<std::string>{"ParticleDesignerSystem"});
    EXPECT_EQ(f.group(SystemGroup::Unused), kUnusedAtStart);
    EXPECT_EQ(f.group(SystemGroup::Render), kRenderAtStart);
    EXPECT_EQ(f.group(SystemGroup::UnusedRender), std::vector<std::string>{"GamePauseMenuUiRenderSystem"});
    EXPECT_TRUE(f.group(SystemGroup::PreTick).empty());
    for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
        // Without a window the render groups are never attached.
        const bool render = g == SystemGroup::Render || g == SystemGroup::UnusedRender;
        for (const auto& system : f.scene->systems()[g]) {
            EXPECT_EQ(system->attached(), !render) << system->name();
        }
    }
    EventBus& bus = f.engine.event_bus();
    EXPECT_EQ(bus.subscriber_count<PauseChangedEvent>(), 1u);
    EXPECT_EQ(bus.subscriber_count<SpawnItemEvent>(), 1u);
    // The scene itself, the player's and the sprite effects handler.
    EXPECT_EQ(bus.subscriber_count<SpriteCoreExplodedEvent>(), 3u);
    EXPECT_EQ(bus.subscriber_count<SpawnParticleEvent>(), 1u);
    EXPECT_EQ(bus.subscriber_count<SpawnCellParticleEvent>(), 1u);

    f.scene->stop();
    EXPECT_EQ(bus.subscriber_count<PauseChangedEvent>(), 0u);
    EXPECT_EQ(bus.subscriber_count<SpriteCoreExplodedEvent>(), 0u);
    EXPECT_EQ(bus.subscriber_count<SpawnParticleEvent>(), 0u);
    EXPECT_TRUE(f.scene->entity_pool().lists().empty());
    f.scene->start(f.engine); // the destructor stops it again
}

// The camera turns the mouse into the ship's aim. A restart (reload, recording, play-back) frames the origin at the
// start-up zoom again, whatever the run before did to the view, so that the same mouse gives the same aim; the
// aspect stays the viewport's.
TEST(GameSceneStartUp, ARestartPutsTheCameraBackToItsStartWithTheViewportsAspect) {
    GameSceneFixture f;
    EventBus& bus = f.engine.event_bus();
    bus.publish(ViewportResizedEvent{{0, 0, 1280, 720}});
    bus.dispatch();
    const Camera start = f.scene->camera();
    ASSERT_EQ(start.aspect, 1280.0f / 720.0f);
    input_frame(f.engine.input(), f.engine.input_axes(), 1, {mouse_motion_event(900, 200, 0, 0)},
                {&f.scene->player_input()});
    const glm::vec2 aim = f.scene->player_input().aim;

    // Where a flight and a zoom leave the view.
    Camera& camera = f.scene->camera();
    camera.position = glm::vec3(7.0f, -3.0f, 0.0f);
    camera.set_ortho(8.0f, camera.aspect, camera.depth);
    f.scene->stop();
    f.scene->start(f.engine);

    const Camera& restarted = f.scene->camera();
    EXPECT_EQ(restarted.position, start.position);
    EXPECT_EQ(restarted.size, start.size);
    EXPECT_EQ(restarted.aspect, start.aspect);
    EXPECT_EQ(restarted.depth, start.depth);
    EXPECT_EQ(restarted.inverse_view_projection, start.inverse_view_projection);
    input_frame(f.engine.input(), f.engine.input_axes(), 2, {}, {&f.scene->player_input()});
    EXPECT_EQ(f.scene->player_input().aim, aim) << "the same mouse aims at the same point";
}

// The editor's camera pan and the mouse cut follow the mouse's motion between refreshes: the first refresh after a
// restart sees no motion from where the run before left the mouse.
TEST(GameSceneStartUp, ARestartReportsNoMouseMotionOnItsFirstRefresh) {
    GameSceneFixture f;
    EditorInputScheme& editor = f.scene->editor_input();
    input_frame(f.engine.input(), f.engine.input_axes(), 1, {mouse_motion_event(900, 200, 0, 0)}, {&editor});
    f.scene->stop();
    f.scene->start(f.engine);
    input_frame(f.engine.input(), f.engine.input_axes(), 2, {mouse_motion_event(100, 600, -800, 400)}, {&editor});
    EXPECT_EQ(editor.previous_mouse, editor.mouse);
    EXPECT_EQ(editor.previous_mouse_world, editor.mouse_world);
}

// What one pause request does: the names the scene tried to move and the lines that failed.
struct PauseOutcome {
    std::vector<std::string> transitioning;
    size_t failures = 0;
};

PauseOutcome request_pause(GameSceneFixture& f, PauseRequestEvent request) {
    StdoutCapture capture;
    f.engine.event_bus().publish(request);
    f.engine.event_bus().dispatch();
    const std::vector<std::string> lines = log_messages(capture.finish());
    PauseOutcome out;
    for (const std::string& line : starting_with(lines, "Transitioning system ")) {
        out.transitioning.push_back(line.substr(std::string("Transitioning system ").size()));
    }
    out.failures = starting_with(lines, "Failed to transition system, not found").size();
    return out;
}

std::vector<std::vector<std::string>> all_groups(const GameSceneFixture& f) {
    std::vector<std::vector<std::string>> groups;
    for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
        groups.push_back(f.group(g));
    }
    return groups;
}

// What a pause parks, in the order of the pause list.
const std::vector<std::string> kParked = {"PlayerMoveSystem",       "PlayerShootSystem",   "SpriteCreateTreeSystem",
                                          "BulletMoveSystem",       "ItemMoveSystem",      "SpriteCommitSystem",
                                          "SpriteCoreUpdateSystem", "AiBombSystem",        "AiThrowerSystem",
                                          "AiStationSystem",        "AiFlockerSystem",     "AiDriverSystem",
                                          "AiFighterSystem",        "WeaponSystem",        "CameraControllerSystem",
                                          "SpritePhysicsSystem",    "PhysicsUpdateSystem", "PhysicsLerpTransformSystem",
                                          "ParticleDesignerSystem"};

// The Unused group after a pause: what was parked from the start, then what the pause parked.
std::vector<std::string> unused_when_paused() {
    std::vector<std::string> names = kUnusedAtStart;
    names.insert(names.end(), kParked.begin(), kParked.end());
    return names;
}

const std::vector<std::string> kPauseOrder = {"PlayerMoveSystem",       "PlayerShootSystem",
                                              "SpriteCreateTreeSystem", "BulletMoveSystem",
                                              "ItemMoveSystem",         "SpriteCommitSystem",
                                              "SpriteCoreUpdateSystem", "AiBombSystem",
                                              "AiThrowerSystem",        "AiStationSystem",
                                              "AiFlockerSystem",        "AiDriverSystem",
                                              "AiFighterSystem",        "WeaponSystem",
                                              "CameraControllerSystem", "SpritePhysicsSystem",
                                              "PhysicsUpdateSystem",    "PhysicsLerpTransformSystem",
                                              "ParticleDesignerSystem", "GamePauseMenuUiRenderSystem"};

TEST(GameScenePause, PauseParksTheSimulationAndUnpauseBringsItBack) {
    GameSceneFixture f;
    const std::vector<std::vector<std::string>> start_up = all_groups(f);
    const PauseOutcome pause = request_pause(f, PauseRequestEvent{0, 1});
    EXPECT_TRUE(f.scene->paused());
    EXPECT_EQ(pause.transitioning, kPauseOrder);
    // One line per name not registered; the pause menu is found and moves to Render.
    EXPECT_EQ(pause.failures, kPauseOrder.size() - kParked.size() - 1);
    std::vector<std::string> render = kRenderAtStart;
    render.push_back("GamePauseMenuUiRenderSystem");
    EXPECT_EQ(f.group(SystemGroup::Render), render);
    EXPECT_TRUE(f.group(SystemGroup::UnusedRender).empty());
    // The base and force-mover AI keep running while paused.
    EXPECT_EQ(f.group(SystemGroup::Tick), (std::vector<std::string>{"AiBaseSystem", "AiForceMoverSystem"}));
    EXPECT_TRUE(f.group(SystemGroup::Fixed).empty());
    EXPECT_TRUE(f.group(SystemGroup::PostFixed).empty());
    EXPECT_TRUE(f.group(SystemGroup::AfterFixed).empty());
    EXPECT_EQ(f.group(SystemGroup::Unused), unused_when_paused());

    const PauseOutcome resume = request_pause(f, PauseRequestEvent{0, 1});
    EXPECT_FALSE(f.scene->paused());
    EXPECT_EQ(resume.transitioning, kPauseOrder);
    EXPECT_EQ(resume.failures, kPauseOrder.size() - kParked.size() - 1);
    // Every system is back in its start-up group at its start-up place: the driver on fixed steps, the
    // physics update after the constraint solve, the sprite commit after the AI.
    for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
        EXPECT_EQ(f.group(g), start_up[g]) << SystemBase::group_name(static_cast<int32_t>(g));
    }
    EXPECT_EQ(f.group(SystemGroup::Tick), kTickSystems);
    EXPECT_EQ(f.group(SystemGroup::PostFixed), std::vector<std::string>{"PhysicsUpdateSystem"});
}

TEST(GameScenePause, ManyPausesKeepTheStartUpOrder) {
    GameSceneFixture f;
    const std::vector<std::vector<std::string>> start_up = all_groups(f);
    for (int i = 0; i < 3; ++i) {
        request_pause(f, PauseRequestEvent{1, 0});
        f.tick(1.0f / 60.0f, true);
        request_pause(f, PauseRequestEvent{0, 0});
        f.tick(1.0f / 60.0f, true);
    }
    EXPECT_EQ(all_groups(f), start_up);
}

TEST(GameScenePause, ASystemMovedWhilePausedStaysWhereItWasPut) {
    GameSceneFixture f;
    request_pause(f, PauseRequestEvent{1, 0});
    // As the test-bed panel does when "Camera follow player" is cleared while paused.
    f.scene->transition_system("CameraControllerSystem", SystemGroup::Unused);
    f.scene->transition_system("WeaponSystem", SystemGroup::PostFixed);
    const PauseOutcome resume = request_pause(f, PauseRequestEvent{0, 0});
    EXPECT_EQ(resume.failures, 2u);
    const std::vector<std::string> unused = f.group(SystemGroup::Unused);
    EXPECT_NE(std::find(unused.begin(), unused.end(), "CameraControllerSystem"), unused.end());
    EXPECT_EQ(f.group(SystemGroup::PostFixed), (std::vector<std::string>{"WeaponSystem", "PhysicsUpdateSystem"}));
}

TEST(GameScenePause, PausingTwiceMovesNothingTheSecondTime) {
    GameSceneFixture f;
    request_pause(f, PauseRequestEvent{1, 0});
    const PauseOutcome again = request_pause(f, PauseRequestEvent{1, 0});
    EXPECT_EQ(again.failures, kPauseOrder.size());
    EXPECT_EQ(f.group(SystemGroup::Unused), unused_when_paused());
}

// Two pause requests that are not toggles, then one unpause: the second park must not forget where each
// system came from.
TEST(GameScenePause, PausingTwiceThenUnpausingOnceRestoresEverySystem) {
    GameSceneFixture f;
    const std::vector<std::vector<std::string>> start_up = all_groups(f);
    request_pause(f, PauseRequestEvent{1, 0});
    request_pause(f, PauseRequestEvent{1, 0});
    const PauseOutcome resume = request_pause(f, PauseRequestEvent{0, 0});
    EXPECT_FALSE(f.scene->paused());
    EXPECT_EQ(resume.failures, kPauseOrder.size() - kParked.size() - 1);
    for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
        EXPECT_EQ(f.group(g), start_up[g]) << SystemBase::group_name(static_cast<int32_t>(g));
    }
}

TEST(GameScenePause, UnpausingARunningSceneMovesNothing) {
    GameSceneFixture f;
    const std::vector<std::vector<std::string>> start_up = all_groups(f);
    const PauseOutcome resume = request_pause(f, PauseRequestEvent{0, 0});
    EXPECT_EQ(resume.failures, kPauseOrder.size());
    EXPECT_EQ(all_groups(f), start_up);
}

struct ExplosionCase {
    int32_t strength;
    int32_t count_a;
    int32_t count_b;
    size_t items;
};

class GameSceneCoreExploded : public ::testing::TestWithParam<ExplosionCase> {};

TEST_P(GameSceneCoreExploded, EnemyCoreGivesAnExplosionAndHealthItems) {
    const ExplosionCase c = GetParam();
    GameSceneFixture f;
    f.scene->factory().create_enemy(EnemyRequest{1, glm::vec2(3.0f, 2.0f), glm::vec2(2.0f, 0.0f)});
    f.scene->entity_pool().flush();
    EntityList<FighterEntity>& fighters = f.scene->entity_pool().list<FighterEntity>();
    ASSERT_EQ(fighters.size(), 1u);
    EntityListView all;
    fighters.view_all(all);
    const EntityId fighter = all.id(0);

    EventRecorder<ExplosionEvent> explosions(f.engine.event_bus());
    EventRecorder<SpawnItemEvent> items(f.engine.event_bus());
    f.engine.event_bus().publish(SpriteCoreExplodedEvent{fighter, glm::vec2(3.0f, 2.0f), c.strength, 2});
    f.engine.event_bus().dispatch();

    ASSERT_EQ(explosions.events.size(), 1u);
    const ExplosionEvent& e = explosions.events[0];
    EXPECT_EQ(e.count_a, c.count_a);
    EXPECT_EQ(e.count_b, c.count_b);
    EXPECT_EQ(e.position, glm::vec2(3.0f, 2.0f));
    // A unit random direction plus half the body's velocity (2, 0).
    EXPECT_NEAR(glm::length(e.velocity - glm::vec2(1.0f, 0.0f)), 1.0f, 1e-5f);
    ASSERT_EQ(items.events.size(), c.items);
    for (const SpawnItemEvent& item : items.events) {
        EXPECT_EQ(item.kind, 1u);
        EXPECT_LE(glm::length(item.position - e.position), 0.1f + 1e-6f);
        EXPECT_LE(glm::length(item.velocity - e.velocity), 5.0f + 1e-5f);
    }
    // The scene turns each item request into an item at the next flush.
    EXPECT_EQ(f.scene->entity_pool().list<ItemEntity>().pending_create_count(), c.items);
}

INSTANTIATE_TEST_SUITE_P(Table, GameSceneCoreExploded,
                         ::testing::Values(ExplosionCase{15, 20, 0, 3}, ExplosionCase{16, 20, 4, 3},
                                           ExplosionCase{100, 100, 10, 20}, ExplosionCase{4, 20, 0, 0}));

TEST(GameSceneCoreExplodedElsewhere, PlayerCoreAndOtherCoreTypesPublishNothingHere) {
    GameSceneFixture f;
    f.scene->factory().create_player(glm::vec2(0.0f));
    f.scene->factory().create_enemy(EnemyRequest{1, glm::vec2(3.0f, 2.0f), glm::vec2(0.0f)});
    f.scene->entity_pool().flush();
    EntityListView players;
    f.scene->entity_pool().list<PlayerEntity>().view_all(players);
    EntityListView fighters;
    f.scene->entity_pool().list<FighterEntity>().view_all(fighters);

    EventRecorder<ExplosionEvent> explosions(f.engine.event_bus());
    EventRecorder<SpawnItemEvent> items(f.engine.event_bus());
    f.engine.event_bus().publish(SpriteCoreExplodedEvent{players.id(0), glm::vec2(0.0f), 100, 2});
    f.engine.event_bus().publish(SpriteCoreExplodedEvent{fighters.id(0), glm::vec2(0.0f), 100, 3});
    f.engine.event_bus().dispatch();
    EXPECT_TRUE(explosions.events.empty());
    // No health items from the scene: the only items are the three cores the player's own handler drops.
    ASSERT_EQ(items.events.size(), 3u);
    for (const SpawnItemEvent& item : items.events) {
        EXPECT_EQ(item.kind, 0u);
    }
}

} // namespace
