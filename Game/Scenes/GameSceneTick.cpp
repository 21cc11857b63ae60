// The game scene's own tick: the rules that belong to no system.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "Engine/Engine/EngineEvents.h"
#include "Engine/Engine/SceneEvents.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Log.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Constants.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/JointMap.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/VelocityConstraint.h"
#include "Engine/Random.h"
#include "Game/Components/Tags.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"
#include "Game/Scenes/GameScene.h"

namespace {
constexpr float kCircleRadius = 20.0f;
constexpr float kCircleDuration = 20.0f;
constexpr float kDiveDuration = 8.0f;
constexpr float kDiveReached = 2.0f;
constexpr float kHeadSpeed = 5.0f;
// A rope: it may only pull its anchors together, softly, down to this length.
constexpr float kRopeStiffness = 1000.0f;
constexpr float kRopeRestLength = 0.6f;
constexpr int32_t kSpawnCandidates = 10;

void enter_circle(AiSnakeHead& s) {
    LOGF("State is circle");
    s.state = SnakeHeadStateCircle;
    s.state_duration = kCircleDuration;
    s.state_timer = 0.0f;
}

// One fixed step of a snake head: wait, then circle the player, diving across the circle now and then.
// The head's target, its heading and the bodies hanging on it.
void draw_snake_head(DebugLines& debug, EntityPool& pool, const JointMap& map, const SnakeHeadEntity& head, glm::vec2 c,
                     glm::vec2 target) {
    if (!debug_is_enabled(DebugName::Default, DebugLayer::Default)) {
        return;
    }
    debug_circle(debug, target, 1.0f, DebugName::Default);
    debug_line(debug, c, target, DebugName::Default);
    debug_arrow(debug, c, direction_from_angle(head.body.angle), DebugName::Default);
    for (const EntityId& id : map.connected_bodies(head.body)) {
        if (!pool.has_list(id.entity_type_id) || !pool.list_of(id).is_alive(id)) {
            continue;
        }
        EntityListBase& list = pool.list_of(id);
        const auto* transform = static_cast<const Transform*>(list.get_component(component_type_id<Transform>(), id));
        const auto* body = static_cast<const PhysicsBody*>(list.get_component(component_type_id<PhysicsBody>(), id));
        if (transform != nullptr && body != nullptr) {
            debug_line(debug, c, transform->to_world(body->center_of_mass), DebugName::Default);
        }
    }
}

void steer_snake_head(SnakeHeadEntity& head, glm::vec2 player, const SimulationTick& tick, DebugLines& debug,
                      EntityPool& pool, const JointMap& map) {
    AiSnakeHead& s = head.head;
    const float dt = tick.fixed_delta_time;
    const float a = s.phase * 6.0f + tick.application_time / 5.0f;
    glm::vec2 target(0.0f);
    switch (s.state) {
    case SnakeHeadStateCircle:
        target = player + kCircleRadius * glm::vec2(std::cos(a), std::sin(a));
        s.state_timer += dt;
        if (s.state_timer >= s.state_duration) {
            LOGF("State is dive");
            const float r = random_signed_unit();
            s.state = SnakeHeadStateDive;
            s.state_duration = kDiveDuration;
            s.state_timer = 0.0f;
            // The far side of the circle, within 30 degrees.
            const float b = a + kPi + r * kPi / 6.0f;
            s.dive_target = player + kCircleRadius * glm::vec2(std::cos(b), std::sin(b));
        }
        break;
    case SnakeHeadStateDive:
        target = s.dive_target;
        s.state_timer += dt;
        if (s.state_timer >= s.state_duration) {
            enter_circle(s);
        }
        if (glm::length(head.transform.position - s.dive_target) < kDiveReached) {
            enter_circle(s);
        }
        break;
    default:
        s.state_timer += dt;
        if (s.state_timer >= s.state_duration) {
            enter_circle(s);
        }
        return;
    }
    const glm::vec2 c = head.transform.to_world(head.body.center_of_mass);
    const glm::vec2 wanted = normalize_or_zero(target - c) * kHeadSpeed;
    head.body.linear_velocity += (wanted - head.body.linear_velocity) * dt;
    draw_snake_head(debug, pool, map, head, c, target);
}

} // namespace

void GameScene::on_tick(const SimulationTick& tick) {
    EventBus& bus = event_bus();
    // The backtick key switches between the game and the editor.
    if (m_editor_input.toggle_editor) {
        bus.publish(ToggleEditorEvent{});
    }
    update_spawner(tick);
    // Escape asks the scene to toggle its pause state; the answer comes back as a PauseChangedEvent.
    if (m_player_input.pause_game) {
        bus.publish(PauseRequestEvent{0, 1});
    }
    if (tick.run_simulation_tick_fixed) {
        update_joints(tick);
    }
}

