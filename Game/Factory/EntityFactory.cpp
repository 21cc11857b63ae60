#include "Game/Factory/EntityFactory.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/DestructibleSprite/SpriteChunkPool.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Engine/Log.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/JointId.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"

namespace {

constexpr std::array<std::string_view, EnemyKindCount> kEnemySpriteNames = {
    "Enemy/Bomb", "Enemy/Fighter", "Enemy/Station", "Enemy/Base", "Enemy/Boss1",
};

// One chunk is one world unit, so the half extent is half the chunk counts.
glm::vec2 sprite_scale(const Sprite& sprite) {
    const SpriteGrid& grid = sprite.grid();
    return {static_cast<float>(grid.chunks_x) * 0.5f, static_cast<float>(grid.chunks_y) * 0.5f};
}

Transform make_transform(glm::vec2 position, glm::vec2 scale, float angle) {
    Transform t;
    t.position = position;
    t.scale = scale;
    t.angle = angle;
    t.z = 0.0f;
    return t;
}

// Problems with the data the factory is given are reported as errors in the game's category.
template <typename... Args>
void report(fmt::format_string<Args...> format, Args&&... args) {
    LogGuard guard(LogLevelError, LogGame, 1);
    LOGF(format, std::forward<Args>(args)...);
}

template <typename T>
void queue(EntityPool& pool, T&& entity) {
    pool.list<T>().add_deferred(std::move(entity));
}

// Everything of a sprite-bearing record except its kind's own components.
struct SpriteParts {
    Sprite sprite;
    SpriteCoreSet cores;
    Transform transform;
};

} // namespace

EntityFactory::EntityFactory(EntityPool* pool, SpriteChunkPool* chunk_pool, TextureAtlasPacked* atlas,
                             AssetPackage* assets)
    : m_pool(pool), m_chunk_pool(chunk_pool), m_atlas(atlas), m_assets(assets) {}

void EntityFactory::reset_sprite_layers() {
    m_layers.clear();
    m_layers_atlas = nullptr;
    m_layers_texture = kInvalidHandle;
}

size_t EntityFactory::packed_layer_count() const {
    size_t count = 0;
    for (const auto& [key, layer] : m_layers) {
        count += layer.placed ? 1 : 0;
    }
    return count;
}

SpriteCoreSet EntityFactory::build_sprite_layers(TextureAtlasPacked& atlas, const SpriteGrid& grid,
                                                 const SpriteAsset& asset) {
    (void)grid;
    // Packing restarts whenever the atlas gets a new texture, so remembered places only hold for one texture.
    if (m_layers_atlas != &atlas || m_layers_texture != atlas.handle()) {
        m_layers.clear();
        m_layers_atlas = &atlas;
        m_layers_texture = atlas.handle();
    }

    SpriteCoreSet set;
    set.cores.reserve(asset.cores.size());
    for (uint32_t i = 0; i < asset.cores.size(); ++i) {
        const SpriteCoreData& data = asset.cores[i];
        SpriteCore core;
        core.type = data.type;
        core.grid_point = data.gridPointOffset;
        core.initial_cell_count = data.initialCellCount;
        if (data.type == cell_type_value(CellType::Core)) {
            set.has_core = 1;
        }
        if (data.type != cell_type_value(CellType::Joint1)) {
            const LayerKey key{asset.metadata.uuid, i};
            auto found = m_layers.find(key);
            if (found == m_layers.end()) {
                PackedLayer layer;
                const bool sized = data.width > 0 && data.height > 0 &&
                                   data.color.size() == static_cast<size_t>(data.width) * data.height;
                if (!sized) {
                    report("Core {} of sprite \"{}\" has no picture of {} x {}", i, asset.metadata.name, data.width,
                           data.height);
                } else {
                    QueuedRegion region;
                    region.write = TextureWrite{UploadFormatRgba,
                                                PixelTypeUnsignedByte,
                                                0,
                                                0,
                                                0,
                                                static_cast<uint32_t>(data.width),
                                                static_cast<uint32_t>(data.height),
                                                1};
                    region.texel_size = 4;
                    region.count = 1;
                    // The colours stay in the scene's asset package, which outlives the queued write.
                    const std::optional<UvRect> packed = atlas.add_pixels(region, data.color.data());
                    if (packed) {
                        layer.placed = true;
                        layer.uv_offset = packed->offset;
                        layer.uv_size = packed->size;
                        layer.width = packed->width;
                        layer.height = packed->height;
                    } else {
                        report("Core {} of sprite \"{}\" has no place in the sprite atlas", i, asset.metadata.name);
                    }
                }
                found = m_layers.emplace(key, layer).first;
            }
            const PackedLayer& layer = found->second;
            if (layer.placed) {
                core.uv_offset = layer.uv_offset;
                core.uv_size = layer.uv_size;
                core.width = layer.width;
                core.height = layer.height;
            }
        }
        set.cores.push_back(std::move(core));
    }
    return set;
}

