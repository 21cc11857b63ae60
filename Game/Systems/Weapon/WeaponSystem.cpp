#include "Game/Systems/Weapon/WeaponSystem.h"

#include "Engine/EntityPool.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"
#include "Game/Components/Weapon.h"
#include "Game/Factory/EntityFactory.h"

WeaponSystem::WeaponSystem(SceneBase&, EntityFactory* factory) : SystemBase(kName), m_factory(factory) {}

void WeaponSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EventBus& bus = event_bus();
    for (auto row : EntityViewOf<Weapon>(entity_pool())) {
        Weapon& weapon = row.get<Weapon>();
        const WeaponProps& props = weapon.props;

        // The reload runs whether or not the trigger is held.
        weapon.reload_timer += dt;
        if (weapon.reload_timer < props.reload_time) {
            if (props.reload_effect) {
                props.reload_effect(bus, weapon.holder_pos, weapon.reload_timer / props.reload_time);
            }
            continue;
        }
        // Letting go loses the charge but not the reload.
        if (!weapon.triggered) {
            weapon.fire_timer = 0.0f;
            continue;
        }
        weapon.fire_timer += dt;
        if (weapon.fire_timer < props.fire_interval) {
            if (props.charge_effect) {
                props.charge_effect(bus, weapon.holder_pos, weapon.fire_timer / props.fire_interval);
            }
            continue;
        }

        weapon.fire_timer = 0.0f;
        weapon.reload_timer = 0.0f;
        // May go below zero; refilling is the holder's business.
        weapon.ammo -= 1;
        const glm::vec2 aim = normalize_or_zero(weapon.aim_dir);
        const glm::vec2 across(-aim.y, aim.x);
        const float aim_angle = angle_of(aim);
        for (int32_t i = 0; i < props.bullets_per_shot; ++i) {
            // Two draws per bullet, offset first: replays rely on the order.
            const float r1 = random_signed_unit();
            const glm::vec2 start = weapon.holder_pos + across * props.spread_width * r1;
            const float r2 = random_signed_unit();
            WeaponShot shot;
            shot.props = props.bullet;
            shot.position = start;
            shot.direction = direction_from_angle(aim_angle + r2 * props.spread_angle);
            shot.holder_velocity = weapon.holder_vel;
            shot.owner = row.id();
            if (props.shot_effect) {
                props.shot_effect(bus, shot);
            }
            m_factory->create_bullet(shot);
        }
    }
}
