#include "Game/Systems/Projectile/BulletMoveSystem.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <utility>

#include "Engine/DestructibleSprite/ChunkRows.h"
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

// A path of more cells than this is walked only over the grid (no game sprite comes near it in size), which
// bounds a tick's walk whatever its delta; the margin keeps the cells at the grid's edge in the walk.
constexpr float kLongWalk = 4096.0f;
constexpr float kWalkMargin = 2.0f;

// The rows of a block of cells without a chunk.
constexpr uint32_t kNoRows[32] = {};

// The second, weaker bullet a hit may split off, with half the hits the parent had left after the hit.
void fork_bullet(EntityList<BulletEntity>& bullets, const BulletEntity& parent, int32_t hits_left) {
    const float angle = random_signed(kForkSpread);
    const float curve_sign = random_signed_unit();
    BulletEntity fork = parent;
    fork.velocity = rotate(parent.velocity, angle);
    fork.hits_left = hits_left / 2;
    fork.hits_total = fork.hits_left;
    fork.fork_chance = parent.fork_chance * 0.5f;
    fork.curve_sign = curve_sign;
    fork.trail = Trail();
    bullets.add_deferred(std::move(fork));
}

// The turn at a hit, direction_from_angle(angle_of(d) + offset), with the last inputs and results kept by their
// bits: a bullet that does not curve turns to the same direction at every cell after its first, and the same
// bits in give the same bits out, without taking atan2 and sincos again.
class TurnCache {
public:
    glm::vec2 turn(glm::vec2 d, float offset) {
        const auto d_bits = std::bit_cast<uint64_t>(d);
        if (!m_has_angle || d_bits != m_d_bits) {
            m_angle = angle_of(d);
            m_d_bits = d_bits;
            m_has_angle = true;
        }
        const float to = m_angle + offset;
        const auto to_bits = std::bit_cast<uint32_t>(to);
        if (!m_has_turned || to_bits != m_to_bits) {
            m_turned = direction_from_angle(to);
            m_to_bits = to_bits;
            m_has_turned = true;
        }
        return m_turned;
    }

private:
    uint64_t m_d_bits = 0;
    float m_angle = 0.0f;
    uint32_t m_to_bits = 0;
    glm::vec2 m_turned{0.0f};
    bool m_has_angle = false;
    bool m_has_turned = false;
};

} // namespace

BulletMoveSystem::BulletMoveSystem(SceneBase&, AxisAlignedAreaTree<EntityId>* tree) : SystemBase(kName), m_tree(tree) {}

