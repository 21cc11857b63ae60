// The same input gives the same world, bit for bit, on one worker or sixteen: a pile of rocks that collide,
// split and hang on joints is stepped by the game scene once on the thread pool started with 16 threaded
// workers and once inline, and the two worlds are compared after every fixed tick.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <fmt/format.h>

#include "Common/Assets/AssetPackage.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/Engine/Systems/Sprite/SpriteDirtyFlag.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/ParallelLoop.h"
#include "Engine/Physics/JointMap.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Physics/VelocityConstraint.h"
#include "Engine/Random.h"
#include "Engine/ThreadPool.h"
#include "GameSceneFixture.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr uint32_t kTicks = 150;
// The tick at which every floor bar is cut through its middle, so the commit splits it.
constexpr uint32_t kCutTick = 30;

// Counts the contact rows the sprite physics adds in each fixed step (it runs last in Fixed).
class ContactCountSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "ContactCountSystem";

    ContactCountSystem() : SystemBase(kName) {}
    void update(const SimulationTick&) override {
        const size_t rows = scene()->constraints().size();
        contacts += rows - std::min(rows, rows_before);
    }
    size_t rows_before = 0;
    size_t contacts = 0;
};

// Counts the joints the scene tick mapped and the rope rows it added before the Fixed group (it runs first
// there), so the contact counter can tell its own rows apart.
class JointRowsSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "JointRowsSystem";

    explicit JointRowsSystem(ContactCountSystem** counter) : SystemBase(kName), m_counter(counter) {}
    void update(const SimulationTick&) override {
        SceneBase& s = *scene();
        max_joints = std::max(max_joints, s.joints().size());
        if (*m_counter != nullptr) {
            (*m_counter)->rows_before = s.constraints().size();
        }
    }
    size_t max_joints = 0;

private:
    ContactCountSystem** m_counter;
};

// Everything of one entity that the simulation writes, kept as raw bits.
struct BodyState {
    std::string list;
    EntityId id;
    std::vector<uint32_t> bits;
};

struct WorldState {
    std::vector<BodyState> bodies;
    uint32_t next_draw = 0;
    size_t constraints = 0;
};

void push(std::vector<uint32_t>& bits, float v) { bits.push_back(std::bit_cast<uint32_t>(v)); }

WorldState capture(GameScene& scene) {
    WorldState state;
    EntityPool& pool = scene.entity_pool();
    for (auto row : EntityViewOf<Transform, PhysicsBody, Sprite>(pool)) {
        const Transform& t = row.get<Transform>();
        const PhysicsBody& b = row.get<PhysicsBody>();
        const Sprite& s = row.get<Sprite>();
        BodyState body;
        body.list = pool.list_of(row.id()).name();
        body.id = row.id();
        for (const float v :
             {t.position.x, t.position.y, t.angle, b.position.x, b.position.y, b.angle, b.linear_velocity.x,
              b.linear_velocity.y, b.angular_velocity, b.center_of_mass.x, b.center_of_mass.y}) {
            push(body.bits, v);
        }
        body.bits.push_back(static_cast<uint32_t>(s.active_cell_count()));
        body.bits.push_back(static_cast<uint32_t>(b.joints.size()));
        state.bodies.push_back(std::move(body));
    }
    // The next draw of the global generator, taken from a copy so that the run itself is not disturbed.
    std::mt19937 next = random_generator();
    state.next_draw = next();
    return state;
}

std::string difference(const WorldState& a, const WorldState& b) {
    if (a.next_draw != b.next_draw) {
        return fmt::format("next random draw {} against {}", a.next_draw, b.next_draw);
    }
    if (a.bodies.size() != b.bodies.size()) {
        return fmt::format("{} bodies against {}", a.bodies.size(), b.bodies.size());
    }
    for (size_t i = 0; i < a.bodies.size(); ++i) {
        const BodyState& x = a.bodies[i];
        const BodyState& y = b.bodies[i];
        if (x.list != y.list || !(x.id == y.id)) {
            return fmt::format("body {} is {} in one world and {} in the other", i, x.list, y.list);
        }
        for (size_t k = 0; k < x.bits.size(); ++k) {
            if (x.bits[k] != y.bits[k]) {
                return fmt::format("{} {} (index {}) differs in field {}: {:#010x} against {:#010x}", x.list, i,
                                   x.id.index, k, x.bits[k], y.bits[k]);
            }
        }
    }
    return {};
}

