#include "Game/Factory/EntityFactory.h"

#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Random.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/ItemEntity.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Entities/SnakeHeadEntity.h"
#include "Game/Weapons/WeaponProps.h"
#include "Support/GameWorld.h"
#include "Support/GlContext.h"
#include "Support/SpriteFixtures.h"

namespace {

using test_support::GameWorld;

constexpr float kEps = 1e-5f;

uint16_t type_flags(uint32_t type) { return static_cast<uint16_t>(type); }

// The uniform floats a generator reseeded with 0 gives, in order.
std::vector<float> floats_after_reseed(int n) {
    random_seed(0);
    std::vector<float> r;
    for (int i = 0; i < n; ++i) {
        r.push_back(random_float());
    }
    random_seed(0);
    return r;
}

class EntityFactoryAssets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_assets = new AssetPackage(test_support::load_game_assets()); }
    static void TearDownTestSuite() {
        delete s_assets;
        s_assets = nullptr;
    }
    static AssetPackage copy_assets() { return *s_assets; }

    GameWorld world{copy_assets()};

    static AssetPackage* s_assets;
};
AssetPackage* EntityFactoryAssets::s_assets = nullptr;

TEST_F(EntityFactoryAssets, NothingExistsBeforeTheFlush) {
    world.factory.create_player({0.0f, 0.0f});
    world.factory.create_enemy({EnemyKindBomb, {3.0f, 0.0f}, {}});
    world.factory.create_enemy({EnemyKindBomb, {-3.0f, 0.0f}, {}});
    world.factory.create_item({{0.0f, 0.0f}, {1.0f, 0.0f}, ItemKindHealth});
    EXPECT_EQ(world.list<PlayerEntity>().size(), 0u);
    EXPECT_EQ(world.list<BombEntity>().size(), 0u);
    EXPECT_EQ(world.list<ItemEntity>().size(), 0u);
    EXPECT_EQ(world.list<BombEntity>().pending_create_count(), 2u);

    world.flush();
    EXPECT_EQ(world.list<PlayerEntity>().size(), 1u);
    EXPECT_EQ(world.list<BombEntity>().size(), 2u);
    EXPECT_EQ(world.list<ItemEntity>().size(), 1u);
}

TEST_F(EntityFactoryAssets, PlayerIsPlacedByItsGridCenter) {
    world.factory.create_player({1.5f, -2.0f});
    world.flush();
    const PlayerEntity& p = world.list<PlayerEntity>().entities().at(0);
    const SpriteAsset& asset = world.assets.get_by_name<SpriteAsset>("Player");

    EXPECT_EQ(p.transform.position, glm::vec2(1.5f, -2.0f));
    EXPECT_EQ(p.transform.scale, glm::vec2(asset.chunkCount) * 0.5f);
    EXPECT_EQ(p.transform.angle, 0.0f);
    EXPECT_EQ(p.transform.z, 0.0f);
    EXPECT_EQ(p.body.position, glm::vec2(1.5f, -2.0f));
    EXPECT_EQ(p.body.previous_position, glm::vec2(1.5f, -2.0f));
    EXPECT_EQ(p.body.angular_damping, 1.0f);
    EXPECT_EQ(p.body.linear_damping, 0.01f);
    EXPECT_EQ(p.body.angle_fixed, 1);
    EXPECT_EQ(p.body.inverse_mass, 1.0f);
    EXPECT_TRUE(p.sprite.keeps_removed_cells());
    EXPECT_EQ(p.sprite.active_cell_count(), asset.activePixelCount);
    EXPECT_EQ(p.dirty.dirty, 1);
    EXPECT_EQ(p.cores.has_core, 1);
    ASSERT_EQ(p.cores.cores.size(), asset.cores.size());

    EXPECT_EQ(p.player.speed, 5.0f);
    EXPECT_EQ(p.player.cloud_speed, 8.0f);
    EXPECT_EQ(p.player.acceleration, 15.0f);
    EXPECT_EQ(p.player.bounds, AxisAlignedArea::empty());
    EXPECT_EQ(p.player.is_cloud, 0);
    EXPECT_EQ(p.player.cloud_timer, 4.0f);
    EXPECT_EQ(p.player.cloud_elapsed, 0.0f);
    EXPECT_EQ(p.item_sink.incoming[ItemKindCore], 0);
    EXPECT_EQ(p.item_sink.incoming[ItemKindHealth], 0);
    EXPECT_EQ(p.weapon.props.weapon_number, 0u);
    EXPECT_EQ(p.weapon.ammo, -1);
    EXPECT_TRUE(p.weapon.props.shot_effect);
}

