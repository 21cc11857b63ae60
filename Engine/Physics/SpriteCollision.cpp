#include "Engine/Physics/SpriteCollision.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <span>
#include <tuple>
#include <utility>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Graphics/DebugLines.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/ParallelLoop.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/ThreadPool.h"

namespace {

// Radius of the circle around a chunk's centre used to pair facing chunks (sqrt(4) / 2).
constexpr float kChunkRadius = 1.0f;
// One cell side in world units at the usual scale of half the chunk counts.
constexpr float kCellWorldSize = 0.03125f;

bool finite2(glm::vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// The sines of a Transform's angle, taken once: to_world and to_local give what the Transform's own give.
struct TransformSines {
    float sin = 0.0f;
    float cos = 1.0f;
    float sin_back = 0.0f; // of minus the angle
    float cos_back = 1.0f;

    TransformSines() = default;
    explicit TransformSines(const Transform& t)
        : sin(std::sin(t.angle)), cos(std::cos(t.angle)), sin_back(std::sin(-t.angle)), cos_back(std::cos(-t.angle)) {}

    static glm::vec2 to_world(const Transform& t, const TransformSines& s, glm::vec2 local) {
        return rotate_sin_cos(local * t.scale, s.sin, s.cos) + t.position;
    }
    static glm::vec2 to_local(const Transform& t, const TransformSines& s, glm::vec2 world) {
        return rotate_sin_cos(world - t.position, s.sin_back, s.cos_back) / t.scale;
    }
};

// What the step takes from each proxy's angles more than once: the Transform's sines and the body's.
struct ProxySines {
    TransformSines transform;
    float body_sin = 0.0f;
    float body_cos = 1.0f;
};

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
AxisAlignedArea chunk_box_of(const SpritePhysicsProxy& proxy, const TransformSines& sines,
                             const AxisAlignedArea& overlap, uint32_t layer, DebugLines* debug) {
    const SpriteGrid& grid = proxy.sprite->grid();
    glm::vec2 corners[4];
    AxisAlignedArea::corners(overlap, corners);
    const float chunk_size = static_cast<float>(grid.chunk_size);
    glm::vec2 chunk_space[4];
    for (int i = 0; i < 4; ++i) {
        chunk_space[i] = grid.local_to_cell(TransformSines::to_local(*proxy.transform, sines, corners[i])) / chunk_size;
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

void collect_chunks(const SpritePhysicsProxy& proxy, const TransformSines& sines, const AxisAlignedArea& box,
                    int32_t self, int32_t other, uint8_t second, std::vector<ProxyChunk>& out, DebugLines* debug) {
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
            const glm::vec2 center = TransformSines::to_world(*proxy.transform, sines,
                                                              grid.cell_center_to_local(ChunkCell{index, centre_cell}));
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

namespace {

// The pair of proxy i with the earlier proxy j whose swept bounds overlap its own, drawn when asked.
ProxyPair make_proxy_pair(const std::vector<SpritePhysicsProxy>& proxies, int32_t i, int32_t j, DebugLines* debug) {
    const SpritePhysicsProxy& a = proxies[static_cast<size_t>(i)];
    const SpritePhysicsProxy& b = proxies[static_cast<size_t>(j)];
    const ProxyPair pair{i, j, AxisAlignedArea::intersection(a.swept_bounds, b.swept_bounds)};
    if (debug != nullptr) {
        debug_rect(*debug, pair.overlap, DebugName::Physics_Broadphase_Overlap_World_Bounds);
        debug_line(*debug, a.transform->position, b.transform->position,
                   DebugName::Physics_Broadphase_Overlap_World_Pair_Line);
    }
    return pair;
}

// How many records sweep exactly as each record does: a repeat (the same chunk against the same sprite, found
// again through its distance back to the first record) is swept once and its impact counted again, so it gets 0
// and its first record one more. A distance that does not lead to an equal first record is not trusted; drawn
// sweeps show every record.
void count_copies(const std::vector<ProxyChunk>& records, bool drawn, std::vector<uint32_t>& copies) {
    copies.assign(records.size(), 1);
    if (drawn) {
        return;
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const ProxyChunk& c = records[i];
        if (c.repeat_of == 0 || c.repeat_of > i) {
            continue;
        }
        const size_t first = i - c.repeat_of;
        const ProxyChunk& f = records[first];
        if (f.repeat_of == 0 && f.proxy == c.proxy && f.other_proxy == c.other_proxy && f.chunk == c.chunk &&
            f.second == c.second) {
            copies[first] += 1;
            copies[i] = 0;
        }
    }
}

} // namespace

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
            pairs.push_back(make_proxy_pair(proxies, static_cast<int32_t>(i), j, debug));
        }
        tree.insert(swept, static_cast<int32_t>(i));
    }
    if (debug != nullptr) {
        debug_area_tree(*debug, tree, DebugName::Physics_Broadphase_Tree);
    }
    return pairs;
}

namespace {

void find_pair_chunks(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b,
                      const TransformSines& sines_b, const ProxyPair& pair, std::vector<ProxyChunk>& out,
                      DebugLines* debug) {
    // Kept per thread: a step visits thousands of pairs.
    thread_local std::vector<ProxyChunk> chunks_a;
    thread_local std::vector<ProxyChunk> chunks_b;
    thread_local std::vector<size_t> first_b;
    chunks_a.clear();
    chunks_b.clear();
    collect_chunks(a, sines_a, chunk_box_of(a, sines_a, pair.overlap, DebugLayer::A, debug), pair.a, pair.b, 0,
                   chunks_a, debug);
    collect_chunks(b, sines_b, chunk_box_of(b, sines_b, pair.overlap, DebugLayer::B, debug), pair.b, pair.a, 1,
                   chunks_b, debug);
    constexpr size_t kNone = ~size_t{0};
    first_b.assign(chunks_b.size(), kNone);
    const auto append = [&out](const ProxyChunk& record, size_t& first) {
        const size_t at = out.size();
        out.push_back(record);
        if (first == kNone) {
            first = at;
        } else {
            out.back().repeat_of = static_cast<uint32_t>(at - first);
        }
    };
    for (const ProxyChunk& ca : chunks_a) {
        size_t first_a = kNone;
        for (size_t k = 0; k < chunks_b.size(); ++k) {
            const ProxyChunk& cb = chunks_b[k];
            if (circles_overlap(ca.center, kChunkRadius, cb.center, kChunkRadius)) {
                append(ca, first_a);
                append(cb, first_b[k]);
                if (debug != nullptr) {
                    debug_line(*debug, ca.center, cb.center, DebugName::Physics_Broadphase_Chunk_Pair_Line);
                }
            }
        }
    }
}

} // namespace

void find_chunk_proxies_for_pair(const SpritePhysicsProxy& a, const SpritePhysicsProxy& b, const ProxyPair& pair,
                                 std::vector<ProxyChunk>& out, DebugLines* debug) {
    find_pair_chunks(a, TransformSines(*a.transform), b, TransformSines(*b.transform), pair, out, debug);
}

std::vector<ProxyChunk> find_chunk_proxies(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                           const std::vector<ProxyPair>& pairs, DebugLines* debug) {
    return parallel_collect<ProxyChunk>(
        pool, pairs.size(), [&](uint64_t lo, uint64_t hi, std::vector<ProxyChunk>& local, uint32_t) {
            for (uint64_t i = lo; i < hi; ++i) {
                const ProxyPair& pair = pairs[i];
                find_chunk_proxies_for_pair(proxies[static_cast<size_t>(pair.a)], proxies[static_cast<size_t>(pair.b)],
                                            pair, local, debug);
            }
        });
}

namespace {

// The hits of one boundary list: the earliest time, the first hit at that time and up to 32 hit points.
// Kept apart from Impact so a sweep fills scratch storage without clearing 32 hit points first.
struct CellHits {
    float time = kNoImpactTime;
    glm::vec2 point{0.0f};
    glm::vec2 normal{0.0f};
    int32_t count = 0;
    int32_t dropped = 0; // hits at the earliest time beyond the 32 kept
    std::array<HitPoint, kMaxImpactHits> hits;
};

// Which boundary cells of the moving sprite's chunks can land inside the other sprite's grid at all. A cell's
// sub-step samples stay within |d| + |r| |w| of its place at the start of the step (no further than its path),
// and a point of the other sprite's grid moves at most |v| dt + |w dt| times its distance from the pivot. A cell
// whose start place, mapped into the other grid's cell coordinates in double precision, lies further than both
// motions plus ample room for float rounding outside that grid can not hit in any sub-step, so leaving it
// unswept changes nothing. When every cell of a chunk takes a single sample (n = 1), the only sample is the
// start place at time 0 and only the rounding room is needed.
class SweepFilter {
public:
    SweepFilter(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b,
                const TransformSines& sines_b, float dt)
        : m_a(a) {
        const Transform& ta = *a.transform;
        const Transform& tb = *b.transform;
        const SpriteGrid& grid = b.sprite->grid();
        m_cells = {static_cast<double>(grid.cells_x), static_cast<double>(grid.cells_y)};
        const Vec k{0.5 * m_cells.x, 0.5 * m_cells.y};
        m_cells_per_world = {k.x / std::fabs(static_cast<double>(tb.scale.x)),
                             k.y / std::fabs(static_cast<double>(tb.scale.y))};
        const Vec kb{k.x / static_cast<double>(tb.scale.x), k.y / static_cast<double>(tb.scale.y)};
        // The float sines are close enough for a test with this much room.
        m_a_cos = sines_a.cos;
        m_a_sin = sines_a.sin;
        const double cb = sines_b.cos;
        const double sb = sines_b.sin;
        const double c = m_a_cos * cb + m_a_sin * sb; // of the angle of a minus that of b
        const double s = m_a_sin * cb - m_a_cos * sb;
        m_m00 = kb.x * c * static_cast<double>(ta.scale.x);
        m_m01 = -kb.x * s * static_cast<double>(ta.scale.y);
        m_m10 = kb.y * s * static_cast<double>(ta.scale.x);
        m_m11 = kb.y * c * static_cast<double>(ta.scale.y);
        const Vec offset = sub(of(ta.position), of(tb.position));
        m_ox = kb.x * (cb * offset.x + sb * offset.y) + k.x - 0.5;
        m_oy = kb.y * (-sb * offset.x + cb * offset.y) + k.y - 0.5;

        m_d = length(of(a.body->linear_velocity * dt));
        m_w = std::fabs(static_cast<double>(a.body->angular_velocity * dt));
        m_b_move = length(of(b.body->linear_velocity)) * std::fabs(static_cast<double>(dt));
        m_b_turn = std::fabs(static_cast<double>(b.body->angular_velocity) * static_cast<double>(dt));
        m_b_pivot = of(b.world_center_of_mass);
        m_magnitude = length(of(ta.position)) + length(of(a.world_center_of_mass)) +
                      2.0 * (std::fabs(static_cast<double>(ta.scale.x)) + std::fabs(static_cast<double>(ta.scale.y))) +
                      m_d + length(of(tb.position)) + length(m_b_pivot) + m_b_move;

        // The moving sprite's chunks: every one spans the same local size, from its own origin.
        const SpriteGrid& own = a.sprite->grid();
        m_chunk_size = own.chunk_size;
        m_local_per_cell = {2.0 / static_cast<double>(own.cells_x), 2.0 / static_cast<double>(own.cells_y)};
        m_own_cells = {static_cast<double>(own.cells_x), static_cast<double>(own.cells_y)};
        m_half = {0.5 * (m_chunk_size - 1.0) * m_local_per_cell.x, 0.5 * (m_chunk_size - 1.0) * m_local_per_cell.y};
        m_radius = length(Vec{m_half.x * ta.scale.x, m_half.y * ta.scale.y});
        m_ex = std::fabs(m_m00) * m_half.x + std::fabs(m_m01) * m_half.y;
        m_ey = std::fabs(m_m10) * m_half.x + std::fabs(m_m11) * m_half.y;
        const double det = m_m00 * m_m11 - m_m01 * m_m10;
        m_ranges =
            m_chunk_size != 0 && (m_chunk_size & (m_chunk_size - 1)) == 0 && std::fabs(det) > 0.0 && std::isfinite(det);
        if (m_ranges) {
            m_i00 = m_m11 / det;
            m_i01 = -m_m01 / det;
            m_i10 = -m_m10 / det;
            m_i11 = m_m00 / det;
        }
        m_finite = std::isfinite(m_m00) && std::isfinite(m_m01) && std::isfinite(m_m10) && std::isfinite(m_m11) &&
                   std::isfinite(m_ox) && std::isfinite(m_oy) && std::isfinite(m_ex) && std::isfinite(m_ey);
    }

    // Prepares the cell test for one chunk of the moving sprite; false when none of its cells can hit.
    bool set_chunk(const SpriteChunk& chunk) {
        m_all = true;
        if (!m_finite) {
            return true;
        }
        const Transform& ta = *m_a.transform;
        // Sprite-local centre of the box of the chunk's cell centres, and that place in the world.
        const Vec centre{(chunk.origin.x + 0.5) * m_local_per_cell.x - 1.0 + m_half.x,
                         (chunk.origin.y + 0.5) * m_local_per_cell.y - 1.0 + m_half.y};
        const Vec scaled{centre.x * ta.scale.x, centre.y * ta.scale.y};
        const Vec world{m_a_cos * scaled.x - m_a_sin * scaled.y + ta.position.x,
                        m_a_sin * scaled.x + m_a_cos * scaled.y + ta.position.y};
        const double reach = length(sub(world, of(m_a.world_center_of_mass))) + m_radius;

        // Every value the sweep rounds is smaller than this; its float results stay far closer than `slack`.
        const double base = m_magnitude + reach + m_radius;
        const double slack = 1e-4 * base;
        // No cell's float offset from the centre of mass is longer than `far`.
        const double far = reach + slack;
        double move = 0.0;
        // Whether a cell can take more than one sample: travel * 32 * (1 + 1e-4) reaching 1, squared.
        const double travel_squared = m_d * m_d + far * far * m_w * m_w;
        if (!(travel_squared * (32.0 * 32.0 * (1.0 + 1e-4) * (1.0 + 1e-4)) < 1.0)) {
            const double a_move = m_d + far * m_w;
            move = a_move + m_b_move + m_b_turn * (length(sub(world, m_b_pivot)) + m_radius + slack + a_move);
        }
        const double room = move * (1.0 + 1e-4) + slack;

        const double gx = m_m00 * centre.x + m_m01 * centre.y + m_ox;
        const double gy = m_m10 * centre.x + m_m11 * centre.y + m_oy;
        const double mx = room * m_cells_per_world.x + 1e-4 * (std::fabs(gx) + m_ex + 2.0 * m_cells.x + 1.0);
        const double my = room * m_cells_per_world.y + 1e-4 * (std::fabs(gy) + m_ey + 2.0 * m_cells.y + 1.0);
        m_lo_x = -1.0 - mx;
        m_hi_x = m_cells.x + mx;
        m_lo_y = -1.0 - my;
        m_hi_y = m_cells.y + my;
        if (!(std::isfinite(m_lo_x) && std::isfinite(m_hi_x) && std::isfinite(m_lo_y) && std::isfinite(m_hi_y) &&
              std::isfinite(gx) && std::isfinite(gy))) {
            return true;
        }
        m_all = false;
        if (!(gx + m_ex > m_lo_x && gx - m_ex < m_hi_x && gy + m_ey > m_lo_y && gy - m_ey < m_hi_y)) {
            return false;
        }
        return set_cell_ranges(chunk);
    }

    // Every cell may hit: the sweep takes the list as it is.
    bool takes_all() const { return m_all; }

    // The cell test, with the cell's place in the other grid's cell coordinates at the start of the step.
    bool may_hit(const EdgeCell& cell, glm::dvec2& g) const {
        // Columns and rows of the chunk that the accepted area does not reach are turned away first.
        const uint32_t x = cell.index & m_index_mask;
        const uint32_t y = cell.index >> m_index_shift;
        if (x - m_x_lo > m_x_span || y - m_y_lo > m_y_span) {
            return false;
        }
        const double px = cell.center.x;
        const double py = cell.center.y;
        g.x = m_m00 * px + m_m01 * py + m_ox;
        g.y = m_m10 * px + m_m11 * py + m_oy;
        return g.x > m_lo_x && g.x < m_hi_x && g.y > m_lo_y && g.y < m_hi_y;
    }

private:
    // The columns and rows of the chunk whose cell centres can pass the cell test: the accepted area of the other
    // grid mapped back into this sprite's local coordinates, widened by a cell on each side. False when none.
    bool set_cell_ranges(const SpriteChunk& chunk) {
        m_index_mask = ~0u;
        m_index_shift = 0;
        m_x_lo = 0;
        m_x_span = ~0u;
        m_y_lo = 0;
        m_y_span = ~0u;
        if (!m_ranges) {
            return true;
        }
        const uint32_t n = m_chunk_size;
        Vec lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
        Vec hi{-lo.x, -lo.y};
        for (const Vec g : {Vec{m_lo_x, m_lo_y}, Vec{m_hi_x, m_lo_y}, Vec{m_hi_x, m_hi_y}, Vec{m_lo_x, m_hi_y}}) {
            const Vec d{g.x - m_ox, g.y - m_oy};
            const Vec p{m_i00 * d.x + m_i01 * d.y, m_i10 * d.x + m_i11 * d.y};
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
        }
        // Local x to the chunk's column whose centre lies there: (x + 1) / 2 * cells - origin - 1/2.
        const auto range = [n](double from, double to, double cells, int32_t origin, uint32_t& first, uint32_t& span) {
            const double a = std::ceil((from + 1.0) * 0.5 * cells - origin - 0.5) - 1.0;
            const double b = std::floor((to + 1.0) * 0.5 * cells - origin - 0.5) + 1.0;
            if (!std::isfinite(a) || !std::isfinite(b)) {
                return true;
            }
            const double f = std::max(a, 0.0);
            const double l = std::min(b, static_cast<double>(n - 1));
            if (f > l) {
                return false;
            }
            first = static_cast<uint32_t>(f);
            span = static_cast<uint32_t>(l) - first;
            return true;
        };
        if (!range(lo.x, hi.x, m_own_cells.x, chunk.origin.x, m_x_lo, m_x_span) ||
            !range(lo.y, hi.y, m_own_cells.y, chunk.origin.y, m_y_lo, m_y_span)) {
            return false;
        }
        m_index_mask = n - 1;
        m_index_shift = static_cast<uint32_t>(std::countr_zero(n));
        return true;
    }

    struct Vec {
        double x;
        double y;
    };
    static Vec of(glm::vec2 v) { return {v.x, v.y}; }
    static Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
    static double length(Vec v) { return std::sqrt(v.x * v.x + v.y * v.y); }

    const SpritePhysicsProxy& m_a;
    double m_a_cos = 1.0;
    double m_a_sin = 0.0;
    Vec m_cells{};
    Vec m_cells_per_world{};
    // Moving sprite's local coordinates to the other grid's cell coordinates (half-cell shift included).
    double m_m00 = 0.0;
    double m_m01 = 0.0;
    double m_m10 = 0.0;
    double m_m11 = 0.0;
    double m_ox = 0.0;
    double m_oy = 0.0;
    double m_d = 0.0;
    double m_w = 0.0;
    double m_b_move = 0.0;
    double m_b_turn = 0.0;
    Vec m_b_pivot{};
    double m_magnitude = 0.0;
    bool m_all = true;
    double m_lo_x = 0.0;
    double m_hi_x = 0.0;
    double m_lo_y = 0.0;
    double m_hi_y = 0.0;
    uint32_t m_chunk_size = 0;
    Vec m_local_per_cell{};
    Vec m_own_cells{};
    Vec m_half{};          // of the box of a chunk's cell centres, sprite-local
    double m_radius = 0.0; // of that box in the world
    double m_ex = 0.0;     // of that box in the other grid's cells
    double m_ey = 0.0;
    bool m_ranges = false;
    bool m_finite = false;
    // Inverse of the m_m matrix.
    double m_i00 = 0.0;
    double m_i01 = 0.0;
    double m_i10 = 0.0;
    double m_i11 = 0.0;
    uint32_t m_index_mask = ~0u;
    uint32_t m_index_shift = 0;
    uint32_t m_x_lo = 0;
    uint32_t m_x_span = ~0u;
    uint32_t m_y_lo = 0;
    uint32_t m_y_span = ~0u;
};

// What every boundary cell swept against one other sprite shares: the moving sprite's pose and motion, and the
// other sprite's pose at each sampled time. The sub-steps of neighbouring cells sample the same few times
// (i * dt / n for a handful of n), so each pose costs its two sines once per pair instead of once per sub-step.
// Every value is computed by the same expressions as the plain sweep, so the results are the same bit for bit.
class SweepContext {
public:
    SweepContext() = default;
    SweepContext(const SpritePhysicsProxy& a, const SpritePhysicsProxy& b, float dt) {
        reset(a, TransformSines(*a.transform), b, dt);
    }

    // Starts on another pair; the cached poses are dropped by a new stamp rather than cleared.
    void reset(const SpritePhysicsProxy& a, const TransformSines& sines_a, const SpritePhysicsProxy& b, float dt) {
        m_a = &a;
        m_b = &b;
        m_dt = dt;
        m_a_sin = sines_a.sin;
        m_a_cos = sines_a.cos;
        m_d = a.body->linear_velocity * dt;
        m_w = a.body->angular_velocity * dt;
        m_n = 0;
        m_stamp += 1;
        if (m_stamp == 0) {
            m_poses = {};
            m_stamp = 1;
        }
    }

    const SpritePhysicsProxy* a() const { return m_a; }
    const SpritePhysicsProxy* b() const { return m_b; }

    bool sweep(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, HitPoint& out, DebugLines* debug) {
        const SpritePhysicsProxy& a = *m_a;
        const SpritePhysicsProxy& b = *m_b;
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
        if (n != m_n) {
            const float turn = m_w / static_cast<float>(n);
            m_n = n;
            m_step = m_d / static_cast<float>(n);
            m_h = m_dt / static_cast<float>(n);
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
            const glm::vec2 q = a.world_center_of_mass + static_cast<float>(i) * m_step + r;
            r = rotate_sin_cos(r, m_turn_sin, m_turn_cos);
            const float t = static_cast<float>(i) * m_h;
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

    // Sweeps one boundary list; cells the filter rules out can not hit and are passed over. The cells left are
    // found first and the other grid's flags of the cell each starts over are fetched ahead, so that the sweeps
    // do not wait on memory one after the other.
    void find_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, CellHits& hits, DebugLines* debug,
                   const SweepFilter* filter = nullptr) {
        hits.time = kNoImpactTime;
        hits.point = glm::vec2(0.0f);
        hits.normal = glm::vec2(0.0f);
        hits.count = 0;
        hits.dropped = 0;
        if (filter == nullptr || filter->takes_all()) {
            for (const EdgeCell& cell : cells) {
                add_hit(chunk, cell, hits, debug);
            }
            return;
        }
        m_candidates.clear();
        for (const EdgeCell& cell : cells) {
            glm::dvec2 g;
            if (filter->may_hit(cell, g)) {
                prefetch_flags(g);
                m_candidates.push_back(&cell);
            }
        }
        for (const EdgeCell* cell : m_candidates) {
            add_hit(chunk, *cell, hits, debug);
        }
    }

private:
    void add_hit(const SpriteChunk& chunk, const EdgeCell& cell, CellHits& hits, DebugLines* debug) {
        HitPoint hit;
        if (!sweep(chunk, cell.center, cell.index, hit, debug)) {
            return;
        }
        if (hits.time > hit.time) {
            hits.time = hit.time;
            hits.point = hit.point;
            hits.normal = kCellDirectionNormals[cell_direction(chunk.flags[cell.index])];
            hits.count = 0;
        }
        if (hits.count == kMaxImpactHits) {
            hits.dropped += 1;
        } else if (hits.time == hit.time) {
            hits.hits[static_cast<size_t>(hits.count)] = hit;
            hits.count += 1;
        }
    }

    // A hint only: the flags of the other grid's cell near cell coordinates g.
    void prefetch_flags(glm::dvec2 g) const {
        const SpriteGrid& grid = m_b->sprite->grid();
        if (!(g.x >= 0.0 && g.y >= 0.0 && g.x < static_cast<double>(grid.cells_x) &&
              g.y < static_cast<double>(grid.cells_y))) {
            return;
        }
        const ChunkCell cell = grid.to_chunk_cell(static_cast<int32_t>(g.x), static_cast<int32_t>(g.y));
        if (const SpriteChunk* c = m_b->sprite->chunk(cell.chunk)) {
            __builtin_prefetch(c->flags.data() + cell.cell);
        }
    }

    struct Pose {
        uint32_t key = 0;
        uint32_t stamp = 0; // the pair it was computed for
        glm::vec2 position{0.0f};
        float sin = 0.0f; // of minus the angle: the pose is used to go from world to local
        float cos = 1.0f;
    };

    const Pose& pose_at(float t) {
        uint32_t key = 0;
        std::memcpy(&key, &t, sizeof key);
        Pose& slot = m_poses[(key * 2654435761u) >> (32 - kPoseSlotBits)];
        if (slot.stamp != m_stamp || slot.key != key) {
            const SpritePhysicsProxy& b = *m_b;
            const Transform& bt = *b.transform;
            const PositionAngle moved = integrate_position_angle(b.world_center_of_mass, bt.position, bt.angle,
                                                                 b.body->linear_velocity, b.body->angular_velocity, t);
            slot.key = key;
            slot.stamp = m_stamp;
            slot.position = moved.position;
            slot.sin = std::sin(-moved.angle);
            slot.cos = std::cos(-moved.angle);
        }
        return slot;
    }

    static constexpr uint32_t kPoseSlotBits = 6;

    const SpritePhysicsProxy* m_a = nullptr;
    const SpritePhysicsProxy* m_b = nullptr;
    float m_dt = 0.0f;
    float m_a_sin = 0.0f;
    float m_a_cos = 1.0f;
    glm::vec2 m_d{0.0f};
    float m_w = 0.0f;
    int32_t m_n = 0;
    glm::vec2 m_step{0.0f};
    float m_h = 0.0f;
    float m_turn_sin = 0.0f;
    float m_turn_cos = 1.0f;
    uint32_t m_stamp = 0;
    std::array<Pose, size_t{1} << kPoseSlotBits> m_poses{};
    std::vector<const EdgeCell*> m_candidates;
};

void print_dropped_hits(int32_t dropped) {
    for (int32_t k = 0; k < dropped; ++k) {
        std::printf("ran out of hit points!\n");
    }
}

Impact impact_of(const CellHits& hits) {
    Impact impact;
    impact.time = hits.time;
    impact.point = hits.point;
    impact.normal = hits.normal;
    impact.count = hits.count;
    std::copy_n(hits.hits.begin(), hits.count, impact.hits.begin());
    return impact;
}

// One impact found by a chunk record, with the record's place and how many records sweep exactly as it does.
struct FoundImpact {
    Impact impact;
    uint32_t record = 0;
    uint32_t copies = 1;
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
    CellHits hits;
    context.find_hits(chunk, cells, hits, debug);
    print_dropped_hits(hits.dropped);
    return impact_of(hits);
}

bool impact_before(const Impact& x, const Impact& y) {
    return std::tie(x.time, x.a, x.b, x.chunk) < std::tie(y.time, y.a, y.b, y.chunk);
}

namespace {

// Sweeps chunk records one after the other: the records of one pair come together, and they share the other
// sprite's poses and the cell filter.
class RecordSweeper {
public:
    RecordSweeper() = default;
    RecordSweeper(const std::vector<SpritePhysicsProxy>& proxies, float dt, bool drawn, DebugLines* debug) {
        start(proxies, dt, drawn, debug);
    }

    // Kept by a thread from step to step, it starts afresh on every loop: the proxies may sit where others were.
    // The proxies' sines, when the caller has them; else each pair takes its own.
    void start(const std::vector<SpritePhysicsProxy>& proxies, float dt, bool drawn, DebugLines* debug,
               const std::vector<ProxySines>* sines = nullptr) {
        m_proxies = &proxies;
        m_sines = sines;
        m_dt = dt;
        m_drawn = drawn;
        m_debug = drawn ? debug : nullptr;
        m_pair_a = nullptr;
        m_pair_b = nullptr;
    }

    // The hits of the record (standing for `copies` equal records), or null without any.
    const CellHits* sweep(const ProxyChunk& c, uint32_t copies) {
        const SpritePhysicsProxy& a = (*m_proxies)[static_cast<size_t>(c.proxy)];
        const SpritePhysicsProxy& b = (*m_proxies)[static_cast<size_t>(c.other_proxy)];
        if (m_pair_a != &a || m_pair_b != &b) {
            m_pair_a = &a;
            m_pair_b = &b;
            const TransformSines sines_a =
                m_sines != nullptr ? (*m_sines)[static_cast<size_t>(c.proxy)].transform : TransformSines(*a.transform);
            m_context.reset(a, sines_a, b, m_dt);
            m_filter.reset();
            // Drawn sweeps show every cell.
            if (!m_drawn) {
                const TransformSines sines_b = m_sines != nullptr
                                                   ? (*m_sines)[static_cast<size_t>(c.other_proxy)].transform
                                                   : TransformSines(*b.transform);
                m_filter.emplace(a, sines_a, b, sines_b, m_dt);
            }
        }
        const SweepFilter* filter = nullptr;
        if (m_filter) {
            if (!m_filter->set_chunk(*c.chunk)) {
                return nullptr;
            }
            filter = &*m_filter;
        }
        m_context.find_hits(*c.chunk, c.chunk->corner_cells, m_corner, m_debug, filter);
        const CellHits* result = &m_corner;
        int32_t dropped = m_corner.dropped;
        if (c.second == 0) {
            m_context.find_hits(*c.chunk, c.chunk->side_cells, m_side, m_debug, filter);
            dropped += m_side.dropped;
            // Ties go to the side cells.
            if (!(m_side.time > m_corner.time)) {
                result = &m_side;
            }
        }
        print_dropped_hits(dropped * static_cast<int32_t>(copies));
        return result->count == 0 ? nullptr : result;
    }

private:
    const std::vector<SpritePhysicsProxy>* m_proxies = nullptr;
    const std::vector<ProxySines>* m_sines = nullptr;
    float m_dt = 0.0f;
    bool m_drawn = false;
    DebugLines* m_debug = nullptr;
    const SpritePhysicsProxy* m_pair_a = nullptr;
    const SpritePhysicsProxy* m_pair_b = nullptr;
    SweepContext m_context;
    std::optional<SweepFilter> m_filter;
    CellHits m_corner;
    CellHits m_side;
};

bool sweeps_drawn(const DebugLines* debug) {
    return debug != nullptr && debug_is_enabled(DebugName::Physics_Sweep_Cell, DebugLayer::Default);
}

Impact record_impact(const CellHits& hits, const ProxyChunk& c) {
    Impact impact = impact_of(hits);
    impact.a = c.proxy;
    impact.b = c.other_proxy;
    impact.chunk = c.chunk->index;
    return impact;
}

ProxySines sines_of(const SpritePhysicsProxy& proxy) {
    ProxySines s;
    s.transform = TransformSines(*proxy.transform);
    s.body_sin = std::sin(proxy.body->angle);
    s.body_cos = std::cos(proxy.body->angle);
    return s;
}

// The contact of a hit point, with the angles' sines as the proxies have them now: rotate(v, angle) and the
// Transform's mappings give the same values.
Contact make_contact(const SpritePhysicsProxy& a, const ProxySines& sa, const SpritePhysicsProxy& b,
                     const ProxySines& sb, const HitPoint& hit, float time, float dt) {
    Contact contact;
    contact.body_a = a.body;
    contact.body_b = b.body;
    contact.point = hit.point;
    contact.normal = rotate_sin_cos(hit.normal, sa.body_sin, sa.body_cos);
    contact.local_point_a = TransformSines::to_local(*a.transform, sa.transform, hit.point);
    contact.local_point_b = TransformSines::to_local(*b.transform, sb.transform, hit.point);
    // rotate_scaled_offset(local point, centre of mass, scale, body angle)
    contact.lever_a =
        rotate_sin_cos((contact.local_point_a - a.body->center_of_mass) * a.transform->scale, sa.body_sin, sa.body_cos);
    contact.lever_b =
        rotate_sin_cos((contact.local_point_b - b.body->center_of_mass) * b.transform->scale, sb.body_sin, sb.body_cos);
    contact.depth = hit.depth;
    contact.time = time == 0.0f ? dt : time;
    return contact;
}

void draw_contact(DebugLines* debug, const Contact& contact) {
    if (debug != nullptr) {
        debug_arrow(*debug, contact.point, contact.normal * contact.depth, DebugName::Physics_Contact_Point_Normal);
    }
}

} // namespace

std::vector<Impact> find_impacts(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                 const std::vector<ProxyChunk>& chunks, float dt, DebugLines* debug) {
    const bool drawn = sweeps_drawn(debug);
    std::vector<uint32_t> copies;
    count_copies(chunks, drawn, copies);
    std::vector<uint32_t> records;
    records.reserve(chunks.size());
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (copies[i] != 0) {
            records.push_back(static_cast<uint32_t>(i));
        }
    }

    std::vector<FoundImpact> found = parallel_collect<FoundImpact>(
        pool, records.size(), [&](uint64_t lo, uint64_t hi, std::vector<FoundImpact>& local, uint32_t) {
            RecordSweeper sweeper(proxies, dt, drawn, debug);
            for (uint64_t k = lo; k < hi; ++k) {
                const uint32_t record = records[k];
                const ProxyChunk& c = chunks[record];
                if (const CellHits* hits = sweeper.sweep(c, copies[record])) {
                    FoundImpact& out = local.emplace_back();
                    out.impact = record_impact(*hits, c);
                    out.record = record;
                    out.copies = copies[record];
                }
            }
        });

    // A total order: a resting pile has every impact at time 0, and the first impact moves its two bodies.
    // The record's place only keeps hand-made lists, whose equal keys need not mean equal records, in order.
    std::vector<const FoundImpact*> order;
    order.reserve(found.size());
    size_t total = 0;
    for (const FoundImpact& f : found) {
        order.push_back(&f);
        total += f.copies;
    }
    std::sort(order.begin(), order.end(), [](const FoundImpact* x, const FoundImpact* y) {
        if (impact_before(x->impact, y->impact)) {
            return true;
        }
        return !impact_before(y->impact, x->impact) && x->record < y->record;
    });
    std::vector<Impact> impacts;
    impacts.reserve(total);
    for (const FoundImpact* f : order) {
        impacts.insert(impacts.end(), f->copies, f->impact);
    }
    return impacts;
}

std::vector<Contact> make_contacts(const std::vector<SpritePhysicsProxy>& proxies, const std::vector<Impact>& impacts,
                                   float dt, DebugLines* debug) {
    std::vector<Contact> contacts;
    for (const Impact& impact : impacts) {
        const SpritePhysicsProxy& a = proxies[static_cast<size_t>(impact.a)];
        const SpritePhysicsProxy& b = proxies[static_cast<size_t>(impact.b)];
        const ProxySines sa = sines_of(a);
        const ProxySines sb = sines_of(b);
        for (int32_t k = 0; k < impact.count; ++k) {
            contacts.push_back(make_contact(a, sa, b, sb, impact.hits[static_cast<size_t>(k)], impact.time, dt));
            draw_contact(debug, contacts.back());
        }
    }
    return contacts;
}

namespace {

// Moves the bodies of the earliest impact to its time.
void advance_first_pair(const std::vector<SpritePhysicsProxy>& proxies, int32_t a, int32_t b, float time,
                        glm::vec2 point, DebugLines* debug) {
    if (debug != nullptr) {
        debug_circle(*debug, point, 0.0171875f, DebugName::Physics_Contact_Point);
    }
    for (const int32_t index : {a, b}) {
        const SpritePhysicsProxy& proxy = proxies[static_cast<size_t>(index)];
        PhysicsBody& body = *proxy.body;
        const PositionAngle moved = integrate_position_angle(proxy.world_center_of_mass, body.position, body.angle,
                                                             body.linear_velocity, body.angular_velocity, time);
        body.position = moved.position;
        body.angle = moved.angle;
    }
}

// The order of the step's impacts, impact_before's, as one pair of integers: time, the moving and the other proxy,
// then the moving proxy's chunk. The times are finite here (so are the bounds), and -0 counts as 0 as it compares.
struct StepKey {
    uint64_t high = 0;
    uint64_t low = 0;

    friend bool operator<(const StepKey& x, const StepKey& y) {
        return x.high < y.high || (x.high == y.high && x.low < y.low);
    }
};

// Unsigned order of the bits as the order of the values.
uint32_t ordered_bits(float f) {
    const auto bits = std::bit_cast<uint32_t>(f + 0.0f);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}
uint32_t ordered_bits(int32_t i) { return static_cast<uint32_t>(i) ^ 0x80000000u; }

StepKey step_key(float time, int32_t a, int32_t b, int32_t chunk) {
    return {uint64_t{ordered_bits(time)} << 32 | ordered_bits(a),
            uint64_t{ordered_bits(b)} << 32 | ordered_bits(chunk)};
}

// One impact of the step without its hit points, which its block keeps.
struct StepImpact {
    StepKey key;
    float time = kNoImpactTime;
    int32_t a = 0;
    int32_t b = 0;
    glm::vec2 point{0.0f};
    int32_t count = 0;
    uint32_t copies = 1;
    uint32_t first = 0; // of its hit points and rows in the block
    uint32_t block = 0;
};

struct StepBlock {
    std::vector<StepImpact> impacts;
    std::vector<HitPoint> hits;
    size_t row_count = 0;              // with the copies
    const StepImpact* first = nullptr; // in the step's order
};

// The proxies by the left edges of their swept bounds, in buckets as wide as the widest proxy: a proxy whose
// bounds overlap an area starts left of the area's right edge and no further left of its left edge than the
// widest proxy is wide, so it sits in one of the few buckets between those two places.
class LeftEdgeBuckets {
public:
    void fill(const std::vector<SpritePhysicsProxy>& proxies) {
        const size_t n = proxies.size();
        m_left = std::numeric_limits<double>::infinity();
        m_right = -m_left;
        m_widest = 0.0;
        for (const SpritePhysicsProxy& p : proxies) {
            const double l = p.swept_bounds.min.x;
            m_left = std::min(m_left, l);
            m_right = std::max(m_right, l);
            m_widest = std::max(m_widest, static_cast<double>(p.swept_bounds.max.x) - l);
        }
        // No more buckets than a few per proxy, however far apart the proxies lie.
        const double span = n == 0 ? 0.0 : m_right - m_left;
        m_width = std::max({m_widest, span / static_cast<double>(4 * n + 1), 1e-30});
        m_count = n == 0 ? 0 : static_cast<size_t>(span / m_width) + 1;
        m_starts.assign(m_count + 1, 0);
        for (const SpritePhysicsProxy& p : proxies) {
            m_starts[bucket(p.swept_bounds.min.x) + 1] += 1;
        }
        for (size_t b = 0; b < m_count; ++b) {
            m_starts[b + 1] += m_starts[b];
        }
        m_entries.resize(n);
        m_fill.assign(m_starts.begin(), m_starts.end() - (m_count == 0 ? 0 : 1));
        for (size_t i = 0; i < n; ++i) {
            m_entries[m_fill[bucket(proxies[i].swept_bounds.min.x)]++] = static_cast<int32_t>(i);
        }
    }

    // Every proxy that may overlap the area, and others.
    std::span<const int32_t> candidates(const AxisAlignedArea& area) const {
        if (m_count == 0) {
            return {};
        }
        const double from = static_cast<double>(area.min.x) - m_widest * (1.0 + 1e-9) -
                            1e-12 * (std::fabs(static_cast<double>(area.min.x)) + 1.0);
        const size_t first = bucket(std::max(from, m_left));
        const size_t last = bucket(std::min(static_cast<double>(area.max.x), m_right));
        if (first > last) {
            return {};
        }
        return {m_entries.data() + m_starts[first], m_entries.data() + m_starts[last + 1]};
    }

private:
    // Rounding keeps the order of places, so a place between two others gets a bucket between theirs.
    size_t bucket(double x) const {
        const double b = (x - m_left) / m_width;
        // Compared before the cast: a far-off or non-finite edge must not overflow the conversion.
        if (!(b > 0.0)) {
            return 0;
        }
        return b >= static_cast<double>(m_count - 1) ? m_count - 1 : static_cast<size_t>(b);
    }

    double m_left = 0.0;
    double m_right = 0.0;
    double m_widest = 0.0;
    double m_width = 1.0;
    size_t m_count = 0;
    std::vector<size_t> m_starts;
    std::vector<size_t> m_fill;
    std::vector<int32_t> m_entries;
};

// What a step keeps for the next one on the thread that runs it, and what each thread keeps for its blocks, so
// that a step allocates nothing once the piles stop growing.
struct StepStorage {
    LeftEdgeBuckets buckets;
    std::vector<ProxySines> sines;
    std::vector<uint64_t> starts; // of the blocks
    std::vector<StepBlock> blocks;
    std::vector<StepKey> samples;
    std::vector<StepKey> splitters;
    size_t last_rows = 0; // the rows of the last step, as a guess at this one's
};

struct BlockStorage {
    RecordSweeper sweeper;
    std::vector<ProxyChunk> records;
    std::vector<uint32_t> copies;
};

struct RangeStorage {
    std::vector<const StepImpact*> picked;
    ConstraintList rows; // of one impact
};

} // namespace

void sprite_physics_step(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, DebugLines* debug) {
    const bool bounds_finite = std::all_of(proxies.begin(), proxies.end(), [](const SpritePhysicsProxy& p) {
        return finite2(p.swept_bounds.min) && finite2(p.swept_bounds.max);
    });
    if (!bounds_finite) {
        // The phases one by one, as written.
        const std::vector<ProxyPair> pairs = find_proxy_pairs(proxies, debug);
        const std::vector<ProxyChunk> chunks = find_chunk_proxies(pool, proxies, pairs, debug);
        const std::vector<Impact> impacts = find_impacts(pool, proxies, chunks, dt, debug);
        if (!impacts.empty()) {
            const Impact& first = impacts.front();
            advance_first_pair(proxies, first.a, first.b, first.time, first.point, debug);
        }
        for (const Contact& contact : make_contacts(proxies, impacts, dt, debug)) {
            add_contact_constraint(constraints, contact);
        }
        return;
    }

    // Pairs, facing chunks and sweeps in one pass over the proxies on the pool: proxy i pairs with each earlier
    // proxy whose swept bounds overlap its own, the pairs the area tree would give. Their order does not matter
    // here, since the impacts are put in a total order under which equal impacts are equal records. A second pass
    // writes the contact rows in that order, each range of keys to the place its predecessors leave it.
    const uint64_t threads = loop_threads(pool);
    thread_local StepStorage storage;
    std::vector<uint64_t>& starts = storage.starts;
    shrinking_blocks(proxies.size(), threads, starts);
    const uint64_t block_total = starts.size() - 1;
    const uint64_t most_ranges = 2 * threads;
    PoolLoop loop(pool, std::max(block_total + 1, most_ranges));
    // No body moves before the contact rows are made, so each proxy's sines serve all its pairs. They are taken
    // by the helpers that are awake while the caller fills the buckets.
    std::vector<ProxySines>& sines = storage.sines;
    sines.resize(proxies.size());
    LeftEdgeBuckets& buckets = storage.buckets;
    const uint64_t sine_size = block_size(threads, proxies.size(), 2);
    loop.run(block_count(proxies.size(), sine_size) + 1, [&](uint64_t k, uint32_t) {
        if (k == 0) {
            buckets.fill(proxies);
            return;
        }
        const ParallelRange range = block_range(proxies.size(), sine_size, k - 1);
        for (uint64_t i = range.lo; i < range.hi; ++i) {
            sines[i] = sines_of(proxies[i]);
        }
    });
    if (debug != nullptr && debug_is_enabled(DebugName::Physics_Broadphase_Tree, DebugLayer::Default)) {
        AxisAlignedAreaTree<int32_t> tree;
        for (size_t i = 0; i < proxies.size(); ++i) {
            tree.insert(proxies[i].swept_bounds, static_cast<int32_t>(i));
        }
        debug_area_tree(*debug, tree, DebugName::Physics_Broadphase_Tree);
    }
    const bool drawn = sweeps_drawn(debug);
    std::vector<StepBlock>& blocks = storage.blocks;
    blocks.resize(std::max<size_t>(blocks.size(), block_total));
    const size_t base = constraints.size();
    // The list grows before its rows are written: a step that throws takes back what it added.
    struct Unwind {
        ConstraintList& list;
        size_t size;
        bool kept = false;
        ~Unwind() {
            if (!kept) {
                list.resize(size);
            }
        }
    } unwind{constraints, base};
    const auto sweep_block = [&](uint64_t k) {
        StepBlock& out = blocks[k];
        out.impacts.clear();
        out.hits.clear();
        out.row_count = 0;
        out.first = nullptr;
        thread_local BlockStorage local;
        local.sweeper.start(proxies, dt, drawn, debug, &sines);
        for (uint64_t i = starts[k]; i < starts[k + 1]; ++i) {
            const SpritePhysicsProxy& a = proxies[i];
            const AxisAlignedArea& swept = a.swept_bounds;
            for (const int32_t j : buckets.candidates(swept)) {
                if (static_cast<uint64_t>(j) >= i ||
                    !AxisAlignedArea::intersects(proxies[static_cast<size_t>(j)].swept_bounds, swept)) {
                    continue;
                }
                const SpritePhysicsProxy& b = proxies[static_cast<size_t>(j)];
                const ProxyPair pair = make_proxy_pair(proxies, static_cast<int32_t>(i), j, debug);
                std::vector<ProxyChunk>& records = local.records;
                std::vector<uint32_t>& copies = local.copies;
                records.clear();
                find_pair_chunks(a, sines[i].transform, b, sines[static_cast<size_t>(j)].transform, pair, records,
                                 debug);
                count_copies(records, drawn, copies);
                for (size_t r = 0; r < records.size(); ++r) {
                    if (copies[r] == 0) {
                        continue;
                    }
                    const ProxyChunk& record = records[r];
                    const CellHits* hits = local.sweeper.sweep(record, copies[r]);
                    if (hits == nullptr) {
                        continue;
                    }
                    StepImpact& impact = out.impacts.emplace_back();
                    impact.key = step_key(hits->time, record.proxy, record.other_proxy, record.chunk->index);
                    impact.time = hits->time;
                    impact.a = record.proxy;
                    impact.b = record.other_proxy;
                    impact.point = hits->point;
                    impact.count = hits->count;
                    impact.copies = copies[r];
                    impact.first = static_cast<uint32_t>(out.hits.size());
                    impact.block = static_cast<uint32_t>(k);
                    out.row_count += static_cast<size_t>(impact.copies) * static_cast<size_t>(impact.count);
                    out.hits.insert(out.hits.end(), hits->hits.begin(), hits->hits.begin() + hits->count);
                }
            }
        }
        for (const StepImpact& impact : out.impacts) {
            if (out.first == nullptr || impact.key < out.first->key) {
                out.first = &impact;
            }
        }
    };
    // The first job grows the constraint list to the size the last step left, while the others sweep: making
    // that many rows is not free, and no one else touches the list during the step.
    const size_t guess = storage.last_rows;
    loop.run(block_total + 1, [&](uint64_t k, uint32_t) {
        if (k == 0) {
            constraints.resize(base + guess);
        } else {
            sweep_block(k - 1);
        }
    });

    // Equal keys belong to equal records (the same chunk swept against the same sprite), whose impacts are equal
    // too, so the order is the same however the impacts were found.
    const StepImpact* first = nullptr;
    size_t impact_total = 0;
    size_t row_total = 0;
    for (uint64_t k = 0; k < block_total; ++k) {
        const StepBlock& block = blocks[k];
        if (block.first != nullptr && (first == nullptr || block.first->key < first->key)) {
            first = block.first;
        }
        impact_total += block.impacts.size();
        row_total += block.row_count;
    }
    storage.last_rows = row_total;
    constraints.resize(base + row_total);
    if (first == nullptr) {
        return;
    }
    advance_first_pair(proxies, first->a, first->b, first->time, first->point, debug);

    // Ranges of keys between splitters taken from a sample of the impacts, a few per thread.
    const uint64_t ranges = std::min<uint64_t>(most_ranges, std::max<size_t>(1, impact_total / 32));
    std::vector<StepKey>& samples = storage.samples;
    std::vector<StepKey>& splitters = storage.splitters;
    samples.clear();
    splitters.clear();
    if (ranges > 1) {
        // Every (impact_total / wanted)-th impact; only those are read, as the blocks' lists lie on other cores.
        const size_t wanted = static_cast<size_t>(8 * ranges);
        size_t block_first = 0; // the place of the block's first impact among all
        uint64_t k = 0;
        for (size_t m = 0; m < wanted; ++m) {
            const size_t at = m * impact_total / wanted;
            while (at - block_first >= blocks[k].impacts.size()) {
                block_first += blocks[k].impacts.size();
                k += 1;
            }
            samples.push_back(blocks[k].impacts[at - block_first].key);
        }
        std::sort(samples.begin(), samples.end());
        for (uint64_t r = 1; r < ranges; ++r) {
            splitters.push_back(samples[static_cast<size_t>(r * samples.size() / ranges)]);
        }
    }

    // The contacts of the two moved bodies take their new angles, which turn the normal and the levers; every
    // other proxy's sines are still those taken at the start. Drawn contacts are drawn once per copy, one range
    // after the other so the arrows come in order.
    const PhysicsBody* moved_a = proxies[static_cast<size_t>(first->a)].body;
    const PhysicsBody* moved_b = proxies[static_cast<size_t>(first->b)].body;
    DebugLines* const arrows =
        debug != nullptr && debug_is_enabled(DebugName::Physics_Contact_Point_Normal, DebugLayer::Default) ? debug
                                                                                                           : nullptr;
    const auto write_range = [&](uint64_t r, uint32_t) {
        thread_local RangeStorage local;
        std::vector<const StepImpact*>& picked = local.picked;
        picked.clear();
        size_t offset = base;
        for (uint64_t k = 0; k < block_total; ++k) {
            for (const StepImpact& impact : blocks[k].impacts) {
                if (r > 0 && impact.key < splitters[r - 1]) {
                    offset += static_cast<size_t>(impact.copies) * static_cast<size_t>(impact.count);
                } else if (r + 1 == ranges || impact.key < splitters[r]) {
                    picked.push_back(&impact);
                }
            }
        }
        std::sort(picked.begin(), picked.end(),
                  [](const StepImpact* x, const StepImpact* y) { return x->key < y->key; });
        auto out = constraints.begin() + static_cast<std::ptrdiff_t>(offset);
        for (const StepImpact* impact : picked) {
            const SpritePhysicsProxy& a = proxies[static_cast<size_t>(impact->a)];
            const SpritePhysicsProxy& b = proxies[static_cast<size_t>(impact->b)];
            const bool moved = a.body == moved_a || a.body == moved_b || b.body == moved_a || b.body == moved_b;
            const ProxySines sa = moved ? sines_of(a) : sines[static_cast<size_t>(impact->a)];
            const ProxySines sb = moved ? sines_of(b) : sines[static_cast<size_t>(impact->b)];
            const auto hits = blocks[impact->block].hits.begin() + impact->first;
            ConstraintList& rows = local.rows;
            rows.clear();
            for (int32_t h = 0; h < impact->count; ++h) {
                const Contact contact = make_contact(a, sa, b, sb, hits[h], impact->time, dt);
                draw_contact(arrows, contact);
                add_contact_constraint(rows, contact);
            }
            // Every copy gives rows, and is drawn.
            for (uint32_t copy = 1; arrows != nullptr && copy < impact->copies; ++copy) {
                for (int32_t h = 0; h < impact->count; ++h) {
                    draw_contact(arrows, make_contact(a, sa, b, sb, hits[h], impact->time, dt));
                }
            }
            for (uint32_t copy = 0; copy < impact->copies; ++copy) {
                out = std::copy(rows.begin(), rows.end(), out);
            }
        }
    };
    if (arrows != nullptr) {
        for (uint64_t r = 0; r < ranges; ++r) {
            write_range(r, 0);
        }
    } else {
        loop.run(ranges, write_range);
    }
    unwind.kept = true;
}
