#include "Game/Systems/Ai/AiForceMoverSystem.h"

#include <cmath>

#include "Engine/EntityPool.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"

AiForceMoverSystem::AiForceMoverSystem() : SystemBase(kName) {}

void AiForceMoverSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    DebugLines& debug = debug_lines();
    for (auto row : EntityViewOf<Transform, PhysicsBody, AiForceMover>(entity_pool())) {
        PhysicsBody& body = row.get<PhysicsBody>();
        const AiForceMover& mover = row.get<AiForceMover>();
        // A body without mass (an emptied sprite) or with an infinite one cannot be pushed.
        if (!(body.inverse_mass > 0.0f) || !std::isfinite(body.inverse_mass)) {
            continue;
        }
        const glm::vec2 p = row.get<Transform>().to_world(body.center_of_mass);
        const VectorWithLength to_goal = normalize_with_length(mover.goal - p);
        const float v = glm::length(body.linear_velocity);
        const float m = 1.0f / body.inverse_mass;

        const float stopping = v * v / (2.0f * mover.max_impulse / m + 0.0001f);
        float speed = mover.max_speed;
        if (stopping > to_goal.length) {
            speed = to_goal.length / stopping * mover.max_speed;
        }
        speed = clamp(speed, 0.0f, mover.max_speed);
        const glm::vec2 impulse = clamp_length((to_goal.vector * speed - body.linear_velocity) * m, mover.max_impulse);
        debug_arrow(debug, p, mover.goal - p, DebugName::Ai);
        debug_arrow(debug, p, to_goal.vector * speed, DebugName::Ai);
        debug_arrow(debug, p, impulse, DebugName::Ai);
        body.apply_impulse(impulse * dt);
    }
}