// Shared by every enemy kind.
template <typename E>
const E& only_enemy(GameWorld& world, const EnemyRequest& request, const std::string& sprite_name) {
    world.factory.create_enemy(request);
    world.flush();
    EXPECT_EQ(world.list<E>().size(), 1u);
    const E& e = world.list<E>().entities().at(0);
    const SpriteAsset& asset = world.assets.get_by_name<SpriteAsset>(sprite_name);
    const MassProperties mass = e.sprite.cell_moments();
    EXPECT_EQ(e.transform.scale, glm::vec2(asset.chunkCount) * 0.5f);
    const glm::vec2 center = e.transform.to_world(mass.center_of_mass);
    EXPECT_NEAR(center.x, request.position.x, kEps);
    EXPECT_NEAR(center.y, request.position.y, kEps);
    EXPECT_EQ(e.body.position, e.transform.position);
    EXPECT_EQ(e.body.angle, 0.0f);
    EXPECT_EQ(e.body.linear_velocity, request.velocity);
    EXPECT_EQ(e.body.angular_damping, 1.0f);
    // Mass terms come with the first commit; the factory leaves the constructor's values.
    EXPECT_EQ(e.body.inverse_mass, 1.0f);
    EXPECT_EQ(e.body.inverse_inertia, 1.0f);
    EXPECT_EQ(e.body.center_of_mass, glm::vec2(0.0f));
    EXPECT_FALSE(e.sprite.keeps_removed_cells());
    EXPECT_EQ(e.sprite.active_cell_count(), asset.activePixelCount);
    EXPECT_EQ(e.dirty.dirty, 1);
    EXPECT_EQ(e.cores.has_core, 1);
    return e;
}

TEST_F(EntityFactoryAssets, BombCarriesItsAi) {
    const BombEntity& e = only_enemy<BombEntity>(world, {EnemyKindBomb, {2.0f, 1.0f}, {0.5f, -0.5f}}, "Enemy/Bomb");
    EXPECT_EQ(e.marker.value, 1);
    EXPECT_EQ(e.throwable.being_held, 0);
    EXPECT_EQ(e.throwable.thrown, 0);
    EXPECT_EQ(e.bomb.period, 0.3f);
    EXPECT_EQ(e.bomb.timer, 0.0f);
    EXPECT_EQ(e.bomb.turn_strength, 4.0f);
    EXPECT_EQ(e.bomb.speed, 3.0f);
    EXPECT_EQ(e.bomb.start_radius, 3.0f);
    EXPECT_EQ(e.bomb.exploding, 0);
    EXPECT_EQ(e.bomb.thrown, 0);
    EXPECT_EQ(e.bomb.fuse, 2.0f);
    EXPECT_EQ(e.bomb.fuse_timer, 0.0f);
    EXPECT_EQ(e.body.angle_fixed, 0);
}

TEST_F(EntityFactoryAssets, FighterCarriesTheLaserAndADrawnBias) {
    const std::vector<float> r = floats_after_reseed(1);
    const FighterEntity& e = only_enemy<FighterEntity>(world, {EnemyKindFighter, {-4.0f, 2.0f}, {}}, "Enemy/Fighter");
    EXPECT_EQ(e.body.angle_fixed, 1);
    EXPECT_EQ(e.flocker.neighbor_radius, 5.0f);
    EXPECT_EQ(e.flocker.random_bias, r[0]);
    EXPECT_EQ(e.flocker.escape_vector, glm::vec2(0.0f));
    EXPECT_FALSE(e.flocker.target.has_value());
    EXPECT_FALSE(e.flocker.follow_entity.has_value());
    EXPECT_EQ(e.driver.max_speed, 4.0f);
    EXPECT_EQ(e.driver.max_accel, 4.0f);
    EXPECT_EQ(e.driver.max_turn, 0.4f);
    EXPECT_EQ(e.driver.desired_speed, 0.0f);
    EXPECT_EQ(e.driver.desired_heading, 0.0f);
    EXPECT_FALSE(e.driver.waypoint.has_value());
    EXPECT_EQ(e.fighter.value0, 2.0f);
    EXPECT_EQ(e.fighter.value1, 0.0f);
    EXPECT_EQ(e.weapon.props.weapon_number, 1u);
    EXPECT_EQ(e.weapon.ammo, -1);
    EXPECT_TRUE(e.weapon.props.charge_effect);
}

