#include "Game/Systems/Ai/AiDriverSystem.h"

#include <cmath>

#include "Engine/EntityPool.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"

namespace {

// Turn scale of a ship at rest: it may snap to any heading.
constexpr float kRestTurnScale = 100000.0f;

} // namespace

glm::vec2 drive_velocity(glm::vec2 velocity, const AiDriver& driver, float h) {
    const float speed = glm::length(velocity);
    const float heading = angle_of(velocity);
    // Slow ships may turn fast.
    const float turn_scale = speed * speed >= 1e-8f ? driver.max_speed / speed : kRestTurnScale;
    const float max_dv = h * driver.max_accel;
    const float max_turn = turn_scale * driver.max_turn * h;

    const float d = driver.desired_heading - heading;
    const float error = (d + kPi) - std::floor((d + kPi) / kTwoPi) * kTwoPi - kPi;
    // Full speed only when facing the desired heading.
    const float alignment = clamp(1.0f - std::fabs(error) / kPi, 0.0f, 1.0f);
    const float new_speed =
        clamp(speed + clamp(alignment * driver.desired_speed - speed, -max_dv, max_dv), 0.0f, driver.max_speed);
    const float turned = heading + clamp(error, -max_turn, max_turn) + kTwoPi;
    const float new_heading = turned - std::floor(turned / kTwoPi) * kTwoPi;
    return direction_from_angle(new_heading) * new_speed;
}

AiDriverSystem::AiDriverSystem() : SystemBase(kName) {}

void AiDriverSystem::update(const SimulationTick& tick) {
    for (auto row : EntityViewOf<Transform, PhysicsBody, AiDriver>(entity_pool())) {
        PhysicsBody& body = row.get<PhysicsBody>();
        body.linear_velocity = drive_velocity(body.linear_velocity, row.get<AiDriver>(), tick.fixed_delta_time);
    }
}
