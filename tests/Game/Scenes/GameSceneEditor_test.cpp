#include <string>

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Editor/EntityInspector.h"
#include "Game/Entities/PlayerEntity.h"
#include "GameSceneFixture.h"
#include "Support/HeadlessGui.h"

namespace {

// The editor step of the real scene, drawn headless: the inspector's windows come before the "Scene" window
// and "Selected Entity" is closed whatever it shows.
TEST(GameSceneEditor, TheEditorStepDrawsTheInspectorWindows) {
    GameSceneFixture f;
    f.scene->factory().create_player({0.0f, 0.0f});
    f.tick();
    EntityListView players;
    f.scene->entity_pool().list<PlayerEntity>().view_all(players);
    ASSERT_EQ(players.count(), 1u);
    const EntityId saved = selected_entity();

    HeadlessGui gui;
    for (const EntityId selection : {kInvalidEntityId, players.id(0)}) {
        selected_entity() = selection;
        ImGui::NewFrame();
        f.scene->editor_ui(test_support::make_tick(f.ticks, 1.0f / 60.0f, false));
        EXPECT_EQ(ImGui::GetCurrentWindow()->Name, std::string("Debug##Default")) << "every window was closed";
        ImGui::Render();
        ImGuiWindow* entities = ImGui::FindWindowByName("Entities");
        ImGuiWindow* inspector = ImGui::FindWindowByName("Selected Entity");
        ImGuiWindow* scene = ImGui::FindWindowByName("Scene");
        ASSERT_NE(entities, nullptr);
        ASSERT_NE(inspector, nullptr);
        ASSERT_NE(scene, nullptr);
        EXPECT_LT(entities->BeginOrderWithinContext, inspector->BeginOrderWithinContext);
        EXPECT_LT(inspector->BeginOrderWithinContext, scene->BeginOrderWithinContext);
    }
    selected_entity() = saved;
}

} // namespace