void GameScene::update_spawner(const SimulationTick& tick) {
    // A paused game spawns nothing and its countdown waits.
    if (!m_spawn_enabled || paused()) {
        return;
    }
    m_spawn_timer += tick.delta_time;
    if (m_spawn_timer < m_spawn_interval) {
        return;
    }
    m_spawn_timer = 0.0f;
    EntityPool& pool = entity_pool();
    size_t enemies = 0;
    for (const auto& list : pool.lists()) {
        if (list->has_components(component_mask<EnemyTag>())) {
            enemies += list->size();
        }
    }
    if (enemies >= static_cast<size_t>(std::max(m_spawn_max_enemies, 0))) {
        return;
    }
    // A free place on the ring around the player; the last candidate is taken untested.
    const glm::vec2 player = first_or_default<PlayerEntity>(pool)->transform.position;
    std::vector<int32_t> overlaps;
    glm::vec2 position(0.0f);
    for (int32_t candidate = 0; candidate < kSpawnCandidates; ++candidate) {
        position = player + random_on_rect_border(4.0f, 4.0f, 2.0f, 2.0f);
        if (candidate == kSpawnCandidates - 1) {
            break;
        }
        overlaps.clear();
        m_sprite_tree.query(AxisAlignedArea::around_point(position, 1.0f), overlaps);
        if (overlaps.empty()) {
            break;
        }
    }
    // Fighter, Bomb, Station, Base; never the boss.
    static constexpr uint32_t kKinds[] = {EnemyKindFighter, EnemyKindBomb, EnemyKindStation, EnemyKindBase};
    const uint32_t kind = kKinds[random_int(4)];
    m_factory.create_enemy(EnemyRequest{kind, position, glm::vec2(0.0f)});
}

void GameScene::update_joints(const SimulationTick& tick) {
    EntityPool& pool = entity_pool();
    JointMap& map = joints();
    map.clear();
    for (auto row : EntityViewOf<PhysicsBody, Transform>(pool)) {
        map.add_body(row.id(), row.get<Transform>(), row.get<PhysicsBody>());
    }

    // A paused world stands still: no steering and no rope pulls until it runs again.
    const bool running = !paused();
    if (running) {
        const glm::vec2 player = first_or_default<PlayerEntity>(pool)->transform.position;
        EntityListView heads;
        pool.list<SnakeHeadEntity>().view_all(heads);
        for (size_t i = 0; i < heads.count(); ++i) {
            steer_snake_head(*reinterpret_cast<SnakeHeadEntity*>(heads.entity(i)), player, tick, debug_lines_fixed(),
                             pool, map);
        }
    }

    // Joints whose partner is gone leave the survivor's body (done by the map) and its cores.
    for (const PrunedJoint& pruned : map.prune_dangling()) {
        if (!pool.has_list(pruned.entity.entity_type_id) || !pool.list_of(pruned.entity).is_alive(pruned.entity)) {
            continue;
        }
        auto* set = static_cast<SpriteCoreSet*>(
            pool.list_of(pruned.entity).get_component(component_type_id<SpriteCoreSet>(), pruned.entity));
        if (set == nullptr) {
            continue;
        }
        for (std::vector<SpriteCore>* cores : {&set->cores, &set->held_back_cores}) {
            for (SpriteCore& core : *cores) {
                std::erase(core.joint_ids, pruned.joint_id);
            }
        }
    }

    if (!running) {
        return;
    }
    // Rows in joint-id order: the solver's result depends on row order, and the map's order is the hash's.
    std::vector<uint32_t> ids;
    ids.reserve(map.size());
    for (const auto& entry : map.joints()) {
        ids.push_back(entry.first);
    }
    std::sort(ids.begin(), ids.end());
    for (const uint32_t id : ids) {
        const JointEnds& ends = *map.find(id);
        JointConstraintParams params;
        params.a = ends.end_a.body;
        params.b = ends.end_b.body;
        params.dt = tick.fixed_delta_time;
        params.lower = -std::numeric_limits<float>::infinity();
        params.upper = 0.0f;
        params.stiffness = kRopeStiffness;
        params.anchor_a = ends.end_a.anchor_offset;
        params.anchor_b = ends.end_b.anchor_offset;
        params.rest_length = kRopeRestLength;
        add_joint_constraint(constraints(), params, &debug_lines_fixed());
    }
}