TEST_F(EntityFactoryAssets, StationCarriesItsHangarAndGoal) {
    const StationEntity& e = only_enemy<StationEntity>(world, {EnemyKindStation, {0.0f, 6.0f}, {}}, "Enemy/Station");
    EXPECT_EQ(e.station.spawn_origin, glm::vec2(-0.296862f, -0.296177f));
    EXPECT_EQ(e.station.spawn_interval, 4.0f);
    EXPECT_EQ(e.station.spawn_timer, 0.0f);
    EXPECT_EQ(e.station.period, 0.0f);
    EXPECT_EQ(e.station.timer, 0.0f);
    EXPECT_GE(e.flocker.random_bias, 0.0f);
    EXPECT_LE(e.flocker.random_bias, 1.0f);
    EXPECT_EQ(e.force_mover.max_speed, 1.0f);
    EXPECT_EQ(e.force_mover.max_impulse, 1.0f);
    EXPECT_EQ(e.force_mover.capture_radius, 5.0f);
    EXPECT_EQ(e.force_mover.goal, glm::vec2(5.0f, 0.0f));
}

TEST_F(EntityFactoryAssets, BaseCarriesAnEmptyThrower) {
    const BaseEntity& e = only_enemy<BaseEntity>(world, {EnemyKindBase, {-6.0f, -6.0f}, {}}, "Enemy/Base");
    EXPECT_EQ(e.base.period, 0.0f);
    EXPECT_EQ(e.base.timer, 0.0f);
    EXPECT_EQ(e.thrower.origin, glm::vec2(0.0f));
    EXPECT_EQ(e.thrower.radius, 3.5f);
    EXPECT_EQ(e.thrower.throw_radius, 18.0f);
    EXPECT_EQ(e.thrower.max_holding, 5u);
    EXPECT_TRUE(e.thrower.held.empty());
    EXPECT_EQ(e.force_mover.goal, glm::vec2(0.0f, 0.0f));
    EXPECT_EQ(e.force_mover.capture_radius, 5.0f);
}

TEST_F(EntityFactoryAssets, Boss1CarriesItsTrailingState) {
    const Boss1Entity& e = only_enemy<Boss1Entity>(world, {EnemyKindBoss1, {8.0f, 0.0f}, {}}, "Enemy/Boss1");
    EXPECT_EQ(e.thrower.radius, 3.5f);
    EXPECT_EQ(e.thrower.throw_radius, 18.0f);
    EXPECT_EQ(e.thrower.max_holding, 5u);
    EXPECT_TRUE(e.thrower.held.empty());
    EXPECT_EQ(e.period, 8.0f);
    EXPECT_EQ(e.center, boss1_outline_center());
    EXPECT_EQ(e.timer, 0.0f);
    EXPECT_EQ(e.state, 0u);
}