const BulletMoveSystem::Candidate& BulletMoveSystem::candidate(int32_t value, const EntityId& id) {
    const auto at = static_cast<size_t>(value);
    if (at >= m_candidate_of_value.size()) {
        m_candidate_of_value.resize(at + 1);
    }
    Candidate& c = m_candidate_of_value[at];
    if (c.stamp == m_stamp) {
        return c;
    }
    c = Candidate{};
    c.stamp = m_stamp;
    EntityPool& pool = entity_pool();
    if (!pool.has_list(id.entity_type_id)) {
        return c;
    }
    EntityListBase& list = pool.list_of(id);
    if (!list.is_alive(id)) {
        return c;
    }
    const uint8_t ids[4] = {component_type_id<Transform>(), component_type_id<PhysicsBody>(),
                            component_type_id<Sprite>(), component_type_id<SpriteDirtyFlag>()};
    uint64_t offsets[4];
    auto* entity = static_cast<std::byte*>(list.get_components(id, ids, 4, offsets));
    if (offsets[0] == kNoComponentOffset || offsets[1] == kNoComponentOffset || offsets[2] == kNoComponentOffset ||
        offsets[3] == kNoComponentOffset) {
        return c;
    }
    c.usable = true;
    c.transform = reinterpret_cast<Transform*>(entity + offsets[0]);
    c.body = reinterpret_cast<PhysicsBody*>(entity + offsets[1]);
    c.sprite = reinterpret_cast<Sprite*>(entity + offsets[2]);
    c.dirty = reinterpret_cast<SpriteDirtyFlag*>(entity + offsets[3]);
    // The same values Transform::to_local and to_world compute on every call.
    const float angle = c.transform->angle;
    c.back_sin = std::sin(-angle);
    c.back_cos = std::cos(-angle);
    c.sin = std::sin(angle);
    c.cos = std::cos(angle);
    c.world_center = rotate_sin_cos(c.body->center_of_mass * c.transform->scale, c.sin, c.cos) + c.transform->position;

    const SpriteGrid& grid = c.sprite->grid();
    if (std::has_single_bit(grid.cells_x) && std::has_single_bit(grid.cells_y)) {
        c.cell_scale = {1.0f / static_cast<float>(grid.cells_x), 1.0f / static_cast<float>(grid.cells_y)};
    }
    if (grid.has_row_chunks() && grid.cells_x == grid.chunks_x * grid.chunk_size &&
        grid.cells_y == grid.chunks_y * grid.chunk_size) {
        // One set of rows per sprite, however many leaves name it.
        const auto [it, fresh] = m_rows_of_sprite.try_emplace(c.sprite);
        if (fresh) {
            const size_t chunks = grid.chunk_count();
            it->second = {static_cast<uint32_t>(m_chunk_rows_used), static_cast<uint32_t>(m_chunk_state.size())};
            m_chunk_rows_used += chunks * 32;
            if (m_chunk_rows.size() < m_chunk_rows_used) {
                m_chunk_rows.resize(m_chunk_rows_used);
            }
            m_chunk_state.resize(m_chunk_state.size() + chunks, 0);
            m_chunk_cells.resize(m_chunk_state.size());
        }
        c.rows = true;
        c.rows_at = it->second.first;
        c.state_at = it->second.second;
    }
    return c;
}

const uint32_t* BulletMoveSystem::make_chunk_rows(const Candidate& c, int32_t chunk_index) {
    uint8_t& state = m_chunk_state[c.state_at + static_cast<size_t>(chunk_index)];
    uint32_t* rows = m_chunk_rows.data() + c.rows_at + static_cast<size_t>(chunk_index) * 32;
    if (state == 0) {
        const SpriteChunk* chunk = c.sprite->chunk(chunk_index);
        if (chunk == nullptr) {
            state = 1;
        } else {
            build_chunk_rows(chunk->flags.data(), rows);
            m_chunk_cells[c.state_at + static_cast<size_t>(chunk_index)] = {chunk, chunk->flags.data(),
                                                                            chunk->colors.data()};
            state = 2;
        }
    }
    return state == 2 ? rows : nullptr;
}

void BulletMoveSystem::publish_hits(EventBus& bus, std::vector<PendingHit>& hits) {
    for (const PendingHit& hit : hits) {
        bus.publish_filled<BulletHitCellEvent>([&](BulletHitCellEvent& event) {
            event = hit.event;
            // The cell as it reads after the removal: nothing changes it again during the update.
            event.cell_color = *hit.color;
            event.cell_flags = *hit.flags;
        });
    }
    hits.clear();
}

void BulletMoveSystem::add_trail_points(const EntityListView& all) {
    const size_t runs = m_trail_runs.size();
    for (size_t k = 0; k < runs; ++k) {
        BulletEntity& bullet = *reinterpret_cast<BulletEntity*>(all.entity(m_trail_runs[k].bullet));
        const size_t end = k + 1 < runs ? m_trail_runs[k + 1].begin : m_trail_points.size();
        for (size_t i = m_trail_runs[k].begin; i < end; ++i) {
            bullet.trail.add_point(m_trail_points[i], bullet.trail_width, bullet.trail_color);
        }
    }
    m_trail_runs.clear();
    m_trail_points.clear();
}

