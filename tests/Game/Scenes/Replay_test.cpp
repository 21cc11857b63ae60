// A recorded run of the real game scene plays back to the same world. The engine runs with its window on the
// offscreen driver, a clock that takes 1/60 s a frame and its thread pool started with 16 threaded workers; about 400
// frames of scripted platform events (WASD flight, mouse aim and wheel, the left button shooting into "hello", Escape
// pausing and unpausing) go through the engine's own event polling and capture. An explosion inside "hello" throws
// shrapnel bullets through the entity factory at the start of the run: the bullets knock cells out of the ring and the
// ship, and the sprites collide on the pool. The run is written to "recording.bin", read back and played; the
// world (entity counts per list, body poses, cell counts, the next random draw) must equal the recorded one
// after every frame, and again after stepping back five records and forward five. A second run adds the test
// bed's enemies: the base, the station and a fighter, which fires its laser. A third drags the view with the right
// button (the editor camera, which moves in rendered frames only) while the ship aims and shoots through it. A
// fourth is played back in a window of another shape.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <SDL.h>
#include <fmt/format.h>
#include <gtest/gtest.h>

#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Recording.h"
#include "Engine/EntityPool.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Engine/Random.h"
#include "Engine/ThreadPool.h"
#include "Engine/TypeId.h"
#include "Game/Entities/BulletEntity.h"
#include "Game/Entities/EnemyEntities.h"
#include "Game/Entities/PlayerEntity.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Ai/ExplosionEvent.h"
#include "Game/Weapons/WeaponProps.h"
#include "GameSceneFixture.h"
#include "Support/GlContext.h"
#include "Support/InputEvents.h"
#include "Support/SceneHarness.h"

using namespace test_support;

namespace {

constexpr uint32_t kFrames = 400;
// With enemies: the run goes on until the station has launched and the fighter has fired a few times.
constexpr uint32_t kEnemyFrames = 600;

struct World {
    std::map<std::string, size_t> counts;
    std::vector<uint32_t> bits; // every body's pose, velocities and cell count, list by list
    uint32_t next_draw = 0;
    size_t bodies = 0;
    uint64_t cells = 0;
    std::vector<uint32_t> camera; // the scene camera's position and size: the ship's aim is read through it