TEST_F(EntityFactoryAssets, RockIsFoundByItsId) {
    RockRequest request;
    request.position = {1.0f, 2.0f};
    request.angle = 0.5f;
    request.velocity = {3.0f, 0.0f};
    request.angular_velocity = -1.0f;
    request.sprite = world.assets.get_id_by_name<SpriteAsset>("hello");
    world.factory.create_rock(request);
    world.flush();
    ASSERT_EQ(world.list<RockEntity>().size(), 1u);
    const RockEntity& e = world.list<RockEntity>().entities()[0];
    const SpriteAsset& asset = world.assets.get_by_name<SpriteAsset>("hello");
    EXPECT_EQ(e.transform.position, request.position);
    EXPECT_EQ(e.transform.angle, 0.5f);
    EXPECT_EQ(e.transform.scale, glm::vec2(asset.chunkCount) * 0.5f);
    EXPECT_EQ(e.body.position, request.position);
    EXPECT_EQ(e.body.angle, 0.5f);
    EXPECT_EQ(e.body.linear_velocity, request.velocity);
    EXPECT_EQ(e.body.angular_velocity, -1.0f);
    EXPECT_EQ(e.body.angular_damping, 1.0f);
    EXPECT_EQ(e.sprite.active_cell_count(), asset.activePixelCount);
    EXPECT_EQ(e.dirty.dirty, 1);
    EXPECT_EQ(e.marker.value, 1);
    EXPECT_EQ(e.cores.has_core, 0);
}

TEST_F(EntityFactoryAssets, UnknownAssetsFailWithTheLookupMessage) {
    RockRequest rock;
    rock.sprite.fill(0xEE);
    try {
        world.factory.create_rock(rock);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "GetById: No asset found");
    }

    MultiSpriteAsset multi = world.assets.get_by_name<MultiSpriteAsset>("snake");
    multi.data.sprites.at(0).sprite = "snake/no_such_piece";
    try {
        world.factory.create_multi_sprite({0.0f, 0.0f}, multi);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "GetByName: No asset found");
    }
    world.flush();
    EXPECT_EQ(world.list<RockEntity>().size(), 0u);
    EXPECT_EQ(world.list<SnakeHeadEntity>().size(), 0u);
}

TEST_F(EntityFactoryAssets, SnakePiecesAreJointedAtTheirAttachmentPoints) {
    const MultiSpriteAsset& snake = world.assets.get_by_name<MultiSpriteAsset>("snake");
    const glm::vec2 origin{2.0f, -1.0f};
    world.factory.create_multi_sprite(origin, snake);
    world.flush();

    size_t heads = 0, segments = 0;
    for (const MultiSpriteInstance& instance : snake.data.instances) {
        heads += instance.type == 1 ? 1 : 0;
        segments += instance.type == 0 ? 1 : 0;
    }
    ASSERT_EQ(world.list<SnakeHeadEntity>().size(), heads);
    ASSERT_EQ(world.list<RockEntity>().size(), segments);

    const SnakeHeadEntity& head = world.list<SnakeHeadEntity>().entities()[0];
    EXPECT_EQ(head.head.state_duration, 5.0f);
    EXPECT_EQ(head.head.state_timer, 0.0f);
    EXPECT_EQ(head.head.state, SnakeHeadStateWait);
    EXPECT_EQ(head.head.dive_target, glm::vec2(0.0f));
    EXPECT_GE(head.head.phase, 0.0f);
    EXPECT_LE(head.head.phase, 1.0f);
    EXPECT_EQ(head.marker.value, 1);
    EXPECT_EQ(head.dirty.dirty, 1);
    EXPECT_EQ(head.body.linear_damping, 0.1f);
    EXPECT_EQ(head.body.angular_damping, 0.1f);

    // Every joint is held by exactly two links, and each link hangs on the piece's core of its joint type.
    std::multiset<uint32_t> ids;
    auto check_piece = [&](const PhysicsBody& body, const SpriteCoreSet& cores, const Transform& t) {
        for (const JointLink& link : body.joints) {
            ids.insert(link.joint_id);
            EXPECT_GE(link.local_anchor.x, -1.0f);
            EXPECT_LE(link.local_anchor.x, 1.0f);
            int holders = 0;
            for (const SpriteCore& core : cores.cores) {
                for (uint32_t id : core.joint_ids) {
                    holders += id == link.joint_id ? 1 : 0;
                }
            }
            EXPECT_EQ(holders, 1) << "joint " << link.joint_id;
        }
        EXPECT_EQ(body.position, t.position);
    };
    check_piece(head.body, head.cores, head.transform);
    for (const RockEntity& rock : world.list<RockEntity>().entities()) {
        check_piece(rock.body, rock.cores, rock.transform);
        EXPECT_EQ(rock.marker.value, 1);
    }
    EXPECT_EQ(ids.size(), snake.data.joints.size() * 2);
    for (uint32_t id : ids) {
        EXPECT_EQ(ids.count(id), 2u);
    }

    // The head sits at the origin plus its instance offset, its anchor at the part's attachment cell.
    const MultiSpriteInstance& head_instance = snake.data.instances[0];
    ASSERT_EQ(head_instance.type, 1u);
    EXPECT_EQ(head.transform.position, origin + head_instance.position);
    const MultiSpriteJoint& first = snake.data.joints[0];
    const AttachmentPoint& point =
        snake.data.sprites[static_cast<size_t>(snake.data.instances[static_cast<size_t>(first.instance_0)].sprite)]
            .attachment_points[static_cast<size_t>(first.attachment_0)];
    const SpriteGrid& grid = head.sprite.grid();
    ASSERT_FALSE(head.body.joints.empty());
    EXPECT_NEAR(head.body.joints[0].local_anchor.x, point.r.x / static_cast<float>(grid.cells_x) * 2.0f - 1.0f, kEps);
    EXPECT_NEAR(head.body.joints[0].local_anchor.y, point.r.y / static_cast<float>(grid.cells_y) * 2.0f - 1.0f, kEps);
}

