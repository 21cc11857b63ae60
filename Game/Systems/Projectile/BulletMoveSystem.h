#pragma once
// Moves every bullet one tick and lets it bite into the sprites on its path: an exact walk through the
// cell grid of each sprite the area tree reports, one removed cell per remaining hit.

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Engine/System.h"
#include "Engine/Handle.h"
#include "Engine/Physics/AxisAlignedAreaTree.h"
#include "Game/Systems/Projectile/BulletHitCellEvent.h"

struct Transform;
class PhysicsBody;
class Sprite;
struct SpriteChunk;
struct SpriteDirtyFlag;

class EventBus;
struct EntityListView;
class SceneBase;

class BulletMoveSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "BulletMoveSystem";

    BulletMoveSystem(SceneBase& scene, AxisAlignedAreaTree<EntityId>* tree);
    void update(const SimulationTick& tick) override;

    // Cells looked at by the walks since construction (a measure for benchmarks).
    uint64_t cells_walked() const { return m_cells_walked; }

private:
    // What the bullets need of one sprite in the area tree, looked up once per tick: every bullet whose segment
    // overlaps it would otherwise look up its components and take the sines of its angle again.
    struct Candidate {
        uint32_t stamp = 0; // the update that filled it
        bool usable = false;
        Transform* transform = nullptr;
        PhysicsBody* body = nullptr;
        Sprite* sprite = nullptr;
        SpriteDirtyFlag* dirty = nullptr;
        float back_sin = 0.0f; // of -angle, as Transform::to_local takes them
        float back_cos = 1.0f;
        float sin = 0.0f; // of angle, as Transform::to_world takes them
        float cos = 1.0f;
        glm::vec2 world_center{0.0f}; // the centre of mass in the world
        glm::vec2 cell_scale{0.0f};   // 1 / the cell counts when both are powers of two, else 0
        // Where the sprite's occupancy rows start in m_chunk_rows and m_chunk_state (sprites of 32-cell chunks).
        bool rows = false;
        uint32_t rows_at = 0;
        uint32_t state_at = 0;
    };

    // Where a chunk's record and cells are, kept beside its rows: a hit starts loading all of them at once
    // instead of one after the other through the record.
    struct ChunkCells {
        const SpriteChunk* chunk = nullptr;
        const uint16_t* flags = nullptr;
        const uint32_t* colors = nullptr;
    };
    // A hit's event, published once the next bullet is done, with the cell's colour and flags read only then:
    // the queue gets the same events in the same order, and the cell's line has long arrived.
    struct PendingHit {
        BulletHitCellEvent event;
        const uint32_t* color = nullptr;
        const uint16_t* flags = nullptr;
    };

    const Candidate& candidate(int32_t value, const EntityId& id);
    static void publish_hits(EventBus& bus, std::vector<PendingHit>& hits);
    void add_trail_points(const EntityListView& all);
    // The 32 occupancy rows of a chunk (bit x of row y: cell (x, y) active), made from its flags the first time
    // a walk enters it this tick; null when the sprite has no chunk there. Inline: walks ask at every block.
    const uint32_t* chunk_rows(const Candidate& c, int32_t chunk_index) {
        if (m_chunk_state[c.state_at + static_cast<size_t>(chunk_index)] == 2) [[likely]] {
            return m_chunk_rows.data() + c.rows_at + static_cast<size_t>(chunk_index) * 32;
        }
        return make_chunk_rows(c, chunk_index);
    }
    // The same for a chunk whose rows are not made (or that does not exist).
    const uint32_t* make_chunk_rows(const Candidate& c, int32_t chunk_index);

    AxisAlignedAreaTree<EntityId>* m_tree;
    std::vector<int32_t> m_candidates; // tree values of the sprites a segment overlaps
    std::vector<Candidate> m_candidate_of_value;
    // A walk reads one bit per cell from these instead of the cell's flag word, so a field of sprites that
    // bullets cross over and over stays in the cache. Only this system removes cells during its update, and it
    // clears each bit it removes.
    std::vector<uint32_t> m_chunk_rows;
    size_t m_chunk_rows_used = 0;
    std::vector<uint8_t> m_chunk_state;    // 0: not made this tick, 1: no chunk, 2: made
    std::vector<ChunkCells> m_chunk_cells; // beside m_chunk_state, filled with the rows
    std::vector<PendingHit> m_hits_before; // of the bullet before the current one
    std::vector<PendingHit> m_hits;        // of the current bullet
    // The trail points of a flying bullet's tick, the one it starts from and then one per hit, are added once every
    // bullet has walked. An add is a chain of square roots and of drops of a data-dependent count: between the
    // walks it held them up. Only the bullet's own trail sees them, in the same order.
    struct TrailRun {
        uint32_t bullet = 0; // place in the update's view
        uint32_t begin = 0;  // its first point in m_trail_points; the run ends where the next one begins
    };
    std::vector<TrailRun> m_trail_runs;
    std::vector<glm::vec2> m_trail_points;
    std::vector<int32_t> m_fork_draws; // the current bullet's hits left after each hit that draws for a fork
    std::unordered_map<const Sprite*, std::pair<uint32_t, uint32_t>> m_rows_of_sprite;
    uint32_t m_stamp = 0;
    uint64_t m_cells_walked = 0;
};
