#include "Engine/Engine/Systems/Sprite/SpriteCoreUpdateSystem.h"

#include <algorithm>
#include <utility>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreExplodedEvent.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"

SpriteCoreUpdateSystem::SpriteCoreUpdateSystem() : SystemBase(kName) {}

bool sprite_core_should_explode(uint32_t live, int32_t initial, uint32_t total, bool explode_all) {
    if (explode_all) {
        return true;
    }
    // A core without initial cells has nothing to lose; only the share rule can apply to it.
    if (initial > 0 && static_cast<float>(live) / static_cast<float>(initial) < 0.3f) {
        return true;
    }
    const float share = total == 0 ? 0.0f : static_cast<float>(live) / static_cast<float>(total);
    return share > 0.2f;
}

void SpriteCoreUpdateSystem::update(const SimulationTick&) {
    EntityPool& pool = entity_pool();
    EventBus& bus = event_bus();
    for (auto row : EntityViewOf<Transform, Sprite, SpriteCoreSet>(pool)) {
        Transform& transform = row.get<Transform>();
        Sprite& sprite = row.get<Sprite>();
        SpriteCoreSet& set = row.get<SpriteCoreSet>();
        // A sprite that was moved out (into a rock) leaves an empty grid behind; its counts mean nothing.
        if (sprite.grid().chunk_count() == 0) {
            continue;
        }
        const EntityId id = row.id();
        size_t i = 0;
        while (i < set.cores.size()) {
            SpriteCore& core = set.cores[i];
            const uint32_t live = sprite.cell_type_info(core.type).active;
            const uint32_t total = static_cast<uint32_t>(sprite.active_cell_count());
            if (!sprite_core_should_explode(live, core.initial_cell_count, total, set.explode_all != 0)) {
                ++i;
                continue;
            }

            const glm::vec2 world = transform.to_world(sprite.grid().cell_to_local(core.grid_point));
            const int32_t strength = std::max(core.initial_cell_count / 2, static_cast<int32_t>(live));
            bus.publish(SpriteCoreExplodedEvent{id, world, strength, core.type});

            if (!core.joint_ids.empty()) {
                EntityListBase& list = pool.list_of(id);
                if (auto* body = static_cast<PhysicsBody*>(list.get_component(component_type_id<PhysicsBody>(), id))) {
                    for (uint32_t joint : core.joint_ids) {
                        body->remove_link(joint);
                    }
                }
            }

            // The last core of an entity that had a Core: what is left of it drifts on as a rock.
            if (set.has_core && set.cores.size() == 1 && !sprite.keeps_removed_cells()) {
                EntityListBase& list = pool.list_of(id);
                auto* body = static_cast<PhysicsBody*>(list.get_component(component_type_id<PhysicsBody>(), id));
                RockEntity rock;
                rock.transform = transform;
                if (body != nullptr) {
                    rock.body = *body;
                }
                rock.sprite = std::move(sprite);
                rock.dirty.dirty = 1;
                rock.marker.value = 1;
                pool.list<RockEntity>().add_deferred(std::move(rock));
                list.destroy_deferred(id);
            }

            set.held_back_cores.push_back(std::move(set.cores[i]));
            set.cores.erase(set.cores.begin() + static_cast<std::ptrdiff_t>(i));
            // After a move-out the sprite is empty: the remaining cores (none, by the rule above) stay.
            if (sprite.grid().chunk_count() == 0) {
                break;
            }
        }
    }
}
