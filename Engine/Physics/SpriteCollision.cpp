#include "Engine/Physics/SpriteCollision.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iterator>
#include <mutex>
#include <tuple>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/ThreadPool.h"

namespace {

// Radius of the circle around a chunk's centre used to pair facing chunks (sqrt(4) / 2).
constexpr float kChunkRadius = 1.0f;
// One cell side in world units at the usual scale of half the chunk counts.
constexpr float kCellWorldSize = 0.03125f;

// Runs item(i, local) for i in [0, count) on the pool and on the calling thread. The items are cut into
// consecutive blocks that the threads take in turn as they come free (the work per item varies a lot, and under
// load workers wake late: the caller starts at once instead of sleeping). Each block fills its own list and the
// lists are joined in block order, so the result is the same sequence whatever the number of workers and
// whichever thread ran which block.
template <typename T, typename Item>
std::vector<T> parallel_collect(ThreadPool& pool, uint64_t count, const Item& item) {
    std::vector<T> result;
    if (count == 0) {
        return result;
    }
    const uint64_t workers = pool.worker_count();
    const uint64_t block = std::max<uint64_t>(1, count / ((workers + 1) * 8));
    const uint64_t blocks = (count + block - 1) / block;
    std::vector<std::vector<T>> per_block(blocks);
    std::atomic<uint64_t> next{0};
    std::mutex error_mutex;
    std::exception_ptr error;
    const auto work = [&](uint64_t) {
        try {
            for (uint64_t k = next.fetch_add(1, std::memory_order_relaxed); k < blocks;
                 k = next.fetch_add(1, std::memory_order_relaxed)) {
                std::vector<T>& local = per_block[k];
                const uint64_t hi = std::min(count, (k + 1) * block);
                for (uint64_t i = k * block; i < hi; ++i) {
                    item(i, local);
                }
            }
        } catch (...) {
            const std::lock_guard<std::mutex> guard(error_mutex);
            if (!error) {
                error = std::current_exception();
            }
            next.store(blocks, std::memory_order_relaxed);
        }
    };
    pool.queue_parallel_for(0, std::min(workers, blocks - 1), work);
    work(0);
    pool.wait_idle();
    if (error) {
        std::rethrow_exception(error);
    }
    size_t total = 0;
    for (const std::vector<T>& local : per_block) {
        total += local.size();
    }
    result.reserve(total);
    for (std::vector<T>& local : per_block) {
        result.insert(result.end(), std::make_move_iterator(local.begin()), std::make_move_iterator(local.end()));
    }
    return result;
}

bool finite2(glm::vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// The clamped chunk box back in world space: corner circles and edges.
void draw_chunk_box(DebugLines& debug, const SpritePhysicsProxy& proxy, const AxisAlignedArea& box, uint32_t layer) {
    if (!debug_is_enabled(DebugName::Physics_Broadphase_Overlap_Grid_Corners, layer) &&
        !debug_is_enabled(DebugName::Physics_Broadphase_Overlap_Grid_Bounds, layer)) {
        return;
    }
    const SpriteGrid& grid = proxy.sprite->grid();
    const float chunk_size = static_cast<float>(grid.chunk_size);
    glm::vec2 corners[4];
    AxisAlignedArea::corners(box, corners);
    glm::vec2 world[4];
    for (int i = 0; i < 4; ++i) {
        world[i] = proxy.transform->to_world(grid.cell_to_local(corners[i] * chunk_size));
        debug_circle(debug, world[i], 0.05f, DebugName::Physics_Broadphase_Overlap_Grid_Corners, layer);
    }
    for (int i = 0; i < 4; ++i) {
        debug_line(debug, world[i], world[(i + 1) % 4], DebugName::Physics_Broadphase_Overlap_Grid_Bounds, layer);
    }
}

// Chunk-space box of the overlap as seen by one sprite, clamped to its chunk counts.
AxisAlignedArea chunk_box_of(const SpritePhysicsProxy& proxy, const AxisAlignedArea& overlap, uint32_t layer,
                             DebugLines* debug) {
    const SpriteGrid& grid = proxy.sprite->grid();
    glm::vec2 corners[4];
    AxisAlignedArea::corners(overlap, corners);
    const float chunk_size = static_cast<float>(grid.chunk_size);
    glm::vec2 chunk_space[4];
    for (int i = 0; i < 4; ++i) {
        chunk_space[i] = grid.local_to_cell(proxy.transform->to_local(corners[i])) / chunk_size;
        if (debug != nullptr) {
            debug_circle(*debug, corners[i], 0.02f, DebugName::Physics_Broadphase_Overlap_World_Corners);
        }
    }
    AxisAlignedArea box = AxisAlignedArea::from_points(chunk_space, 4);
    // Clamped to the last chunk, not past it: an overlap that lies wholly beyond the sprite's current place
    // (a fast approach) still selects the edge chunks that face it, instead of none.
    const glm::vec2 limit(static_cast<float>(grid.chunks_x) - 1.0f, static_cast<float>(grid.chunks_y) - 1.0f);
    box.min = glm::max(glm::min(box.min, limit), glm::vec2(0.0f));
    box.max = glm::max(glm::min(box.max, limit), glm::vec2(0.0f));
    if (debug != nullptr) {
        draw_chunk_box(*debug, proxy, box, layer);
    }
    return box;
}

void collect_chunks(const SpritePhysicsProxy& proxy, const AxisAlignedArea& box, int32_t self, int32_t other,
                    uint8_t second, std::vector<ProxyChunk>& out, DebugLines* debug) {
    const Sprite& sprite = *proxy.sprite;
    const SpriteGrid& grid = sprite.grid();
    const int32_t n = static_cast<int32_t>(grid.chunk_size);
    const int32_t centre_cell = (n / 2) * n + n / 2;
    const auto y0 = static_cast<int32_t>(std::floor(box.min.y));
    const auto y1 = static_cast<int32_t>(std::ceil(box.max.y));
    const auto x0 = static_cast<int32_t>(std::floor(box.min.x));
    const auto x1 = static_cast<int32_t>(std::ceil(box.max.x));
    for (int32_t cy = y0; cy <= y1; ++cy) {
        for (int32_t cx = x0; cx <= x1; ++cx) {
            // The box reaches the chunk count itself; outside the grid an index would wrap into the next row.
            if (!grid.contains_chunk(cx, cy)) {
                continue;
            }
            const int32_t index = grid.chunk_index(cx, cy);
            const SpriteChunk* chunk = sprite.chunk(index);
            if (chunk == nullptr) {
                continue;
            }
            const glm::vec2 center =
                proxy.transform->to_world(grid.cell_center_to_local(ChunkCell{index, centre_cell}));
            if (debug != nullptr) {
                debug_circle(*debug, center, 0.2f, DebugName::Physics_Broadphase_Chunk_Used, DebugLayer::A + second);
            }
            out.push_back(ProxyChunk{self, other, chunk, center, second});
        }
    }
}

} // namespace

const std::array<glm::vec2, 8> kCellDirectionNormals = {
    glm::vec2(0.0f, 1.0f),  glm::vec2(0.70710677f, 0.70710677f),
    glm::vec2(1.0f, 0.0f),  glm::vec2(0.70710677f, -0.70710677f),
    glm::vec2(0.0f, -1.0f), glm::vec2(-0.70710677f, -0.70710677f),
    glm::vec2(-1.0f, 0.0f), glm::vec2(-0.70710677f, 0.70710677f),
};

bool body_is_finite(const PhysicsBody& body) {
    return finite2(body.position) && std::isfinite(body.angle) && finite2(body.linear_velocity) &&
           std::isfinite(body.angular_velocity);
}

SpritePhysicsProxy make_sprite_physics_proxy(Transform& transform, PhysicsBody& body, Sprite& sprite, float dt) {
    SpritePhysicsProxy proxy;
    proxy.transform = &transform;
    proxy.body = &body;
    proxy.sprite = &sprite;
    proxy.world_center_of_mass = transform.to_world(body.center_of_mass);
    const AxisAlignedArea bounds = body.transform(transform.scale).bounds();
    const glm::vec2 d = body.linear_velocity * dt;
    const float w = body.angular_velocity * dt;
    proxy.swept_bounds = AxisAlignedArea::merged(bounds, AxisAlignedArea::rotated_bounds(bounds, d, w));
    return proxy;
}

std::vector<ProxyPair> find_proxy_pairs(const std::vector<SpritePhysicsProxy>& proxies, DebugLines* debug) {
    AxisAlignedAreaTree<int32_t> tree;
    std::vector<ProxyPair> pairs;
    pairs.reserve(proxies.size() / 2);
    std::vector<int32_t> found;
    found.reserve(32);
    for (size_t i = 0; i < proxies.size(); ++i) {
        const AxisAlignedArea& swept = proxies[i].swept_bounds;
        found.clear();
        tree.query(swept, found);
        for (const int32_t j : found) {
            pairs.push_back(
                ProxyPair{static_cast<int32_t>(i), j,
                          AxisAlignedArea::intersection(swept, proxies[static_cast<size_t>(j)].swept_bounds)});
            if (debug != nullptr) {
                debug_rect(*debug, pairs.back().overlap, DebugName::Physics_Broadphase_Overlap_World_Bounds);
                debug_line(*debug, proxies[i].transform->position, proxies[static_cast<size_t>(j)].transform->position,
                           DebugName::Physics_Broadphase_Overlap_World_Pair_Line);
            }
        }
        tree.insert(swept, static_cast<int32_t>(i));
    }
    if (debug != nullptr) {
        debug_area_tree(*debug, tree, DebugName::Physics_Broadphase_Tree);
    }
    return pairs;
}

void find_chunk_proxies_for_pair(const SpritePhysicsProxy& a, const SpritePhysicsProxy& b, const ProxyPair& pair,
                                 std::vector<ProxyChunk>& out, DebugLines* debug) {
    std::vector<ProxyChunk> chunks_a;
    std::vector<ProxyChunk> chunks_b;
    collect_chunks(a, chunk_box_of(a, pair.overlap, DebugLayer::A, debug), pair.a, pair.b, 0, chunks_a, debug);
    collect_chunks(b, chunk_box_of(b, pair.overlap, DebugLayer::B, debug), pair.b, pair.a, 1, chunks_b, debug);
    for (const ProxyChunk& ca : chunks_a) {
        for (const ProxyChunk& cb : chunks_b) {
            if (circles_overlap(ca.center, kChunkRadius, cb.center, kChunkRadius)) {
                out.push_back(ca);
                out.push_back(cb);
                if (debug != nullptr) {
                    debug_line(*debug, ca.center, cb.center, DebugName::Physics_Broadphase_Chunk_Pair_Line);
                }
            }
        }
    }
}

std::vector<ProxyChunk> find_chunk_proxies(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                           const std::vector<ProxyPair>& pairs, DebugLines* debug) {
    return parallel_collect<ProxyChunk>(pool, pairs.size(), [&](uint64_t i, std::vector<ProxyChunk>& local) {
        const ProxyPair& pair = pairs[i];
        find_chunk_proxies_for_pair(proxies[static_cast<size_t>(pair.a)], proxies[static_cast<size_t>(pair.b)], pair,
                                    local, debug);
    });
}

namespace {

// What every boundary cell swept by one chunk task shares: the moving sprite's pose and motion, and the other
// sprite's pose at each sampled time. The sub-steps of neighbouring cells sample the same few times (i * dt / n
// for a handful of n), so each pose costs its two sines once per task instead of once per sub-step. Every value
// is computed by the same expressions as before, so the results are the same bit for bit.
class SweepContext {
public:
    SweepContext(const SpritePhysicsProxy& a, const SpritePhysicsProxy& b, float dt)
        : m_a(a), m_b(b), m_dt(dt), m_a_sin(std::sin(a.transform->angle)), m_a_cos(std::cos(a.transform->angle)),
          m_d(a.body->linear_velocity * dt), m_w(a.body->angular_velocity * dt) {}

