#include <gtest/gtest.h>

#include <cfloat>
#include <functional>
#include <string>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"
#include "GameSceneFixture.h"
#include "Support/HeadlessGui.h"

namespace {

constexpr glm::vec2 kMouseWorld{3.0f, -2.0f};

// The editor's frame as far as the menu cares: a "Viewport" window, then the scene's editor menu.
struct MenuFixture : GameSceneFixture {
    MenuFixture() { scene->editor_input().mouse_world = kMouseWorld; }

    void frame(ImVec2 mouse, bool middle_down) {
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = mouse;
        io.MouseDown[2] = middle_down;
        gui.frame([&] {
            ImGui::SetNextWindowPos(ImVec2(100.0f, 100.0f));
            ImGui::SetNextWindowSize(ImVec2(600.0f, 400.0f));
            ImGui::Begin("Viewport");
            ImGui::End();
            ImGui::SetNextWindowPos(ImVec2(900.0f, 100.0f));
            ImGui::SetNextWindowSize(ImVec2(200.0f, 200.0f));
            ImGui::Begin("Entities");
            ImGui::End();
            scene->draw_viewport_menu();
        });
    }
    // A middle click at a screen point, then the mouse leaves for nowhere.
    void middle_click(ImVec2 at) {
        frame(at, false);
        frame(at, true);
        frame(ImVec2(-FLT_MAX, -FLT_MAX), false);
    }
    size_t open_popups() const { return static_cast<size_t>(ImGui::GetCurrentContext()->OpenPopupStack.Size); }
    // Presses the items of a path through the open menus.
    void choose(const std::vector<const char*>& path) {
        for (const char* item : path) {
            ImGuiWindow* menu = ImGui::GetCurrentContext()->OpenPopupStack.back().Window;
            ASSERT_NE(menu, nullptr) << item;
            ImGui::ActivateItem(menu->GetID(item));
            frame(ImVec2(-FLT_MAX, -FLT_MAX), false);
        }
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

TEST(ViewportMenu, OnlyAMiddleClickOverTheViewportOpensIt) {
    MenuFixture f;
    f.middle_click(ImVec2(1000.0f, 200.0f)); // over "Entities"
    EXPECT_EQ(f.open_popups(), 0u);
    f.middle_click(ImVec2(50.0f, 600.0f)); // over no window
    EXPECT_EQ(f.open_popups(), 0u);
    f.middle_click(ImVec2(400.0f, 300.0f));
    ASSERT_EQ(f.open_popups(), 1u);
    const std::string text = f.gui.frame([&] { f.scene->draw_viewport_menu(); });
    for (const char* item : {"Create Player", "Create Enemy", "Create Item", "Create Bullet", "Create Multi-Sprite",
                             "Create Rock", "Cancel"}) {
        EXPECT_NE(text.find(item), std::string::npos) << item;
    }
    f.choose({"Cancel"});
    EXPECT_EQ(f.open_popups(), 0u);
    f.tick();
    EXPECT_EQ(f.entity_count(), 0u);
}

struct MenuCase {
    const char* name;
    std::vector<const char*> path;
    const char* list;
    // Where the one new entity is; null when it has no single place to check.
    std::function<glm::vec2(EntityPool&)> where;
};

class ViewportMenuItems : public testing::TestWithParam<MenuCase> {};

template <typename E>
glm::vec2 center_of_cells(EntityPool& pool) {
    const E& e = pool.list<E>().entities().at(0);
    return e.transform.to_world(e.sprite.cell_moments().center_of_mass);
}

template <typename E>
glm::vec2 body_position(EntityPool& pool) {
    return pool.list<E>().entities().at(0).body.position;
}

TEST_P(ViewportMenuItems, ItemCreatesItsEntityUnderTheMouseAtTheNextFlush) {
    const MenuCase& c = GetParam();
    MenuFixture f;
    f.middle_click(ImVec2(400.0f, 300.0f));
    ASSERT_EQ(f.open_popups(), 1u);
    f.choose(c.path);
    EXPECT_EQ(f.open_popups(), 0u) << "a chosen item closes the menu";
    EXPECT_EQ(f.entity_count(), 0u) << "nothing before the flush";

    f.tick();
    EntityPool& pool = f.scene->entity_pool();
    size_t made = 0;
    for (const auto& list : pool.lists()) {
        if (list->name() == c.list) {
            made = list->size();
        }
    }
    EXPECT_EQ(made, 1u) << c.list;
    if (c.where) {
        EXPECT_EQ(f.entity_count(), 1u);
        const glm::vec2 at = c.where(pool);
        EXPECT_NEAR(at.x, kMouseWorld.x, 1e-3f);
        EXPECT_NEAR(at.y, kMouseWorld.y, 1e-3f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ViewportMenuItems,
    testing::Values(MenuCase{"Player", {"Create Player"}, "PlayerEntity", body_position<PlayerEntity>},
                    MenuCase{"Bomb", {"Create Enemy", "Bomb"}, "BombEntity", center_of_cells<BombEntity>},
                    MenuCase{"Fighter", {"Create Enemy", "Fighter"}, "FighterEntity", center_of_cells<FighterEntity>},
                    MenuCase{"Station", {"Create Enemy", "Station"}, "StationEntity", center_of_cells<StationEntity>},
                    MenuCase{"Base", {"Create Enemy", "Base"}, "BaseEntity", center_of_cells<BaseEntity>},
                    MenuCase{"Boss", {"Create Enemy", "Boss"}, "Boss1Entity", center_of_cells<Boss1Entity>},
                    MenuCase{"Core",
                             {"Create Item", "Core"},
                             "ItemEntity",
                             [](EntityPool& pool) {
                                 const ItemEntity& item = pool.list<ItemEntity>().entities().at(0);
                                 EXPECT_EQ(item.kind, 0u);
                                 return item.position;
                             }},
                    MenuCase{"Health",
                             {"Create Item", "Health"},
                             "ItemEntity",
                             [](EntityPool& pool) {
                                 const ItemEntity& item = pool.list<ItemEntity>().entities().at(0);
                                 EXPECT_EQ(item.kind, 1u);
                                 return item.position;
                             }},
                    MenuCase{"Bullet", {"Create Bullet"}, "BulletEntity", nullptr},
                    MenuCase{"MultiSprite", {"Create Multi-Sprite"}, "SnakeHeadEntity", nullptr},
                    MenuCase{"Rock", {"Create Rock"}, "RockEntity", body_position<RockEntity>}),
    [](const testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

} // namespace
