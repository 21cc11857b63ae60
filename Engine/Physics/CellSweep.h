#pragma once
// The narrow phase: one boundary cell of the moving sprite swept in sub-steps through the other sprite's grid,
// and the earliest hits of a boundary list.

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/DestructibleSprite/SpriteChunk.h"
#include "Engine/Physics/SpriteCollision.h"
#include "Engine/Physics/TransformSines.h"

class SweepFilter;

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

// Prints the message of a hit dropped for want of room, once per dropped hit.
void print_dropped_hits(int32_t dropped);
// The impact of a list's hits, proxies and chunk left for the caller.
Impact impact_of(const CellHits& hits);

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
        m_d_other = b.body->linear_velocity * dt;
        m_w_other = std::fabs(b.body->angular_velocity * dt);
        m_n = 0;
        m_stamp += 1;
        if (m_stamp == 0) {
            m_poses = {};
            m_stamp = 1;
        }
    }

    const SpritePhysicsProxy* a() const { return m_a; }
    const SpritePhysicsProxy* b() const { return m_b; }

    bool sweep(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, HitPoint& out, DebugLines* debug);

    // Sweeps one boundary list; cells the filter rules out can not hit and are passed over. The cells left are
    // found first and the other grid's flags of the cell each starts over are fetched ahead, so that the sweeps
    // do not wait on memory one after the other.
    void find_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, CellHits& hits, DebugLines* debug,
                   const SweepFilter* filter = nullptr);

private:
    void add_hit(const SpriteChunk& chunk, const EdgeCell& cell, CellHits& hits, DebugLines* debug);

    // A hint only: the flags of the other grid's cell near cell coordinates g.
    void prefetch_flags(glm::dvec2 g) const;

    struct Pose {
        uint32_t key = 0;
        uint32_t stamp = 0; // the pair it was computed for
        glm::vec2 position{0.0f};
        float sin = 0.0f; // of minus the angle: the pose is used to go from world to local
        float cos = 1.0f;
    };

    // Inlined into the sweep, which asks for a pose at every sub-step.
    [[gnu::always_inline]] inline const Pose& pose_at(float t);

    static constexpr uint32_t kPoseSlotBits = 6;

    const SpritePhysicsProxy* m_a = nullptr;
    const SpritePhysicsProxy* m_b = nullptr;
    float m_dt = 0.0f;
    float m_a_sin = 0.0f;
    float m_a_cos = 1.0f;
    glm::vec2 m_d{0.0f};
    float m_w = 0.0f;
    glm::vec2 m_d_other{0.0f}; // the other sprite's move and turn over the step
    float m_w_other = 0.0f;
    int32_t m_n = 0;
    glm::vec2 m_step{0.0f};
    float m_h = 0.0f;
    float m_turn_sin = 0.0f;
    float m_turn_cos = 1.0f;
    uint32_t m_stamp = 0;
    std::array<Pose, size_t{1} << kPoseSlotBits> m_poses{};
    std::vector<const EdgeCell*> m_candidates;
};