    bool sweep(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, HitPoint& out, DebugLines* debug) {
        const SpritePhysicsProxy& a = m_a;
        const SpritePhysicsProxy& b = m_b;
        // a.transform->to_world(p) with the sines taken once.
        const glm::vec2 q0 = rotate_sin_cos(p * a.transform->scale, m_a_sin, m_a_cos) + a.transform->position;
        glm::vec2 r = q0 - a.world_center_of_mass;
        const float travel = std::sqrt(length_squared(m_d) + length_squared(r) * m_w * m_w);
        // Compared as floats first: a huge travel must not overflow the integer conversion.
        const float wanted = travel * 32.0f;
        int32_t n = wanted >= static_cast<float>(kMaxSweepSubSteps) ? kMaxSweepSubSteps : static_cast<int32_t>(wanted);
        if (n <= 0) {
            n = 1;
        }
        const glm::vec2 step = m_d / static_cast<float>(n);
        const float h = m_dt / static_cast<float>(n);
        if (n != m_turn_n) {
            const float turn = m_w / static_cast<float>(n);
            m_turn_n = n;
            m_turn_sin = std::sin(turn);
            m_turn_cos = std::cos(turn);
        }

        const Sprite& other = *b.sprite;
        const SpriteGrid& grid = other.grid();
        const float cells_x = static_cast<float>(grid.cells_x);
        const float cells_y = static_cast<float>(grid.cells_y);
        const bool chunk32 = grid.chunk_size == 32;
        const auto chunks_x = static_cast<int32_t>(grid.chunks_x);
        for (int32_t i = 0; i < n; ++i) {
            const glm::vec2 q = a.world_center_of_mass + static_cast<float>(i) * step + r;
            r = rotate_sin_cos(r, m_turn_sin, m_turn_cos);
            const float t = static_cast<float>(i) * h;
            if (debug != nullptr) {
                debug_circle(*debug, q, 0.015625f / static_cast<float>(i + 1), DebugName::Physics_Sweep_Cell);
            }
            // b.transform->integrate(...) at t, then to_local(q).
            const Pose& pose = pose_at(t);
            const glm::vec2 local = rotate_sin_cos(q - pose.position, pose.sin, pose.cos) / b.transform->scale;
            const glm::vec2 g = grid.local_to_cell(local) - glm::vec2(0.5f);
            // Truncated toward zero; tested as floats first so that a far-off point never overflows the conversion.
            if (!(g.x > -1.0f && g.y > -1.0f && g.x < cells_x && g.y < cells_y)) {
                continue;
            }
            const auto cx = static_cast<int32_t>(g.x);
            const auto cy = static_cast<int32_t>(g.y);
            // Both are at least 0 here; the usual chunk size of 32 takes shifts instead of divisions.
            const ChunkCell cell = chunk32 ? ChunkCell{(cy >> 5) * chunks_x + (cx >> 5), ((cy & 31) << 5) + (cx & 31)}
                                           : grid.to_chunk_cell(cx, cy);
            if (!other.is_cell_active(cell.chunk, cell.cell)) {
                continue;
            }
            const glm::vec2 c = b.transform->to_world(grid.cell_center_to_local(cx, cy));
            out.point = q;
            out.normal = kCellDirectionNormals[cell_direction(chunk.flags[cell_index])];
            out.depth = std::fabs(kCellWorldSize - glm::length(q - c));
            out.time = t;
            return true;
        }
        return false;
    }