SpriteCoreSet EntityFactory::sprite_layers(const SpriteGrid& grid, const SpriteAsset& asset) {
    return build_sprite_layers(*m_atlas, grid, asset);
}

const SpriteAsset& EntityFactory::enemy_sprite(uint32_t kind) const {
    return m_assets->get_by_name<SpriteAsset>(kEnemySpriteNames.at(kind));
}

void EntityFactory::create_player(glm::vec2 position) {
    const SpriteAsset& asset = m_assets->get_by_name<SpriteAsset>("Player");
    PlayerEntity e;
    e.sprite = Sprite(*m_chunk_pool, asset, true);
    e.cores = sprite_layers(e.sprite.grid(), asset);
    e.transform = make_transform(position, sprite_scale(e.sprite), 0.0f);
    e.dirty.dirty = 1;
    e.body = PhysicsBody(position, 0.0f);
    e.body.angular_damping = 1.0f;
    e.body.angle_fixed = 1;
    e.player = Player{};
    e.player.bounds = AxisAlignedArea::empty();
    e.item_sink = ItemSink{};
    e.weapon = Weapon{};
    queue(*m_pool, std::move(e));
}

void EntityFactory::create_enemy(const EnemyRequest& request) {
    if (request.kind >= EnemyKindCount) {
        report("Unknown enemy kind {}", request.kind);
        return;
    }
    const SpriteAsset& asset = enemy_sprite(request.kind);
    Sprite sprite(*m_chunk_pool, asset, false);
    SpriteCoreSet cores = sprite_layers(sprite.grid(), asset);
    const glm::vec2 scale = sprite_scale(sprite);
    // An empty sprite has its centre of mass at the origin, so it is simply placed at the request.
    const MassProperties mass = sprite.cell_moments();
    const glm::vec2 position = request.position - scale * mass.center_of_mass;

    PhysicsBody body(position, 0.0f);
    body.angular_damping = 1.0f;
    body.linear_velocity = request.velocity;
    const Transform transform = make_transform(position, scale, 0.0f);
    SpriteDirtyFlag dirty{1};
    // Every enemy kind carries the same five sprite-body components ahead of its own.
    const auto fill_sprite_body = [&](auto& e) {
        e.transform = transform;
        e.body = std::move(body);
        e.sprite = std::move(sprite);
        e.cores = std::move(cores);
        e.dirty = dirty;
    };

    switch (request.kind) {
    case EnemyKindBomb: {
        BombEntity e;
        fill_sprite_body(e);
        e.marker.value = 1;
        e.throwable = AiThrowable{};
        e.bomb = AiBomb{};
        queue(*m_pool, std::move(e));
        break;
    }
    case EnemyKindFighter: {
        FighterEntity e;
        fill_sprite_body(e);
        e.body.angle_fixed = 1;
        e.flocker = AiFlocker{};
        e.flocker.random_bias = random_float();
        e.driver = AiDriver{};
        e.fighter = AiFighter{};
        e.weapon = Weapon(WeaponProps::ai_fighter_laser());
        queue(*m_pool, std::move(e));
        break;
    }
    case EnemyKindStation: {
        StationEntity e;
        fill_sprite_body(e);
        e.station = AiStation{};
        e.flocker = AiFlocker{};
        e.flocker.random_bias = random_float();
        e.force_mover = AiForceMover{};
        e.force_mover.goal = {5.0f, 0.0f};
        queue(*m_pool, std::move(e));
        break;
    }
    case EnemyKindBase: {
        BaseEntity e;
        fill_sprite_body(e);
        e.base = AiBase{};
        e.thrower = AiThrower{};
        e.force_mover = AiForceMover{};
        e.force_mover.goal = {0.0f, 0.0f};
        queue(*m_pool, std::move(e));
        break;
    }
    case EnemyKindBoss1: {
        Boss1Entity e;
        fill_sprite_body(e);
        e.thrower = Boss1Thrower{};
        e.period = 8.0f;
        e.center = boss1_outline_center();
        queue(*m_pool, std::move(e));
        break;
    }
    default:
        break;
    }
}

