#include "Game/Systems/Ai/AiThrowerSystem.h"

#include <algorithm>
#include <cmath>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/AiComponents.h"
#include "Game/Systems/Ai/AiQueries.h"

namespace {

constexpr float kSqrt2 = 1.4142135f;
constexpr float kHalfArc = 1.2566371f; // 0.4 pi: the slots spread over 0.8 pi
constexpr float kArc = 2.5132742f;
constexpr float kPull = 30.0f;
constexpr float kRelease = 2.0f; // a throw ends this close to the player

struct HeldBody {
    Transform* transform = nullptr;
    PhysicsBody* body = nullptr;
    glm::vec2 center() const { return transform->to_world(body->center_of_mass); }
};

HeldBody held_body(EntityPool& pool, const EntityId& id) {
    HeldBody held;
    held.transform = live_component<Transform>(pool, id);
    held.body = live_component<PhysicsBody>(pool, id);
    if (held.transform == nullptr || held.body == nullptr) {
        return {};
    }
    return held;
}

void remove_entry(std::vector<AiThrowerHeld>& held, size_t i) {
    held[i] = held.back();
    held.pop_back();
}

// Arms a released bomb with a fuse equal to its flight time to the player, at most kMaxFuse.
void release(EntityPool& pool, const EntityId& id, glm::vec2 player) {
    if (AiBomb* bomb = live_component<AiBomb>(pool, id)) {
        const HeldBody held = held_body(pool, id);
        float fuse = AiThrowerSystem::kMaxFuse;
        if (held.body != nullptr) {
            // A bomb at rest would never arrive: it gets the longest fuse rather than an endless one.
            const float speed = held.body->speed();
            const float distance = glm::length(held.center() - player);
            if (speed > 0.0f && distance / speed < fuse) {
                fuse = distance / speed;
            }
        }
        bomb->exploding = 1;
        bomb->fuse = fuse;
        bomb->fuse_timer = 0.0f;
    }
    if (AiThrowable* throwable = live_component<AiThrowable>(pool, id)) {
        throwable->thrown = 1;
    }
}

} // namespace

AiThrowerSystem::AiThrowerSystem(AxisAlignedAreaTree<EntityId>* tree) : SystemBase(kName), m_tree(tree) {}

void AiThrowerSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    const glm::vec2 player = player_position(pool);
    const uint64_t throwable_mask = component_mask<AiThrowable>();
    DebugLines& debug = debug_lines();

    for (auto row : EntityViewOf<Transform, AiThrower>(pool)) {
        const EntityId self = row.id();
        const Transform& transform = row.get<Transform>();
        AiThrower& thrower = row.get<AiThrower>();
        std::vector<AiThrowerHeld>& held = thrower.held;

        for (size_t i = 0; i < held.size();) {
            if (held_body(pool, held[i].entity).body == nullptr) {
                remove_entry(held, i);
            } else {
                ++i;
            }
        }

        const glm::vec2 point = transform.to_world(thrower.origin);
        debug_circle(debug, point, thrower.radius, DebugName::Ai);

        if (held.size() < kGatherBelow) {
            m_found.clear();
            const AxisAlignedArea square = AxisAlignedArea::around_point(point, thrower.radius * kSqrt2);
            debug_rect(debug, square, DebugName::Ai);
            m_tree->query(square, m_found);
            for (const int32_t value : m_found) {
                const EntityId id = m_tree->payload(value);
                if (id == self || !entity_alive(pool, id) || !pool.list_of(id).has_components(throwable_mask)) {
                    continue;
                }
                const AiThrowable* throwable = live_component<AiThrowable>(pool, id);
                const Sprite* sprite = live_component<Sprite>(pool, id);
                if (throwable->thrown != 0 || sprite == nullptr || sprite->active_cell_count() > kMaxThrowableCells ||
                    held_body(pool, id).body == nullptr) {
                    continue;
                }
                const bool known =
                    std::any_of(held.begin(), held.end(), [&](const AiThrowerHeld& h) { return h.entity == id; });
                if (!known) {
                    AiThrowerHeld entry;
                    entry.entity = id;
                    held.push_back(entry);
                }
            }
        }

        // Slots on an arc on the far side from the player; each body in turn takes the nearest free one.
        const size_t n = held.size();
        const float a0 = angle_of(point - player);
        m_slots.clear();
        for (size_t i = 1; i <= n; ++i) {
            const float r = thrower.radius + (held[i - 1].throwing != 0 ? 1.0f : 0.0f);
            const float a = a0 + kHalfArc - static_cast<float>(i) * kArc / static_cast<float>(n + 1);
            m_slots.push_back(point + r * direction_from_angle(a));
        }
        for (AiThrowerHeld& entry : held) {
            const glm::vec2 p = held_body(pool, entry.entity).center();
            size_t best = 0;
            for (size_t s = 1; s < m_slots.size(); ++s) {
                if (glm::length(m_slots[s] - p) < glm::length(m_slots[best] - p)) {
                    best = s;
                }
            }
            entry.goal = m_slots[best];
            m_slots[best] = m_slots.back();
            m_slots.pop_back();
        }

        for (size_t i = 0; i < held.size();) {
            AiThrowerHeld& entry = held[i];
            const HeldBody body = held_body(pool, entry.entity);
            const glm::vec2 p = body.center();
            glm::vec2& velocity = body.body->linear_velocity;

            if (entry.throwing == 0) {
                const glm::vec2 g = entry.goal;
                glm::vec2 aim = g;
                // Body and goal on opposite sides of the thrower: lead it around, not through.
                if (glm::dot(point - g, point - p) < 0.0f) {
                    aim = point + thrower.radius * normalize_or_zero(glm::vec2(-(g.y - p.y), g.x - p.x));
                    debug_line(debug, aim, g, DebugName::Ai);
                }
                debug_circle(debug, aim, 0.03f, DebugName::Ai);
                debug_line(debug, p, aim, DebugName::Ai);
                velocity = damp_vec2(velocity + (aim - p) * dt * kPull, 20.0f, dt);
                debug_circle(debug, point, thrower.throw_radius, DebugName::Ai);
                if (glm::length(player - point) <= thrower.throw_radius) {
                    entry.hold_timer += dt;
                    if (entry.hold_timer >= entry.hold_time) {
                        entry.throwing = 1;
                    }
                }
                ++i;
                continue;
            }

            debug_circle(debug, p, 0.03f, DebugName::Ai);
            debug_line(debug, p, player, DebugName::Ai);
            if (glm::dot(point - player, point - p) >= 0.0f) {
                entry.throw_timer += dt;
                if (entry.throw_timer >= entry.throw_time || glm::length(p - player) < kRelease) {
                    const EntityId id = entry.entity;
                    remove_entry(held, i);
                    release(pool, id, player);
                    continue;
                }
                velocity = damp_vec2(velocity + normalize_or_zero(player - p) * dt * kPull, 1.0f, dt);
            } else {
                // Still behind the thrower: swing around it first.
                const glm::vec2 aim =
                    point + thrower.radius * normalize_or_zero(glm::vec2(-(player.y - p.y), player.x - p.x));
                velocity = damp_vec2(velocity + normalize_or_zero(aim - p) * dt * kPull, 6.0f, dt);
            }
            ++i;
        }
    }
}