    void find_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, Impact& impact, DebugLines* debug) {
        impact.time = kNoImpactTime;
        impact.point = glm::vec2(0.0f);
        impact.normal = glm::vec2(0.0f);
        impact.count = 0;
        for (const EdgeCell& cell : cells) {
            HitPoint hit;
            if (!sweep(chunk, cell.center, cell.index, hit, debug)) {
                continue;
            }
            if (impact.time > hit.time) {
                impact.time = hit.time;
                impact.point = hit.point;
                impact.normal = kCellDirectionNormals[cell_direction(chunk.flags[cell.index])];
                impact.count = 0;
            }
            if (impact.count == kMaxImpactHits) {
                std::printf("ran out of hit points!\n");
            } else if (impact.time == hit.time) {
                impact.hits[static_cast<size_t>(impact.count)] = hit;
                impact.count += 1;
            }
        }
    }

private:
    struct Pose {
        uint32_t key = 0;
        bool valid = false;
        glm::vec2 position{0.0f};
        float sin = 0.0f; // of minus the angle: the pose is used to go from world to local
        float cos = 1.0f;
    };

    const Pose& pose_at(float t) {
        uint32_t key = 0;
        std::memcpy(&key, &t, sizeof key);
        Pose& slot = m_poses[(key * 2654435761u) >> (32 - kPoseSlotBits)];
        if (!slot.valid || slot.key != key) {
            const Transform& bt = *m_b.transform;
            const PositionAngle moved =
                integrate_position_angle(m_b.world_center_of_mass, bt.position, bt.angle, m_b.body->linear_velocity,
                                         m_b.body->angular_velocity, t);
            slot.key = key;
            slot.valid = true;
            slot.position = moved.position;
            slot.sin = std::sin(-moved.angle);
            slot.cos = std::cos(-moved.angle);
        }
        return slot;
    }

