// Pausing parks the simulation systems by name and brings them back.

#include <cstdint>
#include <string_view>

#include "Editor/ParticleDesignerSystem.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/Systems/Physics/PhysicsLerpTransformSystem.h"
#include "Engine/Engine/Systems/Physics/PhysicsUpdateSystem.h"
#include "Engine/Engine/Systems/Physics/SpritePhysicsSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCommitSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreUpdateSystem.h"
#include "Engine/Engine/Systems/Sprite/SpriteCreateTreeSystem.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Ai/AiBombSystem.h"
#include "Game/Systems/Ai/AiDriverSystem.h"
#include "Game/Systems/Ai/AiFighterSystem.h"
#include "Game/Systems/Ai/AiFlockerSystem.h"
#include "Game/Systems/Ai/AiStationSystem.h"
#include "Game/Systems/Ai/AiThrowerSystem.h"
#include "Game/Systems/Camera/CameraControllerSystem.h"
#include "Game/Systems/Item/ItemMoveSystem.h"
#include "Game/Systems/Player/PlayerMoveSystem.h"
#include "Game/Systems/Player/PlayerShootSystem.h"
#include "Game/Systems/Projectile/BulletMoveSystem.h"
#include "Game/Systems/Ui/GamePauseMenuUiRenderSystem.h"
#include "Game/Systems/Weapon/WeaponSystem.h"

namespace {

struct Transition {
    std::string_view name;
    int32_t paused_group;
    int32_t running_group;
};

// The simulation systems a pause parks, in the order they move both ways, and where they go back to.
constexpr Transition kPauseTransitions[] = {
    {PlayerMoveSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {PlayerShootSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {SpriteCreateTreeSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {BulletMoveSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {ItemMoveSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {SpriteCommitSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {SpriteCoreUpdateSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {AiBombSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {AiThrowerSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {AiStationSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {AiFlockerSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {AiDriverSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {AiFighterSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {WeaponSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {CameraControllerSystem::kName, SystemGroup::Unused, SystemGroup::Tick},
    {SpritePhysicsSystem::kName, SystemGroup::Unused, SystemGroup::Fixed},
    {PhysicsUpdateSystem::kName, SystemGroup::Unused, SystemGroup::Fixed},
    {PhysicsLerpTransformSystem::kName, SystemGroup::Unused, SystemGroup::AfterFixed},
    {ParticleDesignerSystem::kName, SystemGroup::Unused, SystemGroup::EditorUi},
    {GamePauseMenuUiRenderSystem::kName, SystemGroup::Render, SystemGroup::UnusedRender},
};

} // namespace

void GameScene::set_paused(const PauseChangedEvent& event) {
    for (const Transition& step : kPauseTransitions) {
        // A camera that the test-bed panel let go stays where the panel put it.
        if (step.name == CameraControllerSystem::kName && !m_camera_follow_player) {
            continue;
        }
        transition_system(step.name, event.paused ? step.paused_group : step.running_group);
    }
}
