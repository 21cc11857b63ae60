#include "Editor/EntityInspector.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Editor/GameComponentInspector.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/SnakeHeadEntity.h"
#include "Game/Weapons/WeaponProps.h"
#include "GuiHarness.h"
#include "Support/GameWorld.h"

namespace {

using editor_test::GuiHarness;
using test_support::GameWorld;

class EntityInspector : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_assets = new AssetPackage(test_support::load_game_assets()); }
    static void TearDownTestSuite() {
        delete s_assets;
        s_assets = nullptr;
    }

    EntityId add_rock() {
        RockRequest rock;
        rock.sprite = world.assets.get_id_by_name<SpriteAsset>("full_chunk");
        world.factory.create_rock(rock);
        world.flush();
        EntityListView all;
        world.list<RockEntity>().view_all(all);
        return all.id(all.count() - 1);
    }

    std::vector<std::string> labels() {
        std::vector<std::string> out;
        for (size_t i = 0; i < entity_row_count(world.pool); ++i) {
            EntityRow row = entity_row(world.pool, i);
            out.push_back(entity_label(*row.list, row.id));
        }
        return out;
    }

    // One editor frame of the two windows, as the game scene draws them.
    bool draw_windows(EntityId& selection) {
        bool drawn = false;
        gui.frame([&] {
            draw_entities_window(world.pool, selection);
            drawn = draw_selected_entity_window(world.pool, selection);
            if (drawn) {
                draw_entity_components(world.pool, selection);
                draw_game_component_inspector(world.pool, selection);
            }
            ImGui::End();
        });
        return drawn;
    }

    static AssetPackage* s_assets;
    GameWorld world{*s_assets};
    GuiHarness gui;
};
AssetPackage* EntityInspector::s_assets = nullptr;

TEST_F(EntityInspector, DeleteOnTheSelectionShowsNoneSelectedAtOnceButListsTheEntityUntilTheFlush) {
    add_rock();
    const EntityId rock = add_rock();
    EntityId selection = rock;
    ASSERT_TRUE(draw_windows(selection));
    const std::string label = entity_label(world.pool.list_of(rock), rock);

    // Right click on the row opens its context menu; "Delete" is pressed on the frame after.
    ImGuiID row_id = GuiHarness::window("Entities")->GetID(label.c_str());
    gui.frame([&] {
        ImGui::Begin("Entities");
        ImGui::OpenPopupEx(row_id);
        ImGui::End();
        draw_entities_window(world.pool, selection);
    });
    ImGuiWindow* menu = GuiHarness::popup_window(row_id);
    ASSERT_NE(menu, nullptr);
    ImGui::ActivateItem(menu->GetID("Delete"));
    gui.frame([&] { draw_entities_window(world.pool, selection); });

    EXPECT_EQ(selection, kInvalidEntityId);
    EXPECT_FALSE(draw_windows(selection)) << "\"None selected\" at once";
    EXPECT_TRUE(world.pool.list_of(rock).is_alive(rock));
    std::vector<std::string> before = labels();
    EXPECT_NE(std::find(before.begin(), before.end(), label), before.end()) << "listed until the flush";

    world.flush();
    std::vector<std::string> after = labels();
    EXPECT_EQ(std::find(after.begin(), after.end(), label), after.end());
    EXPECT_EQ(after.size(), before.size() - 1);
}

TEST_F(EntityInspector, ClickingARowSelectsItAndAnEntityDestroyedElsewhereShowsNoneSelected) {
    const EntityId rock = add_rock();
    EntityId selection = kInvalidEntityId;
    EXPECT_FALSE(draw_windows(selection));
    ImGui::ActivateItem(GuiHarness::window("Entities")->GetID(entity_label(world.pool.list_of(rock), rock).c_str()));
    EXPECT_TRUE(draw_windows(selection));
    EXPECT_EQ(selection, rock);

    world.list<RockEntity>().destroy_deferred(rock);
    world.flush();
    EXPECT_FALSE(draw_windows(selection));
    EXPECT_EQ(selection, rock) << "the selection itself is kept";
}

TEST_F(EntityInspector, AReusedIndexShowsANewGeneration) {
    const EntityId first = add_rock();
    world.list<RockEntity>().destroy_deferred(first);
    world.flush();
    const EntityId second = add_rock();
    ASSERT_EQ(first.index, second.index);
    ASSERT_NE(first.generation, second.generation);
    EXPECT_EQ(labels(), std::vector<std::string>{entity_label(world.pool.list_of(second), second)});
    EXPECT_NE(entity_label(world.pool.list_of(first), first), entity_label(world.pool.list_of(second), second));
    EXPECT_EQ(entity_label(world.pool.list_of(second), second),
              "RockEntity " + std::to_string(second.index) + " (" + std::to_string(second.generation) + ")");
}

struct MassCase {
    const char* name;
    float mass;
    float inertia;
    float expected_inverse_mass;
    float expected_inverse_inertia;
};

class MassEdit : public ::testing::TestWithParam<MassCase> {};