    static constexpr uint32_t kPoseSlotBits = 6;

    const SpritePhysicsProxy& m_a;
    const SpritePhysicsProxy& m_b;
    float m_dt;
    float m_a_sin;
    float m_a_cos;
    glm::vec2 m_d;
    float m_w;
    int32_t m_turn_n = 0;
    float m_turn_sin = 0.0f;
    float m_turn_cos = 1.0f;
    std::array<Pose, size_t{1} << kPoseSlotBits> m_poses{};
};

} // namespace

bool sweep_cell(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, const SpritePhysicsProxy& a,
                const SpritePhysicsProxy& b, float dt, HitPoint& out, DebugLines* debug) {
    SweepContext context(a, b, dt);
    return context.sweep(chunk, p, cell_index, out, debug);
}

Impact find_cell_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, const SpritePhysicsProxy& a,
                      const SpritePhysicsProxy& b, float dt, DebugLines* debug) {
    SweepContext context(a, b, dt);
    Impact impact;
    context.find_hits(chunk, cells, impact, debug);
    return impact;
}

bool impact_before(const Impact& x, const Impact& y) {
    return std::tie(x.time, x.a, x.b, x.chunk) < std::tie(y.time, y.a, y.b, y.chunk);
}

std::vector<Impact> find_impacts(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                 const std::vector<ProxyChunk>& chunks, float dt, DebugLines* debug) {
    std::vector<Impact> impacts =
        parallel_collect<Impact>(pool, chunks.size(), [&](uint64_t i, std::vector<Impact>& local) {
            const ProxyChunk& c = chunks[i];
            SweepContext context(proxies[static_cast<size_t>(c.proxy)], proxies[static_cast<size_t>(c.other_proxy)],
                                 dt);
            Impact corner;
            context.find_hits(*c.chunk, c.chunk->corner_cells, corner, debug);
            const Impact* result = &corner;
            Impact side;
            if (c.second == 0) {
                context.find_hits(*c.chunk, c.chunk->side_cells, side, debug);
                // Ties go to the side cells.
                if (!(side.time > corner.time)) {
                    result = &side;
                }
            }
            if (result->count == 0) {
                return;
            }
            local.push_back(*result);
            local.back().a = c.proxy;
            local.back().b = c.other_proxy;
            local.back().chunk = c.chunk->index;
        });
    // A total order: a resting pile has every impact at time 0, and the first impact moves its two bodies.
    std::stable_sort(impacts.begin(), impacts.end(), impact_before);
    return impacts;
}

