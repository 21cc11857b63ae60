#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Editor/EditorSpriteRemoveCellWithMouseSystem.h"
#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"
#include "Game/Systems/Camera/CameraControllerSystem.h"
#include "Game/Systems/Player/PlayerCloudEffectSystem.h"
#include "GameSceneFixture.h"
#include "Support/HeadlessGui.h"

using namespace test_support;

namespace {

struct PanelFixture : GameSceneFixture {
    void draw() {
        gui.frame([&] { scene->draw_test_bed_window(); });
    }
    bool press(const char* label) {
        return gui.press("Pellmar", label, [&] { scene->draw_test_bed_window(); });
    }
    // The group that holds the named system, or MAX when none does.
    uint32_t group_of(std::string_view name) const {
        for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
            for (const auto& system : scene->systems()[g]) {
                if (system->name() == name) {
                    return g;
                }
            }
        }
        return SystemGroup::MAX;
    }
    size_t entity_count() const {
        size_t n = 0;
        for (const auto& list : scene->entity_pool().lists()) {
            n += list->size();
        }
        return n;
    }

    HeadlessGui gui;
};

struct ExpectedRock {
    const char* asset;
    glm::vec2 position;
    float angle;
    glm::vec2 velocity;
    float spin;
};

struct LoaderCase {
    const char* label;
    std::vector<glm::vec2> players;
    std::vector<glm::vec2> bases;
    std::vector<glm::vec2> stations;
    std::vector<ExpectedRock> rocks;
    std::vector<glm::vec2> snakes; // where each snake is put, in order
};

class TestBedLoaders : public testing::TestWithParam<LoaderCase> {};

void expect_near(glm::vec2 got, glm::vec2 want, const char* what) {
    EXPECT_NEAR(got.x, want.x, 1e-4f) << what;
    EXPECT_NEAR(got.y, want.y, 1e-4f) << what;
}

template <typename E>
void expect_centers(EntityList<E>& list, const std::vector<glm::vec2>& want, const char* what) {
    ASSERT_EQ(list.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        const E& e = list.entities()[i];
        // Placed by the centre of mass of its cells.
        expect_near(e.transform.to_world(e.sprite.cell_moments().center_of_mass), want[i], what);
    }
}

// The world of a game under way: ships, a rock, shots, loot, and a player dissolved into a cloud.
void fill_previous_world(PanelFixture& f) {
    EntityFactory& factory = f.scene->factory();
    factory.create_player({1.0f, 1.0f});
    factory.create_enemy({EnemyKindBomb, {3.0f, 3.0f}, {}});
    factory.create_enemy({EnemyKindFighter, {-3.0f, 3.0f}, {}});
    factory.create_item({{0.0f, 2.0f}, {}, 1});
    WeaponShot shot;
    shot.props = WeaponProps::default_cannon().bullet;
    shot.direction = {1.0f, 0.0f};
    factory.create_bullet(shot);
    RockRequest rock;
    rock.sprite = f.scene->assets().get_id_by_name<SpriteAsset>("Chunk");
    rock.position = {-4.0f, -4.0f};
    factory.create_rock(rock);
    f.tick();
    f.scene->transition_system(PlayerCloudEffectSystem::kName, SystemGroup::Tick);
    f.scene->camera().position = glm::vec3(7.0f, -3.0f, 0.0f);
}

