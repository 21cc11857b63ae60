#include "Game/Systems/Projectile/BulletMoveSystem.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "Engine/DestructibleSprite/GridRayWalk.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteGrid.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/Trail.h"
#include "Engine/Log.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"

namespace {

constexpr float kForkSpread = 0.5235988f; // pi / 6

// The second, weaker bullet a hit may split off, with half the hits the parent has left.
void fork_bullet(EntityList<BulletEntity>& bullets, const BulletEntity& parent) {
    const float angle = random_signed(kForkSpread);
    const float curve_sign = random_signed_unit();
    BulletEntity fork = parent;
    fork.velocity = rotate(parent.velocity, angle);
    fork.hits_left = parent.hits_left / 2;
    fork.hits_total = fork.hits_left;
    fork.fork_chance = parent.fork_chance * 0.5f;
    fork.curve_sign = curve_sign;
    fork.trail = Trail();
    bullets.add_deferred(std::move(fork));
}

} // namespace

BulletMoveSystem::BulletMoveSystem(SceneBase&, AxisAlignedAreaTree<EntityId>* tree) : SystemBase(kName), m_tree(tree) {}

void BulletMoveSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EntityPool& pool = entity_pool();
    EventBus& bus = event_bus();
    EntityList<BulletEntity>& bullets = pool.list<BulletEntity>();
    const uint8_t ids[4] = {component_type_id<Transform>(), component_type_id<PhysicsBody>(),
                            component_type_id<Sprite>(), component_type_id<SpriteDirtyFlag>()};

    EntityListView all;
    bullets.view_all(all);
    const size_t count = all.count();
    uint64_t walked = 0;
    for (size_t i = 0; i < count; ++i) {
        BulletEntity& bullet = *reinterpret_cast<BulletEntity*>(all.entity(i));
        const glm::vec2 next = bullet.position + bullet.velocity * dt;

        if (bullet.dying) {
            // A dead bullet flies on while its trail is drawn in from the tail.
            bullet.trail.pop_front();
            bullet.trail.pop_front();
            if (bullet.trail.points().empty()) {
                bullets.destroy_deferred(all.id(i));
            }
            bullet.trail.add_point(bullet.position, bullet.trail_width, bullet.trail_colour);
            bullet.position = next;
            continue;
        }

        bullet.trail.add_point(bullet.position, bullet.trail_width, bullet.trail_colour);
        m_candidates.clear();
        m_tree->query(AxisAlignedArea::from_corners(bullet.position, next), m_candidates);
        glm::vec2 new_position = next;
        glm::vec2 new_velocity = bullet.velocity;
        bool spent = false;
        const float curve = bullet.curve_strength * bullet.curve_sign * dt;

        for (const int32_t value : m_candidates) {
            const EntityId candidate = m_tree->payload(value);
            if (candidate == bullet.owner || !pool.has_list(candidate.entity_type_id)) {
                continue;
            }
            EntityListBase& list = pool.list_of(candidate);
            if (!list.is_alive(candidate)) {
                continue;
            }
            uint64_t offsets[4];
            auto* entity = static_cast<std::byte*>(list.get_components(candidate, ids, 4, offsets));
            if (offsets[0] == kNoComponentOffset || offsets[1] == kNoComponentOffset ||
                offsets[2] == kNoComponentOffset || offsets[3] == kNoComponentOffset) {
                continue;
            }
            const Transform& transform = *reinterpret_cast<Transform*>(entity + offsets[0]);
            const PhysicsBody& body = *reinterpret_cast<PhysicsBody*>(entity + offsets[1]);
            Sprite& sprite = *reinterpret_cast<Sprite*>(entity + offsets[2]);
            SpriteDirtyFlag& flag = *reinterpret_cast<SpriteDirtyFlag*>(entity + offsets[3]);
            const SpriteGrid& grid = sprite.grid();

            // The candidate's sines are taken once here, and once more on its first hit, instead of in every
            // transform call: the same values Transform::to_local and to_world compute.
            const float back_sin = std::sin(-transform.angle);
            const float back_cos = std::cos(-transform.angle);
            const auto to_local = [&](glm::vec2 world) {
                return rotate_sin_cos(world - transform.position, back_sin, back_cos) / transform.scale;
            };
            float sin_angle = 0.0f;
            float cos_angle = 1.0f;
            glm::vec2 world_centre(0.0f);
            bool turned = false;
            const auto to_world = [&](glm::vec2 local) {
                return rotate_sin_cos(local * transform.scale, sin_angle, cos_angle) + transform.position;
            };
            const glm::vec2 start = grid.local_to_cell(to_local(bullet.position));
            const glm::vec2 end = grid.local_to_cell(to_local(next));
            const VectorWithLength path = normalize_with_length(end - start);
            GridRayWalk walk(start, path.vector, path.length);
            bool hit_this_tick = false;

            // Consecutive cells mostly share a chunk: keep its record instead of looking it up per cell.
            const bool chunk_of_32 = grid.chunk_size == 32; // every game sprite: shifts instead of divisions
            const int32_t chunks_x = static_cast<int32_t>(grid.chunks_x);
            int32_t chunk_index = -1;
            const SpriteChunk* chunk = nullptr;
            for (; walk.in_range(); walk.step()) {
                ++walked;
                const glm::ivec2 cell = walk.cell();
                if (!grid.contains_cell(cell.x, cell.y)) {
                    continue;
                }
                const ChunkCell at = chunk_of_32 ? ChunkCell{(cell.y >> 5) * chunks_x + (cell.x >> 5),
                                                             ((cell.y & 31) << 5) | (cell.x & 31)}
                                                 : grid.to_chunk_cell(cell.x, cell.y);
                if (at.chunk != chunk_index) {
                    chunk_index = at.chunk;
                    chunk = sprite.chunk(at.chunk);
                }
                if (chunk == nullptr || !cell_active(chunk->flags[static_cast<size_t>(at.cell)])) {
                    continue;
                }
                // The event reads the cell's colour, which the walk never touched: start loading it now.
                __builtin_prefetch(&chunk->colours[static_cast<size_t>(at.cell)]);

                if (!turned) {
                    sin_angle = std::sin(transform.angle);
                    cos_angle = std::cos(transform.angle);
                    world_centre = to_world(body.center_of_mass);
                    turned = true;
                }
                const glm::vec2 centre_local = grid.cell_center_to_local(cell.x, cell.y);
                const glm::vec2 centre_world = to_world(centre_local);
                const glm::vec2 body_velocity =
                    point_velocity(body.linear_velocity, body.angular_velocity, world_centre, centre_world);
                sprite.remove_cell(at.chunk, at.cell);
                flag.dirty = 1;

                // The turn fades as the bullet spends its hits.
                const float share = bullet.hits_total > 0
                                        ? static_cast<float>(bullet.hits_left) / static_cast<float>(bullet.hits_total)
                                        : 0.0f;
                walk.redirect(direction_from_angle(angle_of(walk.direction()) + curve * share));
                hit_this_tick = true;

                // The cell as it reads after the removal (its chunk is the one the walk holds).
                BulletHitCellEvent event;
                event.entity = candidate;
                event.cell_colour = chunk->colours[static_cast<size_t>(at.cell)];
                event.cell_flags = chunk->flags[static_cast<size_t>(at.cell)];
                event.world_position = centre_world;
                event.local_position = centre_local;
                event.entity_angle = transform.angle;
                event.velocity = body_velocity + bullet.velocity;
                event.first_hit = bullet.hits_left == bullet.hits_total ? 1 : 0;
                bus.publish(event);

                bullet.hits_left -= 1;
                bullet.trail.add_point(centre_world, bullet.trail_width, bullet.trail_colour);
                if (bullet.hits_left < 1) {
                    spent = true;
                    break;
                }
                // A fork gets half the hits left; with fewer than two left there is nothing to share.
                if (random_chance(bullet.fork_chance) && bullet.hits_left / 2 >= 1) {
                    fork_bullet(bullets, bullet);
                }
            }
            if (spent) {
                break;
            }
            if (hit_this_tick) {
                new_position = to_world(grid.cell_to_local(walk.position()));
                new_velocity = normalize_or_zero(rotate_sin_cos(walk.direction(), sin_angle, cos_angle)) *
                               glm::length(bullet.velocity);
                break;
            }
        }

        if (bullet.life < 0.0f || bullet.hits_left < 1) {
            const EntityId id = all.id(i);
            LOGF("Bullet now dead {}/{}", id.index, static_cast<int32_t>(id.generation));
            bullet.dying = 1;
        } else {
            bullet.position = new_position;
            bullet.velocity = new_velocity;
            bullet.life -= dt;
        }
    }
    m_cells_walked += walked;
}