TEST_F(EntityFactoryAssets, CorePicturesArePackedOncePerSpriteAndCore) {
    world.factory.create_enemy({EnemyKindStation, {0.0f, 0.0f}, {}});
    const size_t packed = world.factory.packed_layer_count();
    const size_t writes = world.atlas.atlas().queued_write_count();
    EXPECT_GT(packed, 0u);
    EXPECT_EQ(writes, packed);
    for (int i = 0; i < 300; ++i) {
        world.factory.create_enemy({EnemyKindStation, {0.0f, 0.0f}, {}});
    }
    EXPECT_EQ(world.factory.packed_layer_count(), packed);
    EXPECT_EQ(world.atlas.atlas().queued_write_count(), writes);

    world.flush();
    const auto& stations = world.list<StationEntity>().entities();
    ASSERT_EQ(stations.size(), 301u);
    for (size_t c = 0; c < stations[0].cores.cores.size(); ++c) {
        EXPECT_EQ(stations[300].cores.cores[c].uv_offset, stations[0].cores.cores[c].uv_offset);
        EXPECT_EQ(stations[300].cores.cores[c].width, stations[0].cores.cores[c].width);
    }
}

TEST_F(EntityFactoryAssets, CorePicturesLandInTheAtlasTextureAndArePackedAgainForANewTexture) {
    RenderContextOpenGL& gl = test_support::gl_context();
    world.atlas.create(gl);
    world.factory.create_enemy({EnemyKindStation, {0.0f, 0.0f}, {}});
    world.flush();
    const SpriteAsset& asset = world.assets.get_by_name<SpriteAsset>("Enemy/Station");
    const SpriteCoreSet& cores = world.list<StationEntity>().entities()[0].cores;
    ASSERT_EQ(cores.cores.size(), asset.cores.size());
    const size_t packed = world.factory.packed_layer_count();
    ASSERT_GT(packed, 0u);
    world.atlas.update(gl);

    const std::vector<uint8_t> texels =
        test_support::read_texture_rgba8(gl.texture_record(world.atlas.handle()).id, 1024, 1024);
    for (size_t c = 0; c < cores.cores.size(); ++c) {
        const SpriteCore& core = cores.cores[c];
        if (core.width == 0) {
            continue;
        }
        SCOPED_TRACE(c);
        EXPECT_EQ(core.width, static_cast<uint32_t>(asset.cores[c].width));
        EXPECT_EQ(core.height, static_cast<uint32_t>(asset.cores[c].height));
        EXPECT_FLOAT_EQ(core.uv_size.x, static_cast<float>(core.width) / 1024.0f);
        // Every texel of the picture holds the core's colour at that place.
        const auto x0 = static_cast<uint32_t>(core.uv_offset.x * 1024.0f + 0.5f);
        const auto y0 = static_cast<uint32_t>(core.uv_offset.y * 1024.0f + 0.5f);
        for (uint32_t y = 0; y < core.height; ++y) {
            for (uint32_t x = 0; x < core.width; ++x) {
                uint32_t texel = 0;
                std::memcpy(&texel, &texels[((size_t{y0} + y) * 1024 + x0 + x) * 4], 4);
                ASSERT_EQ(texel, asset.cores[c].color[size_t{y} * core.width + x]) << x << "," << y;
            }
        }
    }

    // A render restart gives the atlas a new texture whose packing starts afresh: the pictures go in again.
    world.atlas.destroy(gl);
    world.atlas.create(gl);
    EXPECT_EQ(world.atlas.atlas().queued_write_count(), 0u);
    world.factory.create_enemy({EnemyKindStation, {0.0f, 0.0f}, {}});
    EXPECT_EQ(world.atlas.atlas().queued_write_count(), packed);
    world.atlas.destroy(gl);
}