void BulletMoveSystem::update(const SimulationTick& tick) {
    const float dt = tick.delta_time;
    EventBus& bus = event_bus();
    EntityList<BulletEntity>& bullets = entity_pool().list<BulletEntity>();
    // Sprites and their components stay where they are until the lists' next flush, after this update.
    m_stamp += 1;
    if (m_stamp == 0) {
        m_candidate_of_value.clear();
        m_stamp = 1;
    }
    m_chunk_rows_used = 0;
    m_chunk_state.clear();
    m_chunk_cells.clear();
    m_rows_of_sprite.clear();
    m_hits_before.clear();
    m_hits.clear();
    m_trail_runs.clear();
    m_trail_points.clear();

    TurnCache turns;
    EntityListView all;
    bullets.view_all(all);
    const size_t count = all.count();
    uint64_t walked = 0;
    for (size_t i = 0; i < count; ++i) {
        BulletEntity& bullet = *reinterpret_cast<BulletEntity*>(all.entity(i));
        if (!m_hits_before.empty()) {
            publish_hits(bus, m_hits_before);
        }
        std::swap(m_hits_before, m_hits);
        const glm::vec2 next = bullet.position + bullet.velocity * dt;

        if (bullet.dying) {
            // A dead bullet flies on while its trail is drawn in from the tail.
            bullet.trail.pop_front();
            bullet.trail.pop_front();
            if (bullet.trail.empty()) {
                bullets.destroy_deferred(all.id(i));
            }
            bullet.trail.add_point(bullet.position, bullet.trail_width, bullet.trail_color);
            bullet.position = next;
            continue;
        }

        m_trail_runs.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(m_trail_points.size())});
        m_trail_points.push_back(bullet.position);
        m_candidates.clear();
        m_tree->query(AxisAlignedArea::from_corners(bullet.position, next), m_candidates);
        glm::vec2 new_position = next;
        glm::vec2 new_velocity = bullet.velocity;
        bool spent = false;
        const float curve = bullet.curve_strength * bullet.curve_sign * dt;

        for (const int32_t value : m_candidates) {
            const EntityId id = m_tree->payload(value);
            if (id == bullet.owner) {
                continue;
            }
            const Candidate& c = candidate(value, id);
            if (!c.usable) {
                continue;
            }
            const Transform& transform = *c.transform;
            const PhysicsBody& body = *c.body;
            Sprite& sprite = *c.sprite;
            const SpriteGrid grid = sprite.grid();
            const ChunkTable& table = sprite.chunk_table();
            const auto to_local = [&](glm::vec2 world) {
                return rotate_sin_cos(world - transform.position, c.back_sin, c.back_cos) / transform.scale;
            };
            const auto to_world = [&](glm::vec2 local) {
                return rotate_sin_cos(local * transform.scale, c.sin, c.cos) + transform.position;
            };
            const glm::vec2 start = grid.local_to_cell(to_local(bullet.position));
            const glm::vec2 end = grid.local_to_cell(to_local(next));
            const VectorWithLength path = normalize_with_length(end - start);
            // The walk takes a step per cell. A path far longer than any sprite (a tick of a huge delta) walks
            // only its part over the grid and a margin; the rest of its length is added back at the end. Paths
            // of ordinary ticks walk whole, as they always did.
            glm::vec2 walk_start = start;
            float walk_length = path.length;
            float cut_tail = 0.0f;
            if (path.length > kLongWalk) {
                const AxisAlignedArea box{
                    glm::vec2(-kWalkMargin),
                    glm::vec2(static_cast<float>(grid.cells_x), static_cast<float>(grid.cells_y)) + kWalkMargin};
                const RayInterval over = AxisAlignedArea::clip_ray(box, AreaRay{start, path.vector, path.length});
                if (!(over.enter <= over.exit)) {
                    continue; // misses the grid: no cell to hit
                }
                walk_start = start + path.vector * over.enter;
                walk_length = over.exit - over.enter;
                cut_tail = path.length - over.exit;
            }
            GridRayWalk walk(walk_start, path.vector, walk_length);
            bool hit_this_tick = false;

            // Consecutive cells mostly share a chunk: keep its rows (or flags) instead of looking it up per cell.
            const int32_t chunks_x = static_cast<int32_t>(grid.chunks_x);
            int32_t chunk_index = -1;
            const uint16_t* flags = nullptr;
            // The block of cells the walk is in and its rows; at first not the start cell's block, so that the
            // first cell looks its block up. A hit clears its bit in these same rows.
            uint32_t block_x = (static_cast<uint32_t>(walk.cell_x) & ~31u) ^ 32u;
            uint32_t block_y = static_cast<uint32_t>(walk.cell_y) & ~31u;
            const uint32_t* block_rows = kNoRows;
            for (;;) {
                // The walk up to the next active cell, in a loop of its own so that it keeps its state in
                // registers; the hit below calls out.
                ChunkCell at{-1, -1};
                if (c.rows) {
                    // Every game sprite: 32-cell chunks, shifts instead of divisions, one bit per cell. The walk's
                    // state is held in locals, which stay in registers, and stored back when it stops. Within a
                    // 32 x 32 block of cells one test tells that the chunk is still the same; a block outside the
                    // grid, or without a chunk, reads rows without a bit set.
                    float t = walk.t;
                    float t_max_x = walk.t_max_x;
                    float t_max_y = walk.t_max_y;
                    auto x = static_cast<uint32_t>(walk.cell_x);
                    auto y = static_cast<uint32_t>(walk.cell_y);
                    const float max_t = walk.max_t;
                    const float t_delta_x = walk.t_delta_x;
                    const float t_delta_y = walk.t_delta_y;
                    const auto step_x = static_cast<uint32_t>(walk.step_x);
                    const auto step_y = static_cast<uint32_t>(walk.step_y);
                    while (max_t >= t) {
                        ++walked;
                        if (((x ^ block_x) | (y ^ block_y)) >= 32u) {
                            block_x = x & ~31u;
                            block_y = y & ~31u;
                            block_rows = kNoRows;
                            chunk_index = -1;
                            // Unsigned, so that one test each rejects both sides of the grid.
                            if (x < grid.cells_x && y < grid.cells_y) {
                                chunk_index = static_cast<int32_t>(y >> 5) * chunks_x + static_cast<int32_t>(x >> 5);
                                const uint32_t* made = chunk_rows(c, chunk_index);
                                block_rows = made != nullptr ? made : kNoRows;
                            }
                        }
                        if (((block_rows[y & 31] >> (x & 31)) & 1u) != 0) {
                            at = ChunkCell{chunk_index, static_cast<int32_t>(((y & 31) << 5) | (x & 31))};
                            break;
                        }
                        // GridRayWalk::step, ties stepping y.
                        if (t_max_y <= t_max_x) {
                            t = t_max_y;
                            y += step_y;
                            t_max_y += t_delta_y;
                        } else {
                            t = t_max_x;
                            x += step_x;
                            t_max_x += t_delta_x;
                        }
                    }
                    walk.t = t;
                    walk.t_max_x = t_max_x;
                    walk.t_max_y = t_max_y;
                    walk.cell_x = static_cast<int32_t>(x);
                    walk.cell_y = static_cast<int32_t>(y);
                } else {
                    for (; walk.in_range(); walk.step()) {
                        ++walked;
                        if (!grid.contains_cell(walk.cell_x, walk.cell_y)) {
                            continue;
                        }
                        const ChunkCell here = grid.to_chunk_cell(walk.cell_x, walk.cell_y);
                        if (here.chunk != chunk_index) {
                            chunk_index = here.chunk;
                            const SpriteChunk* chunk = table.find(here.chunk);
                            flags = chunk != nullptr ? chunk->flags.data() : nullptr;
                        }
                        if (flags != nullptr && cell_active(flags[static_cast<size_t>(here.cell)])) {
                            at = here;
                            break;
                        }
                    }
                }
                if (at.chunk < 0) {
                    break;
                }
                const glm::ivec2 cell = walk.cell();
                // The walk read the occupancy rows, not the cell: start loading the chunk's record and the cell's
                // flags, which the removal rewrites, and its colour, which the event reads, and turn the bullet
                // meanwhile. The turn and the removal touch nothing of each other's.
                const uint16_t* flags_at;
                const uint32_t* color_at;
                if (c.rows) {
                    const ChunkCells& cells = m_chunk_cells[c.state_at + static_cast<size_t>(at.chunk)];
                    __builtin_prefetch(cells.chunk, 1);
                    __builtin_prefetch(reinterpret_cast<const std::byte*>(cells.chunk) + 64, 1);
                    flags_at = cells.flags + at.cell;
                    color_at = cells.colors + at.cell;
                } else {
                    const SpriteChunk& chunk = *table.find(at.chunk);
                    flags_at = chunk.flags.data() + at.cell;
                    color_at = chunk.colors.data() + at.cell;
                }
                __builtin_prefetch(flags_at, 1);
                __builtin_prefetch(color_at);

                const glm::vec2 center_local = grid.cell_center_to_local(cell, c.cell_scale);
                const glm::vec2 center_world = to_world(center_local);
                const glm::vec2 body_velocity =
                    point_velocity(body.linear_velocity, body.angular_velocity, c.world_center, center_world);

                // The turn fades as the bullet spends its hits.
                // A bullet that does not curve turns by its curve (+0 or -0) itself, which is what the product
                // gives with a share of 0 to 1: no division.
                float turn_by = curve;
                if (curve != 0.0f) {
                    const float share = bullet.hits_total > 0 ? static_cast<float>(bullet.hits_left) /
                                                                    static_cast<float>(bullet.hits_total)
                                                              : 0.0f;
                    turn_by = curve * share;
                }
                walk.redirect(turns.turn(walk.direction(), turn_by));
                hit_this_tick = true;

                sprite.remove_cell(at.chunk, at.cell);
                c.dirty->dirty = 1;
                if (c.rows) {
                    // The rows follow the flags: the cell is no longer active.
                    m_chunk_rows[c.rows_at + static_cast<size_t>(at.chunk) * 32 + static_cast<size_t>(cell.y & 31)] &=
                        ~(1u << (cell.x & 31));
                }

                const uint8_t first_hit = bullet.hits_left == bullet.hits_total ? 1 : 0;
                PendingHit& hit = m_hits.emplace_back();
                hit.event.entity = id;
                hit.event.world_position = center_world;
                hit.event.local_position = center_local;
                hit.event.entity_angle = transform.angle;
                hit.event.velocity = body_velocity + bullet.velocity;
                hit.event.first_hit = first_hit;
                hit.color = color_at;
                hit.flags = flags_at;

                bullet.hits_left -= 1;
                m_trail_points.push_back(center_world); // added to the trail after the walks

                if (bullet.hits_left < 1) {
                    spent = true;
                    break;
                }
                m_fork_draws.push_back(bullet.hits_left);
                walk.step();
            }
            if (spent) {
                break;
            }
            if (hit_this_tick) {
                new_position = to_world(grid.cell_to_local(walk.position() + walk.direction() * cut_tail));
                new_velocity =
                    normalize_or_zero(rotate_sin_cos(walk.direction(), c.sin, c.cos)) * glm::length(bullet.velocity);
                break;
            }
        }

        // The fork draws of the bullet's hits, in hit order, once its walks are done: the draws are the only ones
        // of the update and a fork is queued, so they give the same forks in the same order, and the walks no
        // longer wait for the generator. A fork gets half the hits left after its hit; with fewer than two left
        // there is nothing to share. Until the death test below the bullet is as it was at each hit but for
        // its hits left.
        for (const int32_t hits_left : m_fork_draws) {
            if (random_chance(bullet.fork_chance) && hits_left / 2 >= 1) {
                fork_bullet(bullets, bullet, hits_left);
            }
        }
        m_fork_draws.clear();

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
    publish_hits(bus, m_hits_before);
    publish_hits(bus, m_hits);
    add_trail_points(all);
    m_cells_walked += walked;
}