void EntityFactory::create_rock(const RockRequest& request) {
    const SpriteAsset& asset = m_assets->get_by_id<SpriteAsset>(request.sprite);
    RockEntity e;
    e.sprite = Sprite(*m_chunk_pool, asset, false);
    e.cores = sprite_layers(e.sprite.grid(), asset);
    e.transform = make_transform(request.position, sprite_scale(e.sprite), request.angle);
    e.body = PhysicsBody(request.position, request.angle);
    e.body.linear_velocity = request.velocity;
    e.body.angular_velocity = request.angular_velocity;
    e.body.angular_damping = 1.0f;
    e.dirty.dirty = 1;
    e.marker.value = 1;
    queue(*m_pool, std::move(e));
}

namespace {

// One placed instance of a multi-sprite before it becomes its kind's record.
struct MultiSpritePiece {
    bool built = false;
    uint32_t type = 0;
    const MultiSpritePart* part = nullptr;
    Transform transform;
    PhysicsBody body;
    Sprite sprite;
    SpriteCoreSet cores;
};

} // namespace

void EntityFactory::create_multi_sprite(glm::vec2 origin, const MultiSpriteAsset& asset) {
    const MultiSprite& multi = asset.data;
    std::vector<MultiSpritePiece> pieces(multi.instances.size());

    for (size_t i = 0; i < multi.instances.size(); ++i) {
        const MultiSpriteInstance& instance = multi.instances[i];
        if (instance.sprite < 0 || static_cast<size_t>(instance.sprite) >= multi.sprites.size()) {
            report("Multi-sprite \"{}\": instance {} names part {} of {}", asset.metadata.name, i, instance.sprite,
                   multi.sprites.size());
            continue;
        }
        MultiSpritePiece& piece = pieces[i];
        piece.part = &multi.sprites[static_cast<size_t>(instance.sprite)];
        const SpriteAsset& sprite_asset = m_assets->get_by_name<SpriteAsset>(piece.part->sprite);
        piece.built = true;
        piece.type = instance.type;
        piece.sprite = Sprite(*m_chunk_pool, sprite_asset, false);
        piece.cores = sprite_layers(piece.sprite.grid(), sprite_asset);
        const glm::vec2 position = origin + instance.position;
        piece.transform = make_transform(position, sprite_scale(piece.sprite), instance.angle);
        piece.body = PhysicsBody(position, instance.angle);
        piece.body.linear_damping = 0.1f;
        piece.body.angular_damping = 0.1f;
    }

    for (size_t j = 0; j < multi.joints.size(); ++j) {
        const MultiSpriteJoint& joint = multi.joints[j];
        const std::array<int32_t, 2> instances = {joint.instance_0, joint.instance_1};
        const std::array<int32_t, 2> attachments = {joint.attachment_0, joint.attachment_1};
        bool valid = true;
        for (int side = 0; side < 2; ++side) {
            const int32_t k = instances[side];
            const int32_t a = attachments[side];
            valid = valid && k >= 0 && static_cast<size_t>(k) < pieces.size() && pieces[static_cast<size_t>(k)].built &&
                    a >= 0 && static_cast<size_t>(a) < pieces[static_cast<size_t>(k)].part->attachment_points.size();
        }
        if (!valid) {
            report("Multi-sprite \"{}\": joint {} names a missing instance or attachment point", asset.metadata.name,
                   j);
            continue;
        }
        const uint32_t id = next_global_id();
        for (int side = 0; side < 2; ++side) {
            MultiSpritePiece& piece = pieces[static_cast<size_t>(instances[side])];
            const AttachmentPoint& point = piece.part->attachment_points[static_cast<size_t>(attachments[side])];
            const SpriteGrid& grid = piece.sprite.grid();
            const glm::vec2 cells{static_cast<float>(grid.cells_x), static_cast<float>(grid.cells_y)};
            piece.body.add_link(JointLink{id, point.r / cells * 2.0f - 1.0f});
            // The joint hangs on the piece's core of the attachment's type, when it has one.
            for (SpriteCore& core : piece.cores.cores) {
                if (static_cast<int32_t>(core.type) == point.cell_type) {
                    core.joint_ids.push_back(id);
                    break;
                }
            }
        }
    }

    for (MultiSpritePiece& piece : pieces) {
        if (!piece.built) {
            continue;
        }
        if (piece.type == 0) {
            RockEntity e;
            e.transform = piece.transform;
            e.body = std::move(piece.body);
            e.sprite = std::move(piece.sprite);
            e.cores = std::move(piece.cores);
            e.dirty.dirty = 1;
            e.marker.value = 1;
            queue(*m_pool, std::move(e));
        } else if (piece.type == 1) {
            SnakeHeadEntity e;
            e.transform = piece.transform;
            e.body = std::move(piece.body);
            e.sprite = std::move(piece.sprite);
            e.cores = std::move(piece.cores);
            e.dirty.dirty = 1;
            e.marker.value = 1;
            e.head = AiSnakeHead{};
            e.head.phase = random_float();
            queue(*m_pool, std::move(e));
        }
    }
}