std::vector<Contact> make_contacts(const std::vector<SpritePhysicsProxy>& proxies, const std::vector<Impact>& impacts,
                                   float dt, DebugLines* debug) {
    std::vector<Contact> contacts;
    for (const Impact& impact : impacts) {
        const SpritePhysicsProxy& a = proxies[static_cast<size_t>(impact.a)];
        const SpritePhysicsProxy& b = proxies[static_cast<size_t>(impact.b)];
        for (int32_t k = 0; k < impact.count; ++k) {
            const HitPoint& hit = impact.hits[static_cast<size_t>(k)];
            Contact contact;
            contact.body_a = a.body;
            contact.body_b = b.body;
            contact.point = hit.point;
            contact.normal = rotate(hit.normal, a.body->angle);
            contact.local_point_a = a.transform->to_local(hit.point);
            contact.local_point_b = b.transform->to_local(hit.point);
            contact.lever_a =
                rotate_scaled_offset(contact.local_point_a, a.body->center_of_mass, a.transform->scale, a.body->angle);
            contact.lever_b =
                rotate_scaled_offset(contact.local_point_b, b.body->center_of_mass, b.transform->scale, b.body->angle);
            contact.depth = hit.depth;
            contact.time = impact.time == 0.0f ? dt : impact.time;
            if (debug != nullptr) {
                debug_arrow(*debug, contact.point, contact.normal * contact.depth,
                            DebugName::Physics_Contact_Point_Normal);
            }
            contacts.push_back(contact);
        }
    }
    return contacts;
}

void sprite_physics_step(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, DebugLines* debug) {
    const std::vector<ProxyPair> pairs = find_proxy_pairs(proxies, debug);
    const std::vector<ProxyChunk> chunks = find_chunk_proxies(pool, proxies, pairs, debug);
    const std::vector<Impact> impacts = find_impacts(pool, proxies, chunks, dt, debug);
    if (!impacts.empty()) {
        const Impact& first = impacts.front();
        if (debug != nullptr) {
            debug_circle(*debug, first.point, 0.0171875f, DebugName::Physics_Contact_Point);
        }
        for (const int32_t index : {first.a, first.b}) {
            const SpritePhysicsProxy& proxy = proxies[static_cast<size_t>(index)];
            PhysicsBody& body = *proxy.body;
            const PositionAngle moved =
                integrate_position_angle(proxy.world_center_of_mass, body.position, body.angle, body.linear_velocity,
                                         body.angular_velocity, first.time);
            body.position = moved.position;
            body.angle = moved.angle;
        }
    }
    for (const Contact& contact : make_contacts(proxies, impacts, dt, debug)) {
        add_contact_constraint(constraints, contact);
    }
}