    bool operator==(const World&) const = default;
};

void push(std::vector<uint32_t>& bits, float v) { bits.push_back(std::bit_cast<uint32_t>(v)); }

World capture(GameScene& scene) {
    World w;
    EntityPool& pool = scene.entity_pool();
    for (const auto& list : pool.lists()) {
        w.counts[std::string(list->name())] = list->size();
    }
    for (auto row : EntityViewOf<Transform, PhysicsBody, Sprite>(pool)) {
        const Transform& t = row.get<Transform>();
        const PhysicsBody& b = row.get<PhysicsBody>();
        for (float v : {t.position.x, t.position.y, t.angle, b.position.x, b.position.y, b.angle, b.linear_velocity.x,
                        b.linear_velocity.y, b.angular_velocity}) {
            push(w.bits, v);
        }
        const uint32_t cells = static_cast<uint32_t>(row.get<Sprite>().active_cell_count());
        w.bits.push_back(cells);
        w.cells += cells;
        w.bodies += 1;
    }
    const Camera& view = scene.camera();
    for (float v : {view.position.x, view.position.y, view.size, view.aspect}) {
        push(w.camera, v);
    }
    // From a copy, so the run itself is not disturbed.
    std::mt19937 next = random_generator();
    w.next_draw = next();
    return w;
}

std::string describe(const World& w) {
    std::string counts;
    for (const auto& [name, n] : w.counts) {
        counts += fmt::format("{}={} ", name, n);
    }
    return fmt::format("{}bodies={} cells={} next_draw={} camera=({}, {}) size={}", counts, w.bodies, w.cells,
                       w.next_draw, std::bit_cast<float>(w.camera.at(0)), std::bit_cast<float>(w.camera.at(1)),
                       std::bit_cast<float>(w.camera.at(2)));
}

// The scripted input of frame i, pushed into the platform's queue before the frame polls it. With `panning` the
// right button is held from frame 20 to 220 while the mouse circles, so the editor camera pans and (one wheel
// notch) zooms the view the aim is read through.
std::vector<SDL_Event> script(uint32_t i, bool panning = false) {
    std::vector<SDL_Event> events;
    const auto key = [&](SDL_Scancode code, uint32_t down, uint32_t up) {
        if (i == down) {
            events.push_back(key_event(code, true));
        }
        if (i == up) {
            events.push_back(key_event(code, false));
        }
    };
    key(SDL_SCANCODE_W, 10, 90);
    key(SDL_SCANCODE_A, 60, 140);
    key(SDL_SCANCODE_S, 150, 230);
    key(SDL_SCANCODE_D, 200, 330);
    // Escape pauses at 240 and unpauses at 280; each press is held over several frames.
    key(SDL_SCANCODE_ESCAPE, 240, 246);
    key(SDL_SCANCODE_ESCAPE, 280, 286);
    // The aim circles the ship, with the left button held three times: first from the start, while the ship is
    // still inside the ring of "hello", so its shots bite into it.
    const bool shooting = (i > 2 && i < 45) || (i > 100 && i < 170) || (i > 300 && i < 360);
    const bool right_held = panning && i > 20 && i < 220;
    if (panning && (i == 20 || i == 220)) {
        events.push_back(mouse_button_event(SDL_BUTTON_RIGHT, i == 20, 640, 360));
    }
    if (i % 3 == 0) {
        const int32_t x = 640 + static_cast<int32_t>(200.0 * std::cos(0.05 * i));
        const int32_t y = 360 + static_cast<int32_t>(200.0 * std::sin(0.05 * i));
        const uint32_t buttons = (shooting ? SDL_BUTTON_LMASK : 0u) | (right_held ? SDL_BUTTON_RMASK : 0u);
        events.push_back(mouse_motion_event(x, y, 2, -1, buttons));
    }
    if (i == 2 || i == 100 || i == 300) {
        events.push_back(mouse_button_event(SDL_BUTTON_LEFT, true, 700, 300));
    }
    if (i == 45 || i == 170 || i == 360) {
        events.push_back(mouse_button_event(SDL_BUTTON_LEFT, false, 720, 310));
    }
    if (i == 50) {
        events.push_back(mouse_wheel_event(0.0f, 1.0f));
    }
    return events;
}

// The test bed's "Load some enemies" as an event, with one fighter near the ship: published before a restart, like
// the explosion, it reaches the restarted scene at the dispatch of the run's first frame, so the recorded run and
// every play-back get the enemies at the same tick; the fighter loaded with them fires its laser within the run.
struct LoadEnemiesEvent {};

class EnemyLoader {
public:
    EnemyLoader(EventBus& bus, GameScene& scene) : m_bus(&bus), m_scene(&scene) {
        bus.subscribe<LoadEnemiesEvent>(this);
    }
    ~EnemyLoader() { m_bus->unsubscribe_all(this); }
    EnemyLoader(const EnemyLoader&) = delete;
    EnemyLoader& operator=(const EnemyLoader&) = delete;