// The pile: rows of chunks falling together, two spinning floor bars, shapes thrown into it and a snake.
void build_pile(GameScene& scene) {
    EntityFactory& factory = scene.factory();
    const AssetPackage& assets = scene.assets();
    const auto rock = [&](const char* name, glm::vec2 position, glm::vec2 velocity, float angle, float spin) {
        RockRequest r;
        r.sprite = assets.get_id_by_name<SpriteAsset>(name);
        r.position = position;
        r.velocity = velocity;
        r.angle = angle;
        r.angular_velocity = spin;
        factory.create_rock(r);
    };
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const glm::vec2 p(static_cast<float>(x) * 1.02f - 2.5f, static_cast<float>(y) * 1.02f - 2.0f);
            rock((x + y) % 3 == 0 ? "half_chunk" : "full_chunk", p, -0.8f * p, 0.05f * static_cast<float>(x), 0.0f);
        }
    }
    rock("floor", glm::vec2(0.0f, -5.0f), glm::vec2(0.0f, 3.0f), 0.0f, 0.5f);
    rock("floor", glm::vec2(0.0f, 5.0f), glm::vec2(0.0f, -3.0f), 0.1f, -0.5f);
    rock("game/shapes/star", glm::vec2(-9.0f, 0.0f), glm::vec2(12.0f, 0.5f), 0.2f, 1.0f);
    rock("game/shapes/hexagon", glm::vec2(9.0f, 0.5f), glm::vec2(-12.0f, 0.0f), 0.0f, -1.0f);
    factory.create_multi_sprite(glm::vec2(0.0f, 9.0f), assets.get_by_name<MultiSpriteAsset>("snake"));
    scene.entity_pool().flush();
}

// Removes one full column of cells through the middle of every floor bar.
void cut_floors(GameScene& scene) {
    for (RockEntity& r : scene.entity_pool().list<RockEntity>().entities()) {
        const SpriteGrid& grid = r.sprite.grid();
        if (grid.chunks_x < 4) {
            continue;
        }
        const auto x = static_cast<int32_t>(grid.cells_x / 2);
        for (int32_t y = 0; y < static_cast<int32_t>(grid.cells_y); ++y) {
            const ChunkCell cell = grid.to_chunk_cell(x, y);
            r.sprite.remove_cell(cell.chunk, cell.cell);
        }
        r.dirty.dirty = 1;
    }
}

struct SteppedWorld {
    explicit SteppedWorld(PoolMode mode) {
        f.engine.thread_pool().init(16, mode);
        // The joint rows come first in Fixed, as the scene tick adds them before the groups run.
        joint_rows = &f.scene->register_system<JointRowsSystem>(SystemGroup::Fixed, &contact_count);
        joint_rows->attach(*f.scene);
        const uint64_t last = f.scene->systems()[SystemGroup::Fixed].size() - 1;
        EXPECT_TRUE(f.scene->move_system(SystemMovePayload{SystemGroup::Fixed, last}, SystemGroup::Fixed, 0));
        contact_count = &f.scene->register_system<ContactCountSystem>(SystemGroup::Fixed);
        contact_count->attach(*f.scene);
        random_seed(5489u);
        build_pile(*f.scene);
    }
    ~SteppedWorld() { f.engine.thread_pool().shutdown(); }
    SteppedWorld(const SteppedWorld&) = delete;
    SteppedWorld& operator=(const SteppedWorld&) = delete;

    void tick() {
        if (f.ticks + 1 == kCutTick) {
            cut_floors(*f.scene);
        }
        f.tick(kDt, true);
    }

    GameSceneFixture f;
    JointRowsSystem* joint_rows = nullptr;
    ContactCountSystem* contact_count = nullptr;
};

} // namespace

TEST(Determinism, SixteenThreadedWorkersStepTheSameWorldAsInline) {
    std::vector<WorldState> inline_states;
    size_t inline_rocks_before_cut = 0;
    size_t inline_rocks_after = 0;
    size_t inline_joints = 0;
    size_t inline_contacts = 0;
    {
        SteppedWorld run(PoolMode::Inline);
        ASSERT_EQ(run.f.engine.thread_pool().worker_count(), 0u);
        // The collision's loops run inline on this pool.
        PoolLoop loop(run.f.engine.thread_pool(), 64);
        ASSERT_NE(dynamic_cast<InlineLoop*>(&loop.loop()), nullptr);
        for (uint32_t i = 0; i < kTicks; ++i) {
            if (i + 1 == kCutTick) {
                inline_rocks_before_cut = run.f.scene->entity_pool().list<RockEntity>().size();
            }
            run.tick();
            inline_states.push_back(capture(*run.f.scene));
        }
        inline_rocks_after = run.f.scene->entity_pool().list<RockEntity>().size();
        inline_joints = run.joint_rows->max_joints;
        inline_contacts = run.contact_count->contacts;
    }
    // The scenario must exercise what it claims: contacts, split pieces and joints.
    EXPECT_GT(inline_contacts, 100u);
    EXPECT_GT(inline_rocks_after, inline_rocks_before_cut);
    EXPECT_GT(inline_joints, 0u);

    SteppedWorld run(PoolMode::Threaded);
    ASSERT_EQ(run.f.engine.thread_pool().worker_count(), 16u);
    // And threaded on this one, where the machine has cores for helpers.
    if (loop_threads(run.f.engine.thread_pool()) > 1) {
        PoolLoop loop(run.f.engine.thread_pool(), 64);
        ASSERT_NE(dynamic_cast<ThreadedLoop*>(&loop.loop()), nullptr);
    }
    for (uint32_t i = 0; i < kTicks; ++i) {
        run.tick();
        const std::string diff = difference(inline_states[i], capture(*run.f.scene));
        ASSERT_TRUE(diff.empty()) << "fixed tick " << i + 1 << ": " << diff;
    }
}
