// The scene's editor step: the entity inspector's two windows, then the viewport menu.

#include <imgui.h>

#include "Editor/EntityInspector.h"
#include "Editor/GameComponentInspector.h"
#include "Game/Scenes/GameScene.h"

void GameScene::on_editor_ui(const SimulationTick&) {
    EntityPool& pool = entity_pool();
    EntityId& selection = selected_entity();
    draw_entities_window(pool, selection);
    if (draw_selected_entity_window(pool, selection)) {
        draw_entity_components(pool, selection);
        draw_game_component_inspector(pool, selection);
    }
    // "Selected Entity" is closed whatever it showed.
    ImGui::End();
    draw_viewport_menu();
}