void EntityFactory::create_item(const ItemRequest& request) {
    ItemEntity e;
    e.kind = request.kind;
    e.position = request.position;
    e.angle = 0.0f;
    e.velocity = request.velocity;
    e.angular_velocity = random_range(-40.0f, 40.0f);
    if (request.kind == ItemKindCore) {
        e.damping = random_range(0.0f, 0.2f);
        // Only the direction is kept; a zero request gives a resting core.
        e.velocity = normalize_or_zero(request.velocity) * random_range(4.0f, 6.0f);
    } else if (request.kind == ItemKindHealth) {
        e.damping = random_range(3.0f, 10.0f);
    } else {
        e.damping = 0.0f;
    }
    e.target = kInvalidEntityId;
    e.capture_position = {0.0f, 0.0f};
    e.attraction_delay = 0.6f;
    e.attraction_timer = 0.0f;
    e.flight_duration = 1.0f;
    e.flight_timer = 0.0f;
    e.life = 15.0f;
    e.attraction_radius = 1.0f;
    queue(*m_pool, std::move(e));
}

void EntityFactory::create_bullet(const WeaponShot& shot) {
    const BulletProps& props = shot.props;
    const float speed = props.speed_single != 0 ? props.speed : random_range(props.speed, props.speed_max);
    const float life = props.life_single != 0 ? props.life : random_range(props.life, props.life_max);

    BulletEntity e;
    e.owner = shot.owner;
    e.position = shot.position;
    e.velocity = shot.direction * speed;
    e.life = life;
    e.hits_left = props.hits;
    e.hits_total = props.hits;
    e.fork_chance = props.fork_chance;
    e.curve_sign = random_signed_unit();
    e.curve_strength = props.curve_strength;
    e.strength = 1.0f;
    e.trail_width = props.trail_width;
    e.trail_color = props.trail_color;
    e.trail = Trail(props.trail_settings);
    e.trail.add_point(shot.position, props.trail_width, props.trail_color);
    e.last_hit = kInvalidEntityId;
    e.dying = 0;
    queue(*m_pool, std::move(e));
}
