// The game scene's own tick: the rules that belong to no system.

#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Event/EventBus.h"
#include "Game/Scenes/GameScene.h"

void GameScene::on_tick(const SimulationTick&) {
    EventBus& bus = event_bus();
    // The backtick key switches between the game and the editor.
    if (m_editor_input.toggle_editor) {
        bus.publish(ToggleEditorEvent{});
    }
    // SPAWNER: the random-enemy spawner runs here.
    // Escape asks the scene to toggle its pause state; the answer comes back as a PauseChangedEvent.
    if (m_player_input.pause_game) {
        bus.publish(PauseRequestEvent{0, 1});
    }
    // JOINTS: on fixed ticks the joint map is rebuilt, snake heads steered and joint rows added here.
}