TEST_F(EntityFactoryAssets, ItemsDrawTheirSpinDampingAndSpeedInOrder) {
    const std::vector<float> r = floats_after_reseed(3);
    world.factory.create_item({{1.0f, 1.0f}, {3.0f, 4.0f}, ItemKindCore});
    world.flush();
    const ItemEntity& core = world.list<ItemEntity>().entities()[0];
    EXPECT_EQ(core.kind, ItemKindCore);
    EXPECT_EQ(core.position, glm::vec2(1.0f, 1.0f));
    EXPECT_EQ(core.angle, 0.0f);
    EXPECT_NEAR(core.angular_velocity, r[0] * 80.0f - 40.0f, kEps);
    EXPECT_NEAR(core.damping, r[1] * 0.2f, kEps);
    const float speed = r[2] * 2.0f + 4.0f;
    EXPECT_NEAR(core.velocity.x, 0.6f * speed, kEps);
    EXPECT_NEAR(core.velocity.y, 0.8f * speed, kEps);
    EXPECT_EQ(core.target, kInvalidEntityId);
    EXPECT_EQ(core.capture_position, glm::vec2(0.0f));
    EXPECT_EQ(core.attraction_delay, 0.6f);
    EXPECT_EQ(core.attraction_timer, 0.0f);
    EXPECT_EQ(core.flight_duration, 1.0f);
    EXPECT_EQ(core.flight_timer, 0.0f);
    EXPECT_EQ(core.life, 15.0f);
    EXPECT_EQ(core.attraction_radius, 1.0f);
}

TEST_F(EntityFactoryAssets, ItemVelocityByKind) {
    struct Case {
        uint32_t kind;
        glm::vec2 requested;
        glm::vec2 expected;
        float damping_lo, damping_hi;
    };
    const Case cases[] = {
        // A core asked to rest does not divide by a zero length.
        {ItemKindCore, {0.0f, 0.0f}, {0.0f, 0.0f}, 0.0f, 0.2f},
        {ItemKindHealth, {-2.0f, 5.0f}, {-2.0f, 5.0f}, 3.0f, 10.0f},
        {7, {1.0f, 1.0f}, {1.0f, 1.0f}, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        world.factory.create_item({{0.0f, 0.0f}, c.requested, c.kind});
    }
    world.flush();
    const auto& items = world.list<ItemEntity>().entities();
    ASSERT_EQ(items.size(), std::size(cases));
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].kind, cases[i].kind);
        EXPECT_EQ(items[i].velocity, cases[i].expected);
        EXPECT_TRUE(std::isfinite(items[i].velocity.x));
        EXPECT_GE(items[i].damping, cases[i].damping_lo);
        EXPECT_LE(items[i].damping, cases[i].damping_hi);
    }
}

