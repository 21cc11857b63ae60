#include "Engine/Engine/Systems/Sprite/SpriteCommitSystem.h"

#include <utility>
#include <vector>

#include "Engine/DestructibleSprite/SplitResult.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "Engine/Log.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"

namespace {

constexpr int32_t kMinCells = 20;

// A sprite-local anchor of the committed grid, re-expressed in the local square of a piece whose lowest
// cell corner sits at `offset` (cells) of the committed grid.
glm::vec2 anchor_in_piece(glm::vec2 anchor, const SpriteGrid& from, glm::vec2 offset, const SpriteGrid& piece) {
    const glm::vec2 from_cells(static_cast<float>(from.cells_x), static_cast<float>(from.cells_y));
    const glm::vec2 piece_cells(static_cast<float>(piece.cells_x), static_cast<float>(piece.cells_y));
    const glm::vec2 cell = (anchor + 1.0f) * 0.5f * from_cells - offset;
    return cell / piece_cells * 2.0f - 1.0f;
}

// Moves the links of a core's joints from the committed body to the body of the piece that takes the core.
void move_core_joints(const SpriteCore& core, PhysicsBody& from, const SpriteGrid& from_grid, RockEntity& to,
                      glm::vec2 offset) {
    for (uint32_t joint : core.joint_ids) {
        const auto it = from.find_link(joint);
        if (it == from.joints.end()) {
            continue;
        }
        JointLink link = *it;
        link.local_anchor = anchor_in_piece(link.local_anchor, from_grid, offset, to.sprite.grid());
        to.body.add_link(link);
        from.remove_link(joint);
    }
}

size_t first_core_of_type(const std::vector<SpriteCore>& cores, uint32_t type) {
    for (size_t i = 0; i < cores.size(); ++i) {
        if (cores[i].type == type) {
            return i;
        }
    }
    return cores.size();
}

} // namespace

SpriteCommitSystem::SpriteCommitSystem(SpriteChunkPool* pool) : SystemBase(kName), m_pool(pool) {}

void SpriteCommitSystem::update(const SimulationTick&) {
    EntityPool& pool = entity_pool();
    EventBus& bus = event_bus();
    for (auto row : EntityViewOf<Transform, PhysicsBody, Sprite, SpriteCoreSet, SpriteDirtyFlag>(pool)) {
        SpriteDirtyFlag& flag = row.get<SpriteDirtyFlag>();
        if (flag.dirty == 0) {
            continue;
        }
        flag.dirty = 0;
        Transform& transform = row.get<Transform>();
        PhysicsBody& body = row.get<PhysicsBody>();
        Sprite& sprite = row.get<Sprite>();
        SpriteCoreSet& set = row.get<SpriteCoreSet>();
        const EntityId id = row.id();

        SplitResult result;
        // The pieces start where the body is, not where the drawn Transform shows it between two fixed steps.
        Transform pose = transform;
        pose.position = body.position;
        pose.angle = body.angle;
        Sprite::commit(sprite, result, pose, CommitSettings{0, kMinCells});
        const SpriteGrid grid = sprite.grid();

        const MassProperties mass = sprite.cell_moments();
        body.center_of_mass = mass.center_of_mass;
        body.inverse_mass = mass.inverse_mass;
        body.inverse_inertia = mass.inverse_inertia;

        // Debris velocities are those of the body at each cell, about its centre of mass in the world.
        const glm::vec2 world_center = transform.to_world(body.center_of_mass);
        SpawnCellParticleEvent debris{id, {}};
        debris.cells.reserve(result.debris.size());
        for (const DebrisCell& cell : result.debris) {
            DebrisCellParticle particle;
            particle.local_position = grid.cell_center_to_local(cell.x, cell.y);
            particle.world_position = transform.to_world(particle.local_position);
            particle.angle = transform.angle;
            particle.velocity =
                point_velocity(body.linear_velocity, body.angular_velocity, world_center, particle.world_position);
            particle.angular_velocity = body.angular_velocity;
            particle.color = cell.color;
            debris.cells.push_back(particle);
        }
        bus.publish(std::move(debris));

        if (result.destroyed) {
            set.explode_all = 1;
            if (!sprite.keeps_removed_cells()) {
                pool.list_of(id).destroy_deferred(id);
            } else {
                sprite.remove_all_cells();
            }
        }

        std::vector<RockEntity> rocks;
        rocks.reserve(result.pieces.size());
        for (SplitPiece& piece : result.pieces) {
            RockEntity rock;
            rock.transform = piece.transform;
            rock.body = PhysicsBody(piece.transform.position, piece.transform.angle);
            rock.body.linear_velocity = body.linear_velocity;
            rock.body.angular_velocity = body.angular_velocity;
            rock.sprite = std::move(piece.sprite);
            rock.dirty.dirty = 1;
            rock.marker.value = 1;
            rocks.push_back(std::move(rock));
        }

        // Every core goes with the sprite that now holds its cells, its grid point moved once. The part
        // that takes the Core keeps the entity, so cores left in the old body go to the rock it becomes.
        const auto core_entry = result.core_pieces.find(cell_type_value(CellType::Core));
        // A rock can hold Core cells without a Core record; then nothing swaps.
        const bool core_moves = core_entry != result.core_pieces.end() &&
                                first_core_of_type(set.cores, cell_type_value(CellType::Core)) != set.cores.size();
        const size_t core_piece = core_moves ? static_cast<size_t>(core_entry->second) : 0;
        std::vector<uint8_t> stays(set.cores.size(), 0);
        for (const auto& [type, piece_index] : result.core_pieces) {
            const size_t k = static_cast<size_t>(piece_index);
            const size_t c = first_core_of_type(set.cores, type);
            if (c == set.cores.size()) {
                LogGuard scope(LogLevelDebug, LogSprite, 1);
                LOGF("Split has no core!");
                continue;
            }
            const glm::vec2 offset = result.pieces[k].offset;
            SpriteCore& core = set.cores[c];
            move_core_joints(core, body, grid, rocks[k], offset);
            core.grid_point -= offset;
            if (core_moves && k == core_piece) {
                stays[c] = 1;
                continue;
            }
            rocks[k].cores.cores.push_back(std::move(core));
            set.cores.erase(set.cores.begin() + static_cast<std::ptrdiff_t>(c));
            stays.erase(stays.begin() + static_cast<std::ptrdiff_t>(c));
        }
        if (core_moves) {
            RockEntity& rock = rocks[core_piece];
            const glm::vec2 offset = result.pieces[core_piece].offset;
            std::vector<SpriteCore> kept;
            for (size_t c = 0; c < set.cores.size(); ++c) {
                if (stays[c]) {
                    kept.push_back(std::move(set.cores[c]));
                } else {
                    rock.cores.cores.push_back(std::move(set.cores[c]));
                }
            }
            set.cores = std::move(kept);
            for (SpriteCore& core : set.held_back_cores) {
                core.grid_point -= offset;
            }
            std::swap(transform, rock.transform);
            std::swap(body, rock.body);
            std::swap(sprite, rock.sprite);
            // The entity now shows a fresh piece: commit it next tick for its edges and mass.
            flag.dirty = 1;
        }

        EntityList<RockEntity>& rock_list = pool.list<RockEntity>();
        for (RockEntity& rock : rocks) {
            rock_list.add_deferred(std::move(rock));
        }
    }
    m_pool->apply_pending();
}
