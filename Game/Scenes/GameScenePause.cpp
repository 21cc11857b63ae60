// Pausing parks the simulation systems by name; unpausing puts each back where it was, so the run order
// after a pause is the start-up order (the physics update after the constraint solve, the driver on fixed
// steps).

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
};

// The simulation systems a pause parks, in the order they move both ways.
constexpr Transition kPauseTransitions[] = {
    {PlayerMoveSystem::kName, SystemGroup::Unused},       {PlayerShootSystem::kName, SystemGroup::Unused},
    {SpriteCreateTreeSystem::kName, SystemGroup::Unused}, {BulletMoveSystem::kName, SystemGroup::Unused},
    {ItemMoveSystem::kName, SystemGroup::Unused},         {SpriteCommitSystem::kName, SystemGroup::Unused},
    {SpriteCoreUpdateSystem::kName, SystemGroup::Unused}, {AiBombSystem::kName, SystemGroup::Unused},
    {AiThrowerSystem::kName, SystemGroup::Unused},        {AiStationSystem::kName, SystemGroup::Unused},
    {AiFlockerSystem::kName, SystemGroup::Unused},        {AiDriverSystem::kName, SystemGroup::Unused},
    {AiFighterSystem::kName, SystemGroup::Unused},        {WeaponSystem::kName, SystemGroup::Unused},
    {CameraControllerSystem::kName, SystemGroup::Unused}, {SpritePhysicsSystem::kName, SystemGroup::Unused},
    {PhysicsUpdateSystem::kName, SystemGroup::Unused},    {PhysicsLerpTransformSystem::kName, SystemGroup::Unused},
    {ParticleDesignerSystem::kName, SystemGroup::Unused}, {GamePauseMenuUiRenderSystem::kName, SystemGroup::Render},
};

} // namespace

void GameScene::set_paused(const PauseChangedEvent& event) {
    for (const Transition& step : kPauseTransitions) {
        // A camera that the test-bed panel let go stays where the panel put it.
        if (step.name == CameraControllerSystem::kName && !m_camera_follow_player) {
            continue;
        }
        if (event.paused != 0) {
            park_system(step.name, step.paused_group);
        } else {
            unpark_system(step.name);
        }
    }
}