TEST_P(MassEdit, StoresUsableValuesTogetherAndRefusesTheRest) {
    const MassCase& c = GetParam();
    PhysicsBody body;
    body.set_mass_inertia(2.0f, 4.0f);
    apply_mass_inertia_edit(body, c.mass, c.inertia);
    EXPECT_FLOAT_EQ(body.inverse_mass, c.expected_inverse_mass);
    EXPECT_FLOAT_EQ(body.inverse_inertia, c.expected_inverse_inertia);
    EXPECT_TRUE(std::isfinite(body.inverse_mass) && body.inverse_mass > 0.0f);
    EXPECT_TRUE(std::isfinite(body.inverse_inertia) && body.inverse_inertia > 0.0f);
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(EntityInspector, MassEdit,
                         ::testing::Values(MassCase{"Both", 5.0f, 10.0f, 0.2f, 0.1f},
                                           MassCase{"MassZero", 0.0f, 4.0f, 0.5f, 0.25f},
                                           MassCase{"MassZeroInertiaEdited", 0.0f, 8.0f, 0.5f, 0.125f},
                                           MassCase{"MassNegative", -3.0f, 4.0f, 0.5f, 0.25f},
                                           MassCase{"MassNan", kNan, 4.0f, 0.5f, 0.25f},
                                           MassCase{"MassInfinite", kInf, 4.0f, 0.5f, 0.25f},
                                           MassCase{"InertiaZero", 8.0f, 0.0f, 0.125f, 0.25f},
                                           MassCase{"Denormal", 1e-45f, 4.0f, 0.5f, 0.25f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntityInspector, EveryEntityKindDrawsWithEveryPanelOpen) {
    world.factory.create_player({0.0f, 0.0f});
    for (uint32_t kind = 0; kind < EnemyKindCount; ++kind) {
        world.factory.create_enemy({kind, {6.0f * static_cast<float>(kind + 1), 0.0f}, {}});
    }
    world.factory.create_item({{1.0f, 1.0f}, {}, 1});
    WeaponShot shot;
    shot.props = WeaponProps::default_cannon().bullet;
    world.factory.create_bullet(shot);
    world.factory.create_multi_sprite({-8.0f, 0.0f}, world.assets.get_by_name<MultiSpriteAsset>("snake"));
    add_rock();
    // The rows that show only while set.
    for (FighterEntity& f : world.list<FighterEntity>().entities()) {
        f.driver.waypoint = AiWaypoint{{1.0f, 2.0f}, 0.5f};
        f.flocker.target = glm::vec2(3.0f, 4.0f);
        f.flocker.follow_entity = EntityId{1, 2, 3};
    }
    for (BaseEntity& b : world.list<BaseEntity>().entities()) {
        b.thrower.held.resize(2);
    }

    std::vector<const char*> headers = {"Transform", "Physics Body", "Sprite", "Sprite Core Set"};
    for (const GameComponentSection& s : game_component_sections()) {
        headers.push_back(s.name.data());
    }
    const size_t rows = entity_row_count(world.pool);
    ASSERT_GE(rows, 10u);
    for (size_t i = 0; i < rows; ++i) {
        EntityRow row = entity_row(world.pool, i);
        EntityId selection = row.id;
        ASSERT_TRUE(draw_windows(selection)) << entity_label(*row.list, row.id);
        for (const char* title : headers) {
            GuiHarness::open_header("Selected Entity", title);
        }
        EXPECT_TRUE(draw_windows(selection)) << entity_label(*row.list, row.id);
    }
}

// An entity that carries a Transform and nothing else, so that its panel is the only one drawn.
struct Placed {
    Transform transform;
};

// A drag on the x field of the "Transform" panel's "Position" moves the entity itself, by 0.05 a pixel: the field
// edits the live component, not a copy. The field is found the way a user finds it, by pointing over the panel.
TEST(EntityInspectorEdits, DraggingThePositionFieldMovesTheEntity) {
    EntityPool pool;
    EntityList<Placed>& list = pool.add_list<Placed>("Placed", &Placed::transform);
    Placed placed;
    placed.transform.position = {1.0f, 2.0f};
    const EntityId id = list.add(std::move(placed));
    EntityId selection = id;
    GuiHarness gui;
    const auto draw = [&] {
        // Wherever the layout puts the window, a drag that starts beside a field does not move it.
        ImGui::SetWindowPos("Selected Entity", ImVec2(0.0f, 0.0f));
        if (draw_selected_entity_window(pool, selection)) {
            draw_entity_components(pool, selection);
        }
        ImGui::End();
    };
    gui.frame(draw);
    const auto open = [] { GuiHarness::open_header("Selected Entity", "Transform"); };
    open();
    gui.frame(draw);
    const Transform& t = list.at(id).transform;
    const glm::vec2 before = t.position;
    const bool moved = gui.drag_until(
        GuiHarness::window("Selected Entity")->InnerRect, 20.0f, draw, [&] { return t.position.x != before.x; }, open);
    ASSERT_TRUE(moved) << "no drag on the panel moved the entity";
    EXPECT_EQ(t.position, glm::vec2(before.x + 1.0f, before.y));
}

} // namespace