TEST_F(EntityFactoryAssets, BulletsFromAFixedShot) {
    const std::vector<float> r = floats_after_reseed(1);
    WeaponShot shot;
    shot.props = WeaponProps::default_cannon().bullet;
    shot.position = {1.0f, 2.0f};
    shot.direction = {0.0f, -1.0f};
    shot.holder_velocity = {9.0f, 9.0f};
    shot.owner = EntityId{3, 4, 5};
    world.factory.create_bullet(shot);
    world.flush();
    const BulletEntity& b = world.list<BulletEntity>().entities()[0];
    EXPECT_EQ(b.owner, shot.owner);
    EXPECT_EQ(b.position, shot.position);
    EXPECT_EQ(b.velocity, glm::vec2(0.0f, -28.0f));
    EXPECT_EQ(b.life, 5.0f);
    EXPECT_EQ(b.hits_left, 8);
    EXPECT_EQ(b.hits_total, 8);
    EXPECT_EQ(b.fork_chance, 0.1f);
    EXPECT_NEAR(b.curve_sign, r[0] * 2.0f - 1.0f, kEps);
    EXPECT_EQ(b.curve_strength, 100.0f);
    EXPECT_EQ(b.strength, 1.0f);
    EXPECT_EQ(b.trail_width, 0.015625f);
    EXPECT_EQ(b.trail_color, 0xFFE6E6E6u);
    EXPECT_EQ(b.last_hit, kInvalidEntityId);
    EXPECT_EQ(b.dying, 0);
    EXPECT_TRUE(b.touched.empty());
    ASSERT_EQ(b.trail.points().size(), 1u);
    EXPECT_EQ(b.trail.points()[0].position, shot.position);
    EXPECT_EQ(b.trail.points()[0].color, 0xFFE6E6E6u);
    EXPECT_EQ(b.trail.settings().max_points, 100);
    EXPECT_EQ(b.trail.settings().max_length, 0.8f);
}

TEST_F(EntityFactoryAssets, BulletsFromARangedShotDrawSpeedLifeThenCurve) {
    const std::vector<float> r = floats_after_reseed(3);
    WeaponShot shot;
    shot.props = bullet_preset_shrapnel_b();
    shot.direction = {1.0f, 0.0f};
    world.factory.create_bullet(shot);
    world.flush();
    const BulletEntity& b = world.list<BulletEntity>().entities()[0];
    EXPECT_NEAR(b.velocity.x, r[0] * 2.0f + 4.0f, kEps);
    EXPECT_NEAR(b.life, r[1] * 2.0f + 1.5f, kEps);
    EXPECT_NEAR(b.curve_sign, r[2] * 2.0f - 1.0f, kEps);
    EXPECT_EQ(b.hits_total, 32);
}

// Hand-made sprites, where the exact placement can be worked out by hand.
class EntityFactoryShapes : public ::testing::Test {
protected:
    static SpriteAsset named(SpriteAsset asset, const std::string& name, uint8_t id) {
        asset.metadata.name = name;
        asset.metadata.uuid.fill(id);
        return asset;
    }
};

TEST_F(EntityFactoryShapes, EnemyWithOffCenterCellsLandsWithItsCenterOfMassOnTheRequest) {
    // 2 x 2 chunks; only the lower-left chunk is filled, plus a 2 x 2 Core in its corner.
    SpriteAsset bomb = test_support::make_asset_from(64, 64, [](int32_t x, int32_t y) -> uint16_t {
        if (x < 2 && y < 2) {
            return type_flags(2);
        }
        return x < 32 && y < 32 ? type_flags(1) : type_flags(0);
    });
    bomb.cores.push_back(test_support::core_from_cells(bomb, 2));
    AssetPackage package;
    package.sprites.m_assets.push_back(named(bomb, "Enemy/Bomb", 1));
    GameWorld world(std::move(package));

    world.factory.create_enemy({EnemyKindBomb, {3.0f, 4.0f}, {}});
    world.flush();
    const BombEntity& e = world.list<BombEntity>().entities().at(0);
    // Mean cell (15.5, 15.5): local centre ((15.5 + 0.5) / 64) * 2 - 1 = -0.5 on both axes; scale (1, 1).
    EXPECT_EQ(e.transform.scale, glm::vec2(1.0f, 1.0f));
    EXPECT_NEAR(e.transform.position.x, 3.5f, kEps);
    EXPECT_NEAR(e.transform.position.y, 4.5f, kEps);
    EXPECT_EQ(e.body.position, e.transform.position);
    ASSERT_EQ(e.cores.cores.size(), 1u);
    EXPECT_EQ(e.cores.cores[0].initial_cell_count, 4);
    EXPECT_EQ(e.cores.cores[0].width, 2u);
    EXPECT_EQ(e.cores.has_core, 1);
}

