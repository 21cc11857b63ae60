#pragma once
// Cell-exact collision of destructible sprites, once per fixed step: sprites whose swept bounds overlap, then the
// chunks of each that face the other, then the boundary cells of one swept in sub-steps through the other's grid.
// The earliest hits become contacts and contact rows. The chunk and impact phases run on the thread pool.
//
// Where each part lives (Engine/Physics/):
//   CollisionBroadPhase   proxies and the pairs of proxies whose swept bounds overlap
//   LeftEdgeBuckets       the fused step's pair search
//   ChunkPairs            the chunks of a pair that face each other, and the records that repeat
//   SweepFilter           the cull of boundary cells that can not reach the other grid
//   CellSweep             the narrow phase: one boundary cell swept in sub-steps, the hits of a list
//   RecordSweeper         a chunk record's lists swept with the cull
//   CollisionImpacts      the impacts of the phase-by-phase path in their total order
//   CollisionContacts     contacts of hit points, and the earliest impact's bodies moved to its time
//   SpritePhysicsStep     the fused step: the phases in one pass on the pool, then the contact rows
//   TransformSines        the angles' sines, taken once per proxy

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Physics/Contact.h"
#include "Engine/Physics/VelocityConstraint.h"

class ThreadPool;
class DebugLines;
class PhysicsBody;
class Sprite;
struct SpriteChunk;
struct EdgeCell;
struct Transform;

struct SpritePhysicsProxy {
    Transform* transform = nullptr; // the pose the collision reads
    PhysicsBody* body = nullptr;
    Sprite* sprite = nullptr;
    glm::vec2 world_center_of_mass{0.0f};
    AxisAlignedArea swept_bounds;
    glm::vec2 step_move{0.0f}; // velocity times the step
    float step_turn = 0.0f;    // angular velocity times the step
};

struct ProxyPair {
    int32_t a = 0; // the proxy being inserted
    int32_t b = 0; // the earlier proxy found in the tree
    AxisAlignedArea overlap;
};

// One sprite's chunk facing the other sprite of a pair.
struct ProxyChunk {
    int32_t proxy = 0;
    int32_t other_proxy = 0;
    const SpriteChunk* chunk = nullptr;
    glm::vec2 center{0.0f}; // world position of the chunk's centre cell
    uint8_t second = 0;     // 0 for chunks of the pair's a proxy, 1 for its b proxy
    // A chunk facing several chunks of the other sprite is listed once per facing chunk; every repeat sweeps
    // exactly as the first. Distance back to the first record of this chunk in the same pair, 0 for the first.
    uint32_t repeat_of = 0;
};

struct HitPoint {
    glm::vec2 point{0.0f};  // world
    glm::vec2 normal{0.0f}; // sprite-local outward normal of the moving sprite's boundary cell
    float depth = 0.0f;
    float time = 0.0f; // seconds from the start of the step
};

inline constexpr int32_t kMaxImpactHits = 32;
inline constexpr float kNoImpactTime = 1e9f;
// Points a sweep samples per world unit a boundary cell travels over the other grid (rounded up, at least one):
// one a cell.
inline constexpr int32_t kSweepSamplesPerUnit = 32;
// A runaway speed must not turn one cell into millions of samples.
inline constexpr int32_t kMaxSweepSubSteps = 256;

struct Impact {
    int32_t a = 0; // the moving proxy
    int32_t b = 0;
    int32_t chunk = 0; // grid index of the moving proxy's chunk
    float time = kNoImpactTime;
    glm::vec2 point{0.0f};
    glm::vec2 normal{0.0f};
    std::array<HitPoint, kMaxImpactHits> hits{};
    int32_t count = 0;
};

// Outward normals of the eight cell directions (bits 8-10 of the cell flags).
extern const std::array<glm::vec2, 8> kCellDirectionNormals;

// A body whose pose or velocity is not finite would poison every sweep and bound it takes part in.
bool body_is_finite(const PhysicsBody& body);

SpritePhysicsProxy make_sprite_physics_proxy(Transform& transform, PhysicsBody& body, Sprite& sprite, float dt);
// Every phase draws its debug lines into `debug` when one is given; the parallel phases hand it to their tasks,
// since a pool worker has no system to ask for its buffer.
std::vector<ProxyPair> find_proxy_pairs(const std::vector<SpritePhysicsProxy>& proxies, DebugLines* debug = nullptr);
void find_chunk_proxies_for_pair(const SpritePhysicsProxy& a, const SpritePhysicsProxy& b, const ProxyPair& pair,
                                 std::vector<ProxyChunk>& out, DebugLines* debug = nullptr);
std::vector<ProxyChunk> find_chunk_proxies(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                           const std::vector<ProxyPair>& pairs, DebugLines* debug = nullptr);

// A boundary cell at sprite-local position p of a's chunk swept through b's grid; true on a hit.
bool sweep_cell(const SpriteChunk& chunk, glm::vec2 p, uint32_t cell_index, const SpritePhysicsProxy& a,
                const SpritePhysicsProxy& b, float dt, HitPoint& out, DebugLines* debug = nullptr);
// The earliest hits of one boundary list (time kNoImpactTime and count 0 without any).
Impact find_cell_hits(const SpriteChunk& chunk, const std::vector<EdgeCell>& cells, const SpritePhysicsProxy& a,
                      const SpritePhysicsProxy& b, float dt, DebugLines* debug = nullptr);
// The total order of impacts: time, then the moving and the other proxy, then the moving proxy's chunk.
bool impact_before(const Impact& x, const Impact& y);
// Sorted by impact_before, so equal times (a resting pile) come out in one order on any number of workers.
std::vector<Impact> find_impacts(ThreadPool& pool, const std::vector<SpritePhysicsProxy>& proxies,
                                 const std::vector<ProxyChunk>& chunks, float dt, DebugLines* debug = nullptr);
std::vector<Contact> make_contacts(const std::vector<SpritePhysicsProxy>& proxies, const std::vector<Impact>& impacts,
                                   float dt, DebugLines* debug = nullptr);

// What the step keeps from one step to the next, and each worker's scratch, so that a step allocates nothing
// once the piles stop growing. The caller owns it (the physics system keeps one); it holds no result.
class SpriteStepStorage {
public:
    SpriteStepStorage();
    ~SpriteStepStorage();
    SpriteStepStorage(SpriteStepStorage&&) noexcept;
    SpriteStepStorage& operator=(SpriteStepStorage&&) noexcept;

    struct State;
    State& state() { return *m_state; }

private:
    std::unique_ptr<State> m_state;
};

// The whole step: appends contact rows and moves the two bodies of the earliest impact to its time.
void sprite_physics_step(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, SpriteStepStorage& storage, DebugLines* debug = nullptr);
// The same with storage of its own for this one step.
void sprite_physics_step(ThreadPool& pool, ConstraintList& constraints, const std::vector<SpritePhysicsProxy>& proxies,
                         float dt, DebugLines* debug = nullptr);
