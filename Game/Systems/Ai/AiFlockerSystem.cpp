#include "Game/Systems/Ai/AiFlockerSystem.h"

#include <algorithm>
#include <cmath>

#include "Engine/EntityPool.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/SpriteRayCast.h"
#include "Engine/Random.h"
#include "Game/Components/AiComponents.h"
#include "Game/Systems/Ai/AiQueries.h"

namespace {
constexpr float kQuerySide = 2.828427f;
// Below this distance two flockers count as coincident: they have no direction to push each other along.
constexpr float kCoincident = 1e-3f;

// Distance needed to stop from speed at the given deceleration; a ship that cannot brake is treated as
// stopping at once rather than dividing by zero.
float stopping_distance(float speed, float accel) { return accel > 0.0f ? speed * speed / (2.0f * accel) : 0.0f; }

glm::vec2 separation_from(EntityPool& pool, const AxisAlignedAreaTree<EntityId>& tree,
                          const std::vector<int32_t>& found, EntityId self, glm::vec2 p) {
    glm::vec2 separation(0.0f);
    for (const int32_t value : found) {
        const EntityId id = tree.payload(value);
        if (id == self) {
            continue;
        }
        const Transform* transform = live_component<Transform>(pool, id);
        if (transform == nullptr) {
            continue;
        }
        const PhysicsBody* body = live_component<PhysicsBody>(pool, id);
        const glm::vec2 q = transform->to_world(body != nullptr ? body->center_of_mass : glm::vec2(0.0f));
        const VectorWithLength away = normalize_with_length(p - q);
        if (away.length > AiFlockerSystem::kSeparationRange || away.length < kCoincident) {
            continue;
        }
        separation += away.vector * (2.0f / (away.length * away.length) - 0.5f);
    }
    // The flocker's own leaf counts, so n >= 1 whenever it is in the tree.
    if (!found.empty()) {
        separation /= static_cast<float>(found.size());
    }
    return separation;
}

} // namespace

AiFlockerSystem::AiFlockerSystem(AxisAlignedAreaTree<EntityId>* tree) : SystemBase(kName), m_tree(tree) {}

void AiFlockerSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    ThreadPool& threads = thread_pool();
    const glm::vec2 player = player_position(pool);
    const uint64_t flocker_mask = component_mask<AiFlocker>();
    DebugLines& debug = debug_lines();

    for (auto row : EntityViewOf<Transform, PhysicsBody, AiDriver, AiFlocker>(pool)) {
        const EntityId self = row.id();
        const PhysicsBody& body = row.get<PhysicsBody>();
        AiDriver& driver = row.get<AiDriver>();
        AiFlocker& flocker = row.get<AiFlocker>();
        const glm::vec2 p = row.get<Transform>().to_world(body.center_of_mass);

        // A new flocker has no target yet and draws one at once.
        if (!flocker.target || glm::length(*flocker.target - p) < kTargetReached) {
            flocker.target = player + random_on_rect_border(3.0f, 3.0f, 4.0f, 4.0f);
        }

        m_found.clear();
        m_tree->query(AxisAlignedArea::around_point(p, kQuerySide), m_found);
        const glm::vec2 separation = separation_from(pool, *m_tree, m_found, self, p);

        // The slower the ship, the wider it looks around.
        const float speed = glm::length(body.linear_velocity);
        const float look = stopping_distance(speed, driver.max_accel) + 0.5f;
        const glm::vec2 wander =
            direction_from_angle(angle_of(body.linear_velocity) + random_signed(kPi / (speed * speed + 4.0f)));

        glm::vec2 avoid(0.0f);
        const SpriteRayCastResult hit = sprite_ray_cast(threads, pool, *m_tree, self, p, wander, look, m_ray_scratch);
        if (hit.hit != 0) {
            debug_circle(debug, hit.point, 0.05f, DebugName::Ai);
        }
        // Flockers keep apart through separation, not by dodging each other's rays.
        if (hit.hit != 0 && !pool.list_of(hit.entity).has_components(flocker_mask)) {
            const VectorWithLength to_hit = normalize_with_length(hit.point - p);
            const float k = to_hit.length > 0.0f ? std::min((look / to_hit.length - 1.0f) * 10.0f, 1.0f) : 1.0f;
            avoid = -wander * k;
        }
        // A kick that fades within about a tenth of a second.
        flocker.escape_vector = lerp_clamped(flocker.escape_vector + avoid, glm::vec2(0.0f), dt * 10.0f);

        const glm::vec2 steer = (*flocker.target - p) + separation + flocker.escape_vector;
        debug_arrow(debug, p, steer, DebugName::Ai);
        const glm::vec2 goal = p + steer;

        // The goal may lie inside a turning circle the ship cannot reach, or too close to stop for.
        const VectorWithLength heading = normalize_with_length(body.linear_velocity);
        const float radius = driver.max_turn > 0.0f ? heading.length / std::sqrt(driver.max_turn) : 0.0f;
        const glm::vec2 c1 = p + radius * glm::vec2(heading.vector.y, -heading.vector.x);
        const glm::vec2 c2 = p + radius * glm::vec2(-heading.vector.y, heading.vector.x);
        driver.desired_speed = driver.max_speed;
        driver.desired_heading = angle_of(goal - p);
        if (glm::length(goal - c1) < radius || glm::length(goal - c2) < radius ||
            glm::length(goal - p) < stopping_distance(heading.length, driver.max_accel)) {
            driver.desired_speed = 0.0f;
        }
        debug_line(debug, p, goal, DebugName::Ai);
        debug_circle(debug, goal, 0.0f, DebugName::Ai);
    }
}
