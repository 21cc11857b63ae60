#include "Game/Systems/Player/PlayerMoveSystem.h"

#include "Engine/EntityPool.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/Player.h"
#include "Game/Input/PlayerInputScheme.h"

PlayerMoveSystem::PlayerMoveSystem(SceneBase&, PlayerInputScheme* input) : SystemBase(kName), m_input(input) {}

void PlayerMoveSystem::update(const SimulationTick& tick) {
    for (auto row : EntityViewOf<Player, PhysicsBody>(entity_pool())) {
        const Player& player = row.get<Player>();
        PhysicsBody& body = row.get<PhysicsBody>();
        const float speed = player.is_cloud ? player.cloud_speed : player.speed;
        // The factor is clamped, so a high acceleration reaches the wanted speed in one tick and no further.
        body.linear_velocity =
            lerp_clamped(body.linear_velocity, m_input->movement * speed, player.acceleration * tick.delta_time);
        body.angle = 0.0f;
    }
}