    void handle(const LoadEnemiesEvent&) {
        create_some_enemies(*m_scene);
        m_scene->factory().create_enemy(EnemyRequest{EnemyKindFighter, {3.0f, -3.0f}, {0.0f, 0.0f}});
    }

private:
    EventBus* m_bus;
    GameScene* m_scene;
};

using Key = std::tuple<uint32_t, int32_t, uint32_t>;
Key key_of(EntityId id) { return {id.entity_type_id, id.index, id.generation}; }

// What the recorded run did: the ship flew, its shots bit cells, ships launched and fighters fired their lasers.
struct RunFacts {
    float farthest_flight = 0.0f;
    std::set<Key> player_bullets_that_hit;
    std::set<Key> ships; // fighters and bombs, each once
    std::set<Key> fighter_lasers;
};

void observe(GameScene& scene, RunFacts& facts) {
    EntityPool& pool = scene.entity_pool();
    for (const PlayerEntity& player : pool.list<PlayerEntity>().entities()) {
        facts.farthest_flight = std::max(facts.farthest_flight, glm::length(player.body.position));
    }
    const uint32_t laser_color = WeaponProps::ai_fighter_laser().bullet.trail_color;
    EntityListView bullets;
    pool.list<BulletEntity>().view_all(bullets);
    for (size_t k = 0; k < bullets.count(); ++k) {
        const BulletEntity& bullet = *reinterpret_cast<const BulletEntity*>(bullets.entity(k));
        if (bullet.owner.entity_type_id == entity_type_id<PlayerEntity>() && bullet.hits_left < bullet.hits_total) {
            facts.player_bullets_that_hit.insert(key_of(bullets.id(k)));
        }
        if (bullet.owner.entity_type_id == entity_type_id<FighterEntity>() && bullet.trail_color == laser_color) {
            facts.fighter_lasers.insert(key_of(bullets.id(k)));
        }
    }
    for (EntityListBase* list : {static_cast<EntityListBase*>(&pool.list<FighterEntity>()),
                                 static_cast<EntityListBase*>(&pool.list<BombEntity>())}) {
        EntityListView ships;
        list->view_all(ships);
        for (size_t k = 0; k < ships.count(); ++k) {
            facts.ships.insert(key_of(ships.id(k)));
        }
    }
}

class Replay : public ::testing::Test {
protected:
    void SetUp() override {
        use_offscreen_video_driver();
        engine = std::make_unique<Engine>(fixed_clock_window_config());
        scene = std::make_shared<GameScene>();
        engine->set_scene(scene);
        engine->startup();
        ASSERT_EQ(engine->thread_pool().worker_count(), 16u);
        ASSERT_EQ(engine->thread_pool().mode(), ThreadPool::kThreaded);
        for (int i = 0; i < 5; ++i) {
            engine->run_frame();
        }
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
        }
    }

    // The same start of every run: published before the restart, it reaches the restarted scene at the dispatch
    // of the run's first frame: an explosion inside "hello", and the enemies when the run has them.
    void at_start() {
        engine->event_bus().publish(ExplosionEvent{60, 30, glm::vec2(1.0f, 0.5f), glm::vec2(0.0f)});
        if (with_enemies) {
            engine->event_bus().publish(LoadEnemiesEvent{});
        }
    }

    // Records `frames` scripted frames and writes them; returns the world after every frame.
    std::vector<World> record(uint32_t frames, RunFacts& facts) {
        engine->start_recording();
        at_start();
        std::vector<World> recorded;
        for (uint32_t i = 0; i < frames; ++i) {
            for (SDL_Event& e : script(i, panning)) {
                EXPECT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
            }
            engine->run_frame();
            recorded.push_back(capture(*scene));
            observe(*scene, facts);
        }
        EXPECT_EQ(engine->records().size(), frames);
        engine->finish_recording();
        return recorded;
    }

    // Reads the file back, plays it frame by frame, then seeks five back and five forward from its end; the
    // world must equal the recorded one at every step.
    void play_back(const std::vector<World>& recorded) {
        const uint32_t frames = static_cast<uint32_t>(recorded.size());
        const World& end = recorded.back();
        std::vector<TickRecord> read;
        {
            std::ifstream in(kRecordingFile, std::ios::binary);
            const Result result = read_recording(read, in);
            ASSERT_FALSE(result.failed) << result.message;
        }
        ASSERT_EQ(read.size(), engine->records().size());
        for (size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].events, engine->records()[i].events) << "record " << i;
            EXPECT_EQ(read[i].tick.tick, engine->records()[i].tick.tick);
        }

        // Played: one record per frame, then an idle frame.
        engine->play_recording(false, 0);
        at_start();
        ASSERT_EQ(engine->recording_state(), Engine::kReplayPlaying);
        for (uint32_t i = 0; i < frames; ++i) {
            engine->run_frame();
            const World now = capture(*scene);
            ASSERT_EQ(now, recorded[i]) << "frame " << i << "\nreplayed " << describe(now) << "\nrecorded "
                                        << describe(recorded[i]);
        }
        engine->run_frame();
        EXPECT_EQ(engine->recording_state(), Engine::kRecordingIdle);
        EXPECT_EQ(capture(*scene), end);

        // Paused at the end, five steps back (each restarts and replays up to one record less), five forward.
        engine->play_recording(true, static_cast<int32_t>(frames));
        at_start();
        engine->run_frame();
        ASSERT_EQ(engine->recording_state(), Engine::kReplayPaused);
        ASSERT_EQ(engine->replay_index(), static_cast<int32_t>(frames));
        EXPECT_EQ(capture(*scene), end) << describe(capture(*scene));
        for (int step = 1; step <= 5; ++step) {
            engine->seek_recording(-1);
            at_start();
            engine->run_frame();
            ASSERT_EQ(engine->replay_index(), static_cast<int32_t>(frames) - step);
            EXPECT_EQ(capture(*scene), recorded[frames - 1 - static_cast<size_t>(step)]) << "back " << step;
        }
        for (int step = 1; step <= 5; ++step) {
            engine->seek_recording(1);
            engine->run_frame();
            EXPECT_EQ(capture(*scene), recorded[frames - 6 + static_cast<size_t>(step)]) << "forward " << step;
        }
        EXPECT_EQ(engine->replay_index(), static_cast<int32_t>(frames));
        EXPECT_EQ(capture(*scene), end);
    }

    AssetsWorkingDir dir;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<GameScene> scene;
    bool with_enemies = false;
    bool panning = false;
};

