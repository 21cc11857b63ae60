#include "Game/Systems/Player/PlayerShootSystem.h"

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/Player.h"
#include "Game/Components/Weapon.h"
#include "Game/Input/PlayerInputScheme.h"

PlayerShootSystem::PlayerShootSystem(SceneBase&, PlayerInputScheme* input) : SystemBase(kName), m_input(input) {}

void PlayerShootSystem::update(const SimulationTick&) {
    for (auto row : EntityViewOf<Transform, PhysicsBody, Player, Weapon>(entity_pool())) {
        const PhysicsBody& body = row.get<PhysicsBody>();
        Weapon& weapon = row.get<Weapon>();
        const glm::vec2 holder = row.get<Transform>().to_world(body.center_of_mass);
        // Left unnormalised: the weapon system normalises, and a zero aim stays zero.
        const glm::vec2 aim = m_input->keyboard_aim ? m_input->aim_keyboard : m_input->aim - holder;

        weapon.triggered = m_input->shoot ? 1 : 0;
        weapon.holder_pos = holder;
        weapon.holder_vel = body.linear_velocity;
        weapon.aim_dir = aim;

        if (weapon.ammo == 0) {
            weapon.props = WeaponProps::default_cannon();
            weapon.ammo = weapon.props.ammunition;
            weapon.fire_timer = 0.0f;
            weapon.reload_timer = 0.0f;
        }
    }
}
