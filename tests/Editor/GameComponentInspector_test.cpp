#include "Editor/GameComponentInspector.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "Editor/PropertyWidgets.h"
#include "Engine/EntityPool.h"
#include "Game/Components/AiComponents.h"
#include "Game/Components/AiMessages.h"
#include "Game/Components/Player.h"
#include "Game/Components/Tags.h"
#include "Game/Components/Weapon.h"
#include "GuiHarness.h"

namespace {

using editor_test::GuiHarness;

std::vector<std::string_view> names(const std::vector<const GameComponentSection*>& sections) {
    std::vector<std::string_view> out;
    for (const GameComponentSection* s : sections) {
        out.push_back(s->name);
    }
    return out;
}

TEST(GameComponentInspector, TheSectionTableHoldsTheNineteenComponentsInTheirOrder) {
    const std::vector<std::string_view> expected = {
        "AiBase",       "AiBomb",    "AiDriver",          "AiFighter",    "AiFlocker",
        "AiForceMover", "AiGoal",    "AiStation",         "AiThrowable",  "AiThrower",
        "Player",       "PlayArea",  "ItemSink",          "Weapon",       "PlayerIsCloudTag",
        "EnemyTag",     "AIMessage", "AIMessageReceiver", "AISquadMember"};
    std::vector<std::string_view> table;
    std::vector<uint8_t> ids;
    for (const GameComponentSection& s : game_component_sections()) {
        table.push_back(s.name);
        ids.push_back(s.component_id());
    }
    EXPECT_EQ(table, expected);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end()) << "every section names its own component";
}

// An entity that declares its components against the table's order, and one with none of them.
struct ScrambledEntity {
    AISquadMember squad;
    Weapon weapon;
    EnemyTag enemy;
    AiThrowable throwable;
    Player player;
    AiBase base;
};
struct PlainEntity {
    float value = 0.0f;
};

TEST(GameComponentInspector, SectionsFollowTheTableWhateverTheDeclarationOrder) {
    EntityPool pool;
    using E = ScrambledEntity;
    EntityList<E>& list =
        pool.add_list<E>("ScrambledEntity", &E::squad, &E::weapon, &E::enemy, &E::throwable, &E::player, &E::base);
    EXPECT_EQ(
        names(game_component_sections_of(list)),
        (std::vector<std::string_view>{"AiBase", "AiThrowable", "Player", "Weapon", "EnemyTag", "AISquadMember"}));
    EntityList<PlainEntity>& plain = pool.add_list<PlainEntity>("PlainEntity");
    EXPECT_TRUE(game_component_sections_of(plain).empty());
}

TEST(GameComponentInspector, ABoolRowWritesIntoTheLiveComponentWhenToggled) {
    EntityPool pool;
    using E = ScrambledEntity;
    EntityList<E>& list =
        pool.add_list<E>("ScrambledEntity", &E::squad, &E::weapon, &E::enemy, &E::throwable, &E::player, &E::base);
    const EntityId id = list.add(E{});
    const GameComponentSection* throwable = nullptr;
    for (const GameComponentSection* s : game_component_sections_of(list)) {
        throwable = s->name == "AiThrowable" ? s : throwable;
    }
    ASSERT_NE(throwable, nullptr);

    GuiHarness gui;
    ImGuiID thrown = 0;
    const auto draw = [&] {
        ImGui::Begin("Inspector");
        if (begin_property_table()) {
            // The section's field editor on the live component, as the inspector calls it.
            throwable->draw_fields(id, list.get_component(throwable->component_id(), id));
            thrown = ImGui::GetItemID(); // the last row: "Thrown"
            end_property_table();
        }
        ImGui::End();
    };
    gui.frame(draw);
    ASSERT_NE(thrown, 0u);
    EXPECT_EQ(list.at(id).throwable.thrown, 0);
    ImGui::ActivateItem(thrown);
    gui.frame(draw);
    EXPECT_EQ(list.at(id).throwable.thrown, 1);
    EXPECT_EQ(list.at(id).throwable.being_held, 0) << "only the toggled row changes";
    ImGui::ActivateItem(thrown);
    gui.frame(draw);
    EXPECT_EQ(list.at(id).throwable.thrown, 0);
}

struct Armed {
    Weapon weapon;
};

// "Ammo" shows the count but nothing in its row takes an edit: drags over the whole section leave it as it was,
// while the same drags do edit the rows that are editable.
TEST(GameComponentInspector, AmmoIsShownAndCannotBeEdited) {
    EntityPool pool;
    EntityList<Armed>& list = pool.add_list<Armed>("Armed", &Armed::weapon);
    Armed armed;
    armed.weapon.ammo = 17;
    const EntityId id = list.add(std::move(armed));
    EntityId selection = id;
    GuiHarness gui;
    const auto draw = [&] {
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
        ImGui::SetNextWindowSize(ImVec2(400.0f, 200.0f), ImGuiCond_Always);
        ImGui::Begin("Weapon panel");
        draw_game_component_inspector(pool, selection);
        ImGui::End();
    };
    gui.frame(draw);
    const auto open = [] { GuiHarness::open_header("Weapon panel", "Weapon"); };
    open();
    gui.frame(draw);
    EXPECT_NE(gui.frame_texts(draw).find("17"), std::string::npos) << "the count is shown";
    const Weapon& w = list.at(id).weapon;
    bool other_rows_edited = false;
    gui.drag_until(
        GuiHarness::window("Weapon panel")->InnerRect, 30.0f, draw,
        [&] {
            other_rows_edited = other_rows_edited || w.holder_pos != glm::vec2(0.0f) ||
                                w.holder_vel != glm::vec2(0.0f) || w.aim_dir != glm::vec2(0.0f);
            return w.ammo != 17;
        },
        open);
    EXPECT_EQ(w.ammo, 17);
    EXPECT_TRUE(other_rows_edited) << "the drags reached the editable rows";
}

} // namespace