TEST_P(TestBedLoaders, LoaderEmptiesTheWorldAndBuildsItsScene) {
    const LoaderCase& c = GetParam();
    PanelFixture f;
    fill_previous_world(f);
    ASSERT_GT(f.entity_count(), 5u);

    ASSERT_TRUE(f.press(c.label));

    EntityPool& pool = f.scene->entity_pool();
    const MultiSpriteAsset& snake = f.scene->assets().get_by_name<MultiSpriteAsset>("snake");
    const auto segments = static_cast<size_t>(std::count_if(snake.data.instances.begin(), snake.data.instances.end(),
                                                            [](const auto& i) { return i.type == 0; }));
    const size_t snake_rocks = segments * c.snakes.size();

    // Exactly the listed entities, already flushed.
    EXPECT_EQ(f.entity_count(),
              c.players.size() + c.bases.size() + c.stations.size() + c.rocks.size() + c.snakes.size() + snake_rocks);
    EXPECT_EQ(pool.list<BulletEntity>().size(), 0u);
    EXPECT_EQ(pool.list<ItemEntity>().size(), 0u);
    EXPECT_EQ(pool.list<BombEntity>().size(), 0u);
    EXPECT_EQ(pool.list<FighterEntity>().size(), 0u);
    EXPECT_EQ(pool.list<Boss1Entity>().size(), 0u);

    EntityList<PlayerEntity>& players = pool.list<PlayerEntity>();
    ASSERT_EQ(players.size(), c.players.size());
    for (size_t i = 0; i < c.players.size(); ++i) {
        expect_near(players.entities()[i].body.position, c.players[i], "player");
    }
    expect_centers(pool.list<BaseEntity>(), c.bases, "base");
    expect_centers(pool.list<StationEntity>(), c.stations, "station");
    EXPECT_EQ(pool.list<SnakeHeadEntity>().size(), c.snakes.size());

    EntityList<RockEntity>& rocks = pool.list<RockEntity>();
    ASSERT_EQ(rocks.size(), c.rocks.size() + snake_rocks);
    for (size_t i = 0; i < c.rocks.size(); ++i) {
        const ExpectedRock& want = c.rocks[i];
        const RockEntity& rock = rocks.entities()[i];
        SCOPED_TRACE(want.asset);
        EXPECT_EQ(rock.sprite.active_cell_count(),
                  f.scene->assets().get_by_name<SpriteAsset>(want.asset).activePixelCount);
        expect_near(rock.body.position, want.position, "rock position");
        EXPECT_FLOAT_EQ(rock.body.angle, want.angle);
        expect_near(rock.body.linear_velocity, want.velocity, "rock velocity");
        EXPECT_FLOAT_EQ(rock.body.angular_velocity, want.spin);
    }

    // Each snake's pieces stand where its instances put them about the snake's place, snake after snake and piece
    // after piece: the segments among the rocks after the listed ones, the heads in their own list.
    size_t segment = c.rocks.size();
    size_t head = 0;
    for (const glm::vec2 origin : c.snakes) {
        for (const MultiSpriteInstance& piece : snake.data.instances) {
            const Transform* placed = nullptr;
            if (piece.type == 0 && segment < rocks.size()) {
                placed = &rocks.entities()[segment++].transform;
            } else if (piece.type == 1 && head < pool.list<SnakeHeadEntity>().size()) {
                placed = &pool.list<SnakeHeadEntity>().entities()[head++].transform;
            }
            if (placed != nullptr) {
                expect_near(placed->position, origin + piece.position, "snake piece");
                EXPECT_FLOAT_EQ(placed->angle, piece.angle);
            }
        }
    }
    EXPECT_EQ(segment, rocks.size());

    EXPECT_EQ(f.group_of(PlayerCloudEffectSystem::kName), SystemGroup::Unused) << "the cloud effect is parked";
    const glm::vec3 camera = f.scene->camera().position;
    if (c.players.empty()) {
        EXPECT_EQ(camera, glm::vec3(0.0f)) << "nothing to follow: the camera looks at the origin";
        EXPECT_EQ(f.scene->camera().view[3][0], 0.0f) << "and its matrices agree";
    } else {
        EXPECT_EQ(camera, glm::vec3(7.0f, -3.0f, 0.0f)) << "the controller takes the camera to the ship";
    }

    // The new world runs.
    for (int i = 0; i < 3; ++i) {
        f.tick(1.0f / 60.0f, true);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TestBedLoaders,
    testing::Values(
        LoaderCase{"Load some enemies", {{0, 0}}, {{0, 10}}, {{5, 4}}, {}, {}},
        LoaderCase{"Load large structure", {{7, 3}}, {}, {}, {{"horrid", {0, 0}, 0, {0, 0}, 0}}, {}},
        LoaderCase{"Load some snakes", {{0, 0}}, {}, {}, {}, {{0, -3}, {3, 3}}},
        LoaderCase{"Load circle thing", {{0, 0}}, {}, {}, {{"hello", {0, 0}, 0, {0, 0}, 0}}, {}},
        LoaderCase{"Load some shapes",
                   {},
                   {},
                   {},
                   {{"game/shapes/hear", {-6, 0}, 0, {0, 0}, 0},
                    {"game/shapes/star", {0, 0}, 0, {0, 0}, 0},
                    {"game/shapes/hexagon", {6, 0}, 0, {0, 0}, 0}},
                   {}},
        LoaderCase{"Load shapes hitting",
                   {},
                   {},
                   {},
                   {{"game/shapes/hear", {-20, -10}, 0.5f, {30, 15}, 0}, {"game/shapes/star", {0, 0}, 0.2f, {0, 0}, 0}},
                   {}},
        LoaderCase{"Load 2 chunks",
                   {},
                   {},
                   {},
                   {{"half_chunk", {0.25f, 2.0f}, 0, {0, -2.0f}, 0}, {"full_chunk", {0, 0}, 0, {0, 0}, 0}},
                   {}},
        LoaderCase{
            "Load floors", {}, {}, {}, {{"floor", {4, 3}, 0, {0, 0}, 10.0f}, {"floor", {0, 0}, 0, {0, 0}, -2.0f}}, {}}),
    [](const testing::TestParamInfo<LoaderCase>& info) {
        std::string name = info.param.label;
        std::erase(name, ' ');
        return name;
    });

TEST(TestBedPanel, ShowsItsTextsLinkButtonsAndSwitches) {
    PanelFixture f;
    f.draw();
    const std::string text = f.gui.frame([&] { f.scene->draw_test_bed_window(); });
    for (const char* line :
         {"Welcome to this test bed version of Pellmar!", "Feedback is welcome at", "https://example.org/",
          "Move with WASD, shoot with left mouse.", "If the camera is not following the player",
          "right click pans and scroll zooms.", "Press ` to open the debug mode.", "Load some enemies",
          "Load large structure", "Load some snakes", "Load circle thing", "Load some shapes", "Load shapes hitting",
          "Load 2 chunks", "Load floors", "Spawn Random Enemies", "Camera follow player", "Cut sprite with mouse"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(text.find("Spawning in"), std::string::npos) << "no countdown while the spawner is off";

    // Top right of the display, clear of the side panel on the left and of the ship in the middle.
    ImGuiWindow* window = ImGui::FindWindowByName("Pellmar");
    ASSERT_NE(window, nullptr);
    EXPECT_GT(window->Pos.x, 1280.0f * 0.5f + 64.0f);
    EXPECT_LE(window->Pos.x + window->Size.x, 1280.0f);
    EXPECT_GE(window->Pos.y, 0.0f);
}

// In the editor the welcome panel has a tile of its own, clear of the viewport and of the inspectors, whether it
// is first shown in the editor or in game mode. Back in game mode it floats again at its place there, sized to
// its contents; a place the user chose in game mode is kept for the mode.
struct WelcomePlaceCase {
    ImVec2 display;
    bool first_in_game_mode;
};

class WelcomePanelPlace : public testing::TestWithParam<WelcomePlaceCase> {};

TEST_P(WelcomePanelPlace, InTheEditorItHasATileOfItsOwnAndInGameModeItFloats) {
    GameSceneFixture f;
    HeadlessGui gui(GetParam().display);
    const auto draw = [&] {
        if (f.engine.editor_mode()) {
            f.scene->editor_ui(make_tick(f.ticks, 1.0f / 60.0f, false));
        }
        f.scene->draw_test_bed_window();
    };
    const auto welcome_at = [&] {
        const ImGuiWindow* welcome = ImGui::FindWindowByName("Pellmar");
        return welcome != nullptr ? welcome->Rect() : ImRect();
    };
    ImRect in_game;
    if (GetParam().first_in_game_mode) {
        gui.frame(draw);
        gui.frame(draw);
        in_game = welcome_at();
    }
    f.engine.handle(ToggleEditorEvent{});
    ASSERT_TRUE(f.engine.editor_mode());
    gui.frame(draw);
    gui.frame(draw);
    const ImRect welcome = welcome_at();
    const PanelRect work = editor_work_area();
    const auto tile_of = [&](EditorPanel panel) {
        const PanelRect r = editor_panel_rect(panel, editor_splits(), work.x, work.y, work.width, work.height);
        return ImRect(r.x, r.y, r.x + r.width, r.y + r.height);
    };
    const ImRect tile = tile_of(EditorPanel::Welcome);
    EXPECT_FLOAT_EQ(welcome.Min.x, tile.Min.x);
    EXPECT_FLOAT_EQ(welcome.Min.y, tile.Min.y);
    EXPECT_FLOAT_EQ(welcome.Max.x, tile.Max.x);
    EXPECT_FLOAT_EQ(welcome.Max.y, tile.Max.y);
    EXPECT_LE(welcome.Max.x, GetParam().display.x);
    EXPECT_FALSE(welcome.Overlaps(tile_of(EditorPanel::Viewport))) << "nothing lies over the picture";
    for (const char* name : {"Entities", "Selected Entity"}) {
        const ImGuiWindow* panel = ImGui::FindWindowByName(name);
        ASSERT_NE(panel, nullptr) << name;
        EXPECT_FALSE(welcome.Overlaps(panel->Rect()))
            << name << " from " << panel->Pos.x << ", " << panel->Pos.y << " size " << panel->Size.x << " x "
            << panel->Size.y << "; welcome from " << welcome.Min.x << ", " << welcome.Min.y << " to " << welcome.Max.x
            << ", " << welcome.Max.y;
    }

    // Back in game mode: the place it had there, or the display's top right, and its own size again.
    f.engine.handle(ToggleEditorEvent{});
    gui.frame(draw);
    gui.frame(draw);
    const ImRect back = welcome_at();
    if (GetParam().first_in_game_mode) {
        EXPECT_FLOAT_EQ(back.Min.x, in_game.Min.x) << "back at its game-mode place";
        EXPECT_FLOAT_EQ(back.Min.y, in_game.Min.y);
        EXPECT_FLOAT_EQ(back.GetWidth(), in_game.GetWidth());
        EXPECT_FLOAT_EQ(back.GetHeight(), in_game.GetHeight());
    } else {
        const ImGuiViewport* main = ImGui::GetMainViewport();
        EXPECT_FLOAT_EQ(back.Max.x, main->WorkPos.x + main->WorkSize.x - 10.0f) << "at the display's top right";
        EXPECT_GT(back.GetWidth(), 100.0f) << "sized to its contents";
    }

    // Moved by the user in game mode, then into the editor and out again: the user's place is kept.
    ImGui::SetWindowPos("Pellmar", ImVec2(back.Min.x - 30.0f, back.Min.y + 20.0f));
    gui.frame(draw);
    f.engine.handle(ToggleEditorEvent{});
    gui.frame(draw);
    EXPECT_FLOAT_EQ(welcome_at().Min.x, tile.Min.x) << "in its tile again";
    f.engine.handle(ToggleEditorEvent{});
    gui.frame(draw);
    EXPECT_FLOAT_EQ(welcome_at().Min.x, back.Min.x - 30.0f) << "the user's place in game mode is kept";
    EXPECT_FLOAT_EQ(welcome_at().Min.y, back.Min.y + 20.0f);
}

INSTANTIATE_TEST_SUITE_P(Displays, WelcomePanelPlace,
                         testing::Values(WelcomePlaceCase{ImVec2(1280.0f, 720.0f), true},
                                         WelcomePlaceCase{ImVec2(1280.0f, 720.0f), false},
                                         WelcomePlaceCase{ImVec2(1920.0f, 1080.0f), true},
                                         WelcomePlaceCase{ImVec2(1024.0f, 768.0f), true}));

TEST(TestBedPanel, SpawnerSwitchShowsItsCountdownInWholeSeconds) {
    PanelFixture f;
    ASSERT_TRUE(f.press("Spawn Random Enemies"));
    EXPECT_TRUE(f.scene->spawn_enabled());
    std::string text = f.gui.frame([&] { f.scene->draw_test_bed_window(); });
    EXPECT_NE(text.find("Spawning in 10 seconds"), std::string::npos) << text;
    f.tick(2.6f);
    text = f.gui.frame([&] { f.scene->draw_test_bed_window(); });
    EXPECT_NE(text.find("Spawning in 7 seconds"), std::string::npos) << text;
    ASSERT_TRUE(f.press("Spawn Random Enemies"));
    EXPECT_FALSE(f.scene->spawn_enabled());
}

struct SwitchCase {
    const char* label;
    std::string_view system;
    uint32_t group_at_start;
    uint32_t group_after_press;
};

class TestBedSwitches : public testing::TestWithParam<SwitchCase> {};

TEST_P(TestBedSwitches, CheckboxMovesItsSystemAndBack) {
    const SwitchCase& c = GetParam();
    PanelFixture f;
    ASSERT_EQ(f.group_of(c.system), c.group_at_start);
    ASSERT_TRUE(f.press(c.label));
    EXPECT_EQ(f.group_of(c.system), c.group_after_press);
    if (c.group_after_press == SystemGroup::Tick) {
        EXPECT_EQ(f.scene->systems()[SystemGroup::Tick].back()->name(), c.system) << "at the end of Tick";
    }
    ASSERT_TRUE(f.press(c.label));
    EXPECT_EQ(f.group_of(c.system), c.group_at_start);

    // A restart starts from the switch: pressed once more, stopped and started, the system is where the switch
    // put it.
    ASSERT_TRUE(f.press(c.label));
    f.scene->stop();
    f.scene->start(f.engine);
    EXPECT_EQ(f.group_of(c.system), c.group_after_press);
}

INSTANTIATE_TEST_SUITE_P(Table, TestBedSwitches,
                         testing::Values(SwitchCase{"Camera follow player", CameraControllerSystem::kName,
                                                    SystemGroup::Tick, SystemGroup::Unused},
                                         SwitchCase{"Cut sprite with mouse",
                                                    EditorSpriteRemoveCellWithMouseSystem::kName, SystemGroup::Unused,
                                                    SystemGroup::Tick}),
                         [](const testing::TestParamInfo<SwitchCase>& info) {
                             std::string name = info.param.label;
                             std::erase(name, ' ');
                             return name;
                         });

TEST(TestBedPanel, ARestartParksTheCloudEffectAsAtStartUp) {
    PanelFixture f;
    f.scene->transition_system(PlayerCloudEffectSystem::kName, SystemGroup::Tick);
    f.scene->stop();
    f.scene->start(f.engine);
    EXPECT_EQ(f.group_of(PlayerCloudEffectSystem::kName), SystemGroup::Unused);
}

TEST(TestBedPanel, ACameraLetGoStaysParkedThroughAPause) {
    PanelFixture f;
    ASSERT_TRUE(f.press("Camera follow player"));
    for (const uint8_t paused : {1, 0}) {
        f.scene->set_paused(PauseChangedEvent{paused});
        EXPECT_EQ(f.group_of(CameraControllerSystem::kName), SystemGroup::Unused);
    }
}

TEST(TestBedPanel, FeedbackLinkOpensTheAddressWithXdgOpen) {
    PanelFixture f;
    std::vector<std::vector<std::string>> calls;
    f.scene->set_link_launcher([&](const std::vector<std::string>& argv) {
        calls.push_back(argv);
        return Result::fail("no desktop here");
    });
    StdoutCapture out;
    ASSERT_TRUE(f.press(std::string(GameScene::kFeedbackAddress).c_str()));
    const std::string log = out.finish();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (std::vector<std::string>{"xdg-open", std::string(GameScene::kFeedbackAddress)}));
    EXPECT_EQ(GameScene::kFeedbackAddress.rfind("https://example.org/", 0), 0u);
    EXPECT_NE(log.find("no desktop here"), std::string::npos) << "a failure is logged and the game goes on";
}

} // namespace
