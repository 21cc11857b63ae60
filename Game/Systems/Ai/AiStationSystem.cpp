#include "Game/Systems/Ai/AiStationSystem.h"

#include <array>
#include <limits>

#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/Components/AiComponents.h"
#include "Game/Factory/EntityFactory.h"
#include "Game/Systems/Ai/AiOrbit.h"
#include "Game/Systems/Ai/AiQueries.h"

namespace {

// The station's four local axes, and what a launch makes.
constexpr std::array<glm::vec2, 4> kLaunchDirections = {{{0.0f, 1.0f}, {0.0f, -1.0f}, {1.0f, 0.0f}, {-1.0f, 0.0f}}};
constexpr std::array<uint32_t, 2> kLaunchKinds = {EnemyKindFighter, EnemyKindBomb};

} // namespace

AiStationSystem::AiStationSystem(EntityFactory* factory) : SystemBase(kName), m_factory(factory) {}

void AiStationSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    const glm::vec2 player = player_center_of_mass(pool);
    for (auto row : EntityViewOf<Transform, PhysicsBody, AiStation, AiForceMover>(pool)) {
        const Transform& transform = row.get<Transform>();
        const PhysicsBody& body = row.get<PhysicsBody>();
        AiStation& station = row.get<AiStation>();
        AiForceMover& mover = row.get<AiForceMover>();
        const glm::vec2 p = transform.to_world(body.center_of_mass);

        const OpenThrower thrower = nearest_open_thrower(pool, p);
        const float thrower_d2 = thrower.found ? thrower.distance_squared : std::numeric_limits<float>::infinity();
        if (length_squared(player - p) <= thrower_d2) {
            station.timer += dt;
            if (station.timer >= station.period) {
                station.period = kOrbitPeriod;
                station.timer = 0.0f;
                mover.goal = random_orbit_point(player);
            }
        } else {
            // Park on the thrower's far side as seen from the player.
            mover.goal = thrower.center + normalize_or_zero(thrower.center - player) * kParkBehind;
        }

        const glm::vec2 origin = transform.to_world(station.spawn_origin);
        station.spawn_timer += dt;
        if (station.spawn_timer >= station.spawn_interval) {
            station.spawn_timer = 0.0f;
            const glm::vec2 d = rotate(kLaunchDirections[static_cast<size_t>(random_int(4))], transform.angle);
            const uint32_t kind = kLaunchKinds[static_cast<size_t>(random_int(2))];
            m_factory->create_enemy(EnemyRequest{kind, origin + d * kLaunchOffset, d * kLaunchSpeed});
        }
    }
}