TEST_F(Replay, ARecordedRunPlaysBackToTheSameWorldAndAfterStepsBackAndForth) {
    RunFacts facts;
    const std::vector<World> recorded = record(kFrames, facts);
    ASSERT_EQ(recorded.size(), kFrames);
    EXPECT_GT(engine->total_recorded_events(), 150u);
    // The run did what the test is about: the ship flew, the shrapnel and the ship's own shots bit cells out of
    // "hello" and the ship.
    EXPECT_GT(facts.farthest_flight, 3.0f);
    EXPECT_FALSE(facts.player_bullets_that_hit.empty()) << "shots of the ship that removed cells";
    EXPECT_LT(recorded.back().cells, recorded.front().cells) << describe(recorded.back());
    play_back(recorded);
}

TEST_F(Replay, ARunWithEditorPanningPlaysBackToTheSameWorldAndAfterStepsBackAndForth) {
    panning = true;
    RunFacts facts;
    const std::vector<World> recorded = record(kFrames, facts);
    ASSERT_EQ(recorded.size(), kFrames);
    EXPECT_FALSE(facts.player_bullets_that_hit.empty()) << "shots of the ship that removed cells";
    // The drag moved the view away from where the camera alone would have put it, and zoomed it.
    EXPECT_NE(recorded.at(200).camera, recorded.at(20).camera);
    EXPECT_NE(std::bit_cast<float>(recorded.at(200).camera.at(2)), 5.0f) << "the wheel zoomed while panning";
    play_back(recorded);
}

TEST_F(Replay, ARunPlaysBackToTheSameWorldInAWindowOfAnotherShape) {
    RunFacts facts;
    const std::vector<World> recorded = record(kFrames, facts);
    EXPECT_FALSE(facts.player_bullets_that_hit.empty()) << "shots of the ship that removed cells";
    // Recorded at 1280 x 720, played in a smaller and squarer window: the aim is still read through a camera of
    // the recorded shape.
    engine->window_resized(800, 600);
    play_back(recorded);
    // Afterwards the game goes on in the live window.
    engine->stop_playing();
    engine->run_frame();
    EXPECT_EQ(scene->viewport(), (ViewportRect{0, 0, 800, 600}));
    EXPECT_EQ(engine->input().viewport(), (ViewportRect{0, 0, 800, 600}));
    EXPECT_FLOAT_EQ(scene->camera().aspect, 800.0f / 600.0f);
}

TEST_F(Replay, ARunWithEnemiesPlaysBackToTheSameWorld) {
    with_enemies = true;
    EnemyLoader loader(engine->event_bus(), *scene);
    RunFacts facts;
    const std::vector<World> recorded = record(kEnemyFrames, facts);
    ASSERT_EQ(recorded.size(), kEnemyFrames);
    // Created at the first frame's dispatch, they are in their lists from the next tick on.
    EXPECT_EQ(recorded.at(1).counts.at("BaseEntity"), 1u);
    EXPECT_EQ(recorded.at(1).counts.at("StationEntity"), 1u);
    // The station launched (after 4 s) and the fighters fired their lasers while being recorded.
    EXPECT_GE(facts.ships.size(), 2u) << "the loaded fighter and at least one launch";
    EXPECT_FALSE(facts.fighter_lasers.empty());
    play_back(recorded);
}

} // namespace
