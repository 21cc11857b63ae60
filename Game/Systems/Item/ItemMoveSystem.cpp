#include "Game/Systems/Item/ItemMoveSystem.h"

#include <cstddef>
#include <vector>

#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/Components/ItemSink.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Systems/Item/ItemPickupEvent.h"

namespace {

constexpr float kLastTickSlack = 1.001f;

struct SinkPoint {
    EntityId id;
    glm::vec2 point{0.0f};
    ItemSink* sink = nullptr;
};

struct LiveSink {
    const Transform* transform = nullptr;
    const PhysicsBody* body = nullptr;
    ItemSink* sink = nullptr;
};

// The sink's parts when it is still alive and still a sink; empty otherwise.
LiveSink find_sink(EntityPool& pool, const EntityId& id) {
    if (!pool.has_list(id.entity_type_id)) {
        return {};
    }
    EntityListBase& list = pool.list_of(id);
    if (!list.is_alive(id)) {
        return {};
    }
    static const uint8_t ids[3] = {component_type_id<Transform>(), component_type_id<PhysicsBody>(),
                                   component_type_id<ItemSink>()};
    uint64_t offsets[3];
    auto* entity = static_cast<std::byte*>(list.get_components(id, ids, 3, offsets));
    if (offsets[0] == kNoComponentOffset || offsets[1] == kNoComponentOffset || offsets[2] == kNoComponentOffset) {
        return {};
    }
    return {reinterpret_cast<const Transform*>(entity + offsets[0]),
            reinterpret_cast<const PhysicsBody*>(entity + offsets[1]),
            reinterpret_cast<ItemSink*>(entity + offsets[2])};
}

bool arrived(const ItemEntity& item) { return item.flight_timer >= item.flight_duration; }

// Another captured item of the same kind still on its way to the same sink keeps the mark up.
bool other_incoming(const EntityListView& all, size_t except, const EntityId& target, uint32_t kind) {
    const size_t count = all.count();
    for (size_t j = 0; j < count; ++j) {
        const ItemEntity& other = *reinterpret_cast<const ItemEntity*>(all.entity(j));
        if (j != except && other.kind == kind && other.target == target && !arrived(other)) {
            return true;
        }
    }
    return false;
}

} // namespace

ItemMoveSystem::ItemMoveSystem(SceneBase&) : SystemBase(kName) {}

void ItemMoveSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    EventBus& bus = event_bus();
    EntityList<ItemEntity>& items = pool.list<ItemEntity>();

    EntityListView all;
    items.view_all(all);
    const size_t count = all.count();
    if (count == 0) {
        return;
    }

    // Sinks do not move during this update, so their points are taken once.
    std::vector<SinkPoint> sinks;
    for (auto row : EntityViewOf<Transform, PhysicsBody, ItemSink>(pool)) {
        const glm::vec2 point = row.get<Transform>().to_world(row.get<PhysicsBody>().center_of_mass);
        sinks.push_back({row.id(), point, &row.get<ItemSink>()});
    }

    for (size_t i = 0; i < count; ++i) {
        ItemEntity& item = *reinterpret_cast<ItemEntity*>(all.entity(i));

        if (item.target == kInvalidEntityId) {
            item.life -= dt;
            const bool expired = item.life <= 0.0f;
            if (expired) {
                items.destroy_deferred(all.id(i)); // it still moves in this tick
            }
            item.position += item.velocity * dt;
            item.angle += item.angular_velocity * dt;
            item.velocity = damp_vec2(item.velocity, item.damping, dt);
            item.angular_velocity = damp_float(item.angular_velocity, item.damping, dt);
            item.attraction_timer += dt;
            // An item on its way out captures nothing: its sink's mark would never be cleared.
            if (item.attraction_timer < item.attraction_delay || expired) {
                continue;
            }
            const float r2 = item.attraction_radius * item.attraction_radius;
            for (const SinkPoint& s : sinks) {
                const glm::vec2 offset = item.position - s.point;
                if (length_squared(offset) >= r2) {
                    continue;
                }
                item.target = s.id;
                item.capture_position = item.position;
                const float speed = random_range(4.0f, 8.0f);
                const float turn = random_float();
                item.velocity = rotate(normalize_or_zero(offset), turn) * speed;
                item.angular_velocity = random_float();
                item.damping = 0.0f;
                if (item.kind < ItemKindCount) {
                    s.sink->incoming[item.kind] = 1;
                }
                break;
            }
            continue;
        }

        const LiveSink target = find_sink(pool, item.target);
        if (target.sink == nullptr) {
            // The sink is gone: the item is free again and may be captured by another at once.
            item.target = kInvalidEntityId;
            item.flight_timer = 0.0f;
            continue;
        }
        const float remaining = item.flight_duration - item.flight_timer;
        const glm::vec2 goal =
            target.transform->to_world(target.body->center_of_mass) + target.body->linear_velocity * remaining;
        // The last tick of the flight: dividing by a time this small would fling the item, so it simply lands.
        // A timer summed tick by tick drifts by rounding, hence the slack; without it a sliver of a tick is left.
        if (remaining <= dt * kLastTickSlack) {
            item.position = goal;
            item.flight_timer = item.flight_duration;
        } else {
            const glm::vec2 acceleration =
                2.0f * (goal - item.position - item.velocity * remaining) / (remaining * remaining);
            item.velocity += acceleration * dt;
            item.position += item.velocity * dt;
            item.flight_timer += dt;
        }
        if (!arrived(item)) {
            continue;
        }
        items.destroy_deferred(all.id(i));
        bus.publish(ItemPickupEvent{item.target, item.kind});
        if (item.kind < ItemKindCount && !other_incoming(all, i, item.target, item.kind)) {
            target.sink->incoming[item.kind] = 0;
        }
    }
}