TEST_F(EntityFactoryShapes, JointWithoutACoreOfItsTypeStillLinksBothBodies) {
    // Piece A has a Joint2 knob but no core record for it; piece B has a Joint2 core.
    auto knob_piece = [](int32_t x, int32_t y) -> uint16_t {
        if (x >= 30 && y >= 15 && y < 17) {
            return type_flags(8);
        }
        return x >= 4 && x < 30 && y >= 4 && y < 28 ? type_flags(1) : type_flags(0);
    };
    SpriteAsset a = named(test_support::make_asset_from(32, 32, knob_piece), "piece/a", 1);
    SpriteAsset b = named(test_support::make_asset_from(32, 32, knob_piece), "piece/b", 2);
    b.cores.push_back(test_support::core_from_cells(b, 8));
    ASSERT_EQ(b.cores[0].initialCellCount, 4);

    MultiSpriteAsset multi;
    multi.metadata.name = "pair";
    multi.data.sprites = {{"piece/a", {{8, {31.0f, 16.0f}}}}, {"piece/b", {{8, {0.0f, 16.0f}}}}};
    multi.data.instances = {{0, {0.0f, 0.0f}, 0.0f, 0}, {1, {1.0f, 0.0f}, 0.0f, 0}};
    multi.data.joints = {{0, 1, 0, 0}};

    AssetPackage package;
    package.sprites.m_assets = {a, b};
    GameWorld world(std::move(package));
    world.factory.create_multi_sprite({10.0f, 0.0f}, multi);
    world.flush();

    const auto& rocks = world.list<RockEntity>().entities();
    ASSERT_EQ(rocks.size(), 2u);
    ASSERT_EQ(rocks[0].body.joints.size(), 1u);
    ASSERT_EQ(rocks[1].body.joints.size(), 1u);
    const uint32_t id = rocks[0].body.joints[0].joint_id;
    EXPECT_EQ(rocks[1].body.joints[0].joint_id, id);
    EXPECT_EQ(rocks[0].body.joints[0].local_anchor, glm::vec2(31.0f / 32.0f * 2.0f - 1.0f, 0.0f));
    EXPECT_EQ(rocks[1].body.joints[0].local_anchor, glm::vec2(-1.0f, 0.0f));
    EXPECT_TRUE(rocks[0].cores.cores.empty());
    ASSERT_EQ(rocks[1].cores.cores.size(), 1u);
    EXPECT_EQ(rocks[1].cores.cores[0].joint_ids, std::vector<uint32_t>{id});
    EXPECT_EQ(rocks[0].transform.position, glm::vec2(10.0f, 0.0f));
    EXPECT_EQ(rocks[1].transform.position, glm::vec2(11.0f, 0.0f));
    EXPECT_EQ(rocks[0].body.linear_damping, 0.1f);

    // A joint naming an instance that does not exist is skipped, not followed out of bounds.
    multi.data.joints = {{0, 5, 0, 0}};
    world.factory.create_multi_sprite({0.0f, 0.0f}, multi);
    world.flush();
    ASSERT_EQ(world.list<RockEntity>().size(), 4u);
    EXPECT_TRUE(world.list<RockEntity>().entities()[2].body.joints.empty());
}

TEST_F(EntityFactoryShapes, InstanceTypesOtherThanSegmentAndHeadCreateNothing) {
    SpriteAsset a = named(test_support::make_rect_asset(32, 32, 0, 0, 8, 8, type_flags(1)), "piece/a", 1);
    MultiSpriteAsset multi;
    multi.data.sprites = {{"piece/a", {}}};
    multi.data.instances = {{0, {}, 0.0f, 0}, {0, {}, 0.0f, 1}, {0, {}, 0.0f, 2}};
    AssetPackage package;
    package.sprites.m_assets = {a};
    GameWorld world(std::move(package));
    world.factory.create_multi_sprite({}, multi);
    world.flush();
    EXPECT_EQ(world.list<RockEntity>().size(), 1u);
    EXPECT_EQ(world.list<SnakeHeadEntity>().size(), 1u);
}

} // namespace
