#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <imgui.h>

#include "Support/HeadlessGui.h"
#include "Support/Launcher.h"
#include "TestScene.h"

using namespace engine_test;

namespace {

std::vector<SystemSpec> one_per_group() {
    return {{"pre", SystemGroup::PreTick},
            {"tick", SystemGroup::Tick},
            {"fixed", SystemGroup::Fixed},
            {"post", SystemGroup::PostFixed},
            {"after", SystemGroup::AfterFixed},
            {"render", SystemGroup::Render},
            {"ui", SystemGroup::EditorUi},
            {"unused", SystemGroup::Unused},
            {"unused_render", SystemGroup::UnusedRender},
            {"tick2", SystemGroup::Tick}};
}

Log only(const Log& log, std::string_view suffix) {
    Log out;
    for (const std::string& line : log) {
        if (line.ends_with(suffix)) {
            out.push_back(line);
        }
    }
    return out;
}

struct SceneFixture : ::testing::Test {
    Log log;
    Engine engine{windowless_config()};
    TestScene scene{&log, one_per_group()};
};

TEST_F(SceneFixture, AttachesByGroupOrderAtStartAndRenderGroupsAtStartOfRendering) {
    scene.start(engine);
    EXPECT_EQ(only(log, ":attach"), (Log{"pre:attach", "tick:attach", "tick2:attach", "fixed:attach", "post:attach",
                                         "after:attach", "ui:attach", "unused:attach"}));
    log.clear();
    scene.start_rendering();
    EXPECT_EQ(log, (Log{"scene:start_rendering", "render:attach", "unused_render:attach"}));
    scene.stop();
}

// A GUI context without a back end, for one frame of editor UI.
struct GuiFrame {
    HeadlessGui gui;
    GuiFrame() { ImGui::NewFrame(); }
    ~GuiFrame() { ImGui::Render(); }
};

struct TickCase {
    std::string name;
    bool run_tick;
    bool fixed;
    Log engine_tick; // updates of engine_tick
};

class GroupRunRules : public ::testing::TestWithParam<TickCase> {};

TEST_P(GroupRunRules, RunsTheGroupsOfTheTickKind) {
    const TickCase& c = GetParam();
    Log log;
    Engine engine{windowless_config()};
    TestScene scene{&log, one_per_group()};
    scene.start(engine);
    scene.start_rendering();
    SimulationTick tick;
    tick.run_simulation_tick = c.run_tick ? 1 : 0;
    tick.run_simulation_tick_fixed = c.fixed ? 1 : 0;

    log.clear();
    scene.engine_tick(tick);
    EXPECT_EQ(log, c.engine_tick);
    log.clear();
    {
        GuiFrame gui;
        scene.editor_ui(tick);
    }
    EXPECT_EQ(log, (Log{"ui:update", "scene:editor_ui"}));
    scene.stop();
}

INSTANTIATE_TEST_SUITE_P(
    Scene, GroupRunRules,
    ::testing::Values(
        TickCase{"VariableTick", true, false, {"scene:tick", "tick:update", "tick2:update", "after:update"}},
        TickCase{"FixedTick",
                 true,
                 true,
                 {"scene:tick", "tick:update", "tick2:update", "fixed:update", "post:update", "after:update"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(SceneFixture, StopDestroysSystemsAfterHandlersThenRunsTheHook) {
    scene.start(engine);
    scene.start_rendering();
    log.clear();
    scene.stop();
    scene.stop_rendering();
    Log expected;
    for (const char* name :
         {"pre", "tick", "tick2", "fixed", "post", "after", "render", "ui", "unused", "unused_render"}) {
        expected.push_back(fmt::format("{}:destroy", name));
    }
    expected.push_back("scene:stop");
    expected.push_back("scene:stop_rendering");
    EXPECT_EQ(log, expected);
    for (const auto& group : scene.systems()) {
        EXPECT_TRUE(group.empty());
    }
}

TEST_F(SceneFixture, NeverAttachedRenderSystemsAreDestroyedSafely) {
    // Windowless runs never start rendering, so Render systems keep a null scene until they go.
    scene.start(engine);
    ASSERT_FALSE(scene.systems()[SystemGroup::Render].front()->attached());
    scene.stop();
    EXPECT_NE(std::find(log.begin(), log.end(), "render:destroy"), log.end());
}

std::vector<std::string> names_of(const SceneBase& scene, uint32_t group) {
    std::vector<std::string> names;
    for (const auto& s : scene.systems()[group]) {
        names.emplace_back(s->name());
    }
    return names;
}

TEST_F(SceneFixture, TransitionMovesToTheEndOfTheTargetGroupAndBack) {
    scene.start(engine);
    testing::internal::CaptureStdout();
    scene.transition_system("tick", SystemGroup::Unused);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Transitioning system tick"), std::string::npos) << out;
    EXPECT_NE(out.find("Move from group Tick to Unused"), std::string::npos) << out;
    EXPECT_EQ(names_of(scene, SystemGroup::Tick), (std::vector<std::string>{"tick2"}));
    EXPECT_EQ(names_of(scene, SystemGroup::Unused), (std::vector<std::string>{"unused", "tick"}));
    EXPECT_EQ(scene.systems()[SystemGroup::Unused].back()->group(), SystemGroup::Unused);

    SimulationTick tick;
    tick.run_simulation_tick = 1;
    log.clear();
    scene.engine_tick(tick);
    EXPECT_EQ(only(log, ":update"), (Log{"tick2:update", "after:update"})) << "a parked system does not run";

    scene.transition_system("tick", SystemGroup::Tick);
    EXPECT_EQ(names_of(scene, SystemGroup::Tick), (std::vector<std::string>{"tick2", "tick"}));
    EXPECT_EQ(scene.systems()[SystemGroup::Tick].back()->group(), SystemGroup::Tick);
    log.clear();
    scene.engine_tick(tick);
    EXPECT_EQ(only(log, ":update"), (Log{"tick2:update", "tick:update", "after:update"}));
    scene.stop();
}

TEST_F(SceneFixture, TransitionFailsForUnknownNamesAndSystemsAlreadyInTheTarget) {
    scene.start(engine);
    for (const char* name : {"missing", "after"}) {
        testing::internal::CaptureStdout();
        scene.transition_system(name, SystemGroup::AfterFixed);
        std::string out = testing::internal::GetCapturedStdout();
        // Red (level 5) scene line.
        EXPECT_NE(out.find("\x1b[31m[Scene]"), std::string::npos) << out;
        EXPECT_NE(out.find("Failed to transition system, not found"), std::string::npos) << out;
    }
    EXPECT_EQ(names_of(scene, SystemGroup::AfterFixed), (std::vector<std::string>{"after"}));
    scene.stop();
}

TEST_F(SceneFixture, GroupsOutsideTheTableAreRejected) {
    scene.start(engine);
    EXPECT_THROW(scene.transition_system("tick", 9), std::out_of_range);
    EXPECT_THROW(scene.transition_system("tick", -1), std::out_of_range);
    EXPECT_EQ(names_of(scene, SystemGroup::Tick), (std::vector<std::string>{"tick", "tick2"})) << "nothing moved";
    EXPECT_THROW(scene.register_system<LoggingSystem>(9, "bad", &log), std::out_of_range);
    EXPECT_EQ(std::find(log.begin(), log.end(), "bad:destroy"), log.end()) << "nothing was constructed";
    scene.stop();
}

TEST_F(SceneFixture, TransitionEventMovesTheSystemAtDispatch) {
    scene.start(engine);
    engine.event_bus().publish(TransitionSystemEvent{"fixed", SystemGroup::Unused});
    EXPECT_EQ(names_of(scene, SystemGroup::Fixed), (std::vector<std::string>{"fixed"}));
    engine.event_bus().dispatch();
    EXPECT_TRUE(scene.systems()[SystemGroup::Fixed].empty());
    EXPECT_EQ(names_of(scene, SystemGroup::Unused), (std::vector<std::string>{"unused", "fixed"}));
    scene.stop();
}

struct PauseListener {
    std::vector<int> seen;
    void handle(const PauseChangedEvent& e) { seen.push_back(e.paused); }
};

TEST_F(SceneFixture, PauseRequestsToggleOrSetAndAlwaysAnnounce) {
    scene.start(engine);
    PauseListener listener;
    engine.event_bus().subscribe<PauseChangedEvent>(&listener);
    EventBus& bus = engine.event_bus();
    bus.publish(PauseRequestEvent{0, 1});
    bus.dispatch();
    EXPECT_TRUE(scene.paused());
    bus.publish(PauseRequestEvent{0, 1});
    bus.publish(PauseRequestEvent{1, 0});
    bus.publish(PauseRequestEvent{1, 0});
    bus.publish(PauseRequestEvent{0, 0});
    bus.dispatch();
    EXPECT_FALSE(scene.paused());
    EXPECT_EQ(listener.seen, (std::vector<int>{1, 0, 1, 1, 0}));
    scene.stop();
    bus.unsubscribe_all(&listener);
}

TEST_F(SceneFixture, AStartClearsThePauseLeftByTheLastRun) {
    scene.start(engine);
    engine.event_bus().publish(PauseRequestEvent{1, 0});
    engine.event_bus().dispatch();
    ASSERT_TRUE(scene.paused());
    scene.stop();
    scene.start(engine);
    EXPECT_FALSE(scene.paused()) << "a restart (reload, recording, play-back) begins unpaused";
    scene.stop();
}

TEST_F(SceneFixture, ViewportEventsReplaceTheViewport) {
    scene.start(engine);
    EXPECT_EQ(scene.viewport(), (ViewportRect{0, 0, 400, 400}));
    engine.event_bus().publish(ViewportResizedEvent{{10, 20, 640, 360}});
    engine.event_bus().dispatch();
    EXPECT_EQ(scene.viewport(), (ViewportRect{10, 20, 640, 360}));
    scene.stop();
}

// A system that subscribes when attached and never unsubscribes itself.
class SubscribingSystem : public SystemBase {
public:
    SubscribingSystem() : SystemBase("subscriber") {}
    void on_attach(SceneBase& scene) override { scene.event_bus().subscribe<PauseChangedEvent>(this); }
    void update(const SimulationTick&) override {}
    void handle(const PauseChangedEvent&) {}
};

struct CountingHandler : EventHandlerBase<CountingHandler, PauseChangedEvent, ViewportResizedEvent> {
    explicit CountingHandler(EventBus& bus) : EventHandlerBase(bus) {}
    void handle(const PauseChangedEvent&) {}
    void handle(const ViewportResizedEvent&) {}
};

class SubscribingScene : public TestScene {
public:
    using TestScene::TestScene;
    void on_start() override {
        TestScene::on_start();
        register_system<SubscribingSystem>(SystemGroup::Tick);
        register_event_handler<CountingHandler>();
    }
};

TEST(SceneSubscriptions, StopRemovesEverySubscriptionOfTheSceneItsSystemsAndHandlers) {
    Log log;
    Engine engine{windowless_config()};
    PauseListener outsider;
    EventBus& bus = engine.event_bus();
    bus.subscribe<PauseChangedEvent>(&outsider);
    SubscribingScene scene{&log};
    testing::internal::CaptureStdout();
    scene.start(engine);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Registering system subscriber for group Tick"), std::string::npos) << out;
    EXPECT_NE(out.find("Registering event handler "), std::string::npos) << out;
    EXPECT_NE(out.find("CountingHandler"), std::string::npos) << out;

    EXPECT_EQ(bus.subscriber_count<PauseChangedEvent>(), 3u);    // outsider, system, handler
    EXPECT_EQ(bus.subscriber_count<ViewportResizedEvent>(), 2u); // scene, handler
    EXPECT_EQ(bus.subscriber_count<TransitionSystemEvent>(), 1u);
    scene.stop();
    EXPECT_EQ(bus.subscriber_count<PauseChangedEvent>(), 1u) << "only the outsider stays";
    EXPECT_EQ(bus.subscriber_count<ViewportResizedEvent>(), 0u);
    EXPECT_EQ(bus.subscriber_count<TransitionSystemEvent>(), 0u);
    EXPECT_EQ(bus.subscriber_count<PauseRequestEvent>(), 0u);

    // Started again (a reload): the same object registers and subscribes anew.
    scene.start(engine);
    EXPECT_EQ(bus.subscriber_count<PauseChangedEvent>(), 3u);
    scene.stop();
    EXPECT_EQ(bus.subscriber_count<PauseChangedEvent>(), 1u);
    bus.unsubscribe_all(&outsider);
}

TEST(SystemBase, GroupNamesFollowTheTable) {
    const char* names[] = {"PreTick", "Tick",     "Fixed",  "PostFixed",    "AfterFixed",
                           "Render",  "EditorUi", "Unused", "UnusedRender", "MAX"};
    for (int32_t g = 0; g <= 9; ++g) {
        EXPECT_EQ(SystemBase::group_name(g), names[g]);
    }
    EXPECT_EQ(SystemBase::group_name(10), "Invalid");
    EXPECT_EQ(SystemBase::group_name(-1), "Invalid");
}

} // namespace

namespace {

// Runs the test body in a fresh directory, as the launcher runs in its working directory.
struct InDirectory {
    std::filesystem::path previous = std::filesystem::current_path();
    test_support::TempDir dir;
    InDirectory() { std::filesystem::current_path(dir.path()); }
    ~InDirectory() { std::filesystem::current_path(previous); }
};

TEST(SceneAssets, MissingAssetFileLeavesThePackageEmptyAndTheSceneStarts) {
    InDirectory cwd;
    Log log;
    Engine engine{windowless_config()};
    TestScene scene{&log};
    testing::internal::CaptureStdout();
    scene.start(engine);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Failed could not find file"), std::string::npos) << out;
    EXPECT_TRUE(scene.assets().sprites.m_assets.empty());
    EXPECT_TRUE(scene.assets().images.m_assets.empty());
    EXPECT_EQ(log, (Log{"scene:start"}));
    scene.stop();
}

TEST(SceneAssets, StartLoadsTheAssetFileOfTheWorkingDirectory) {
    if (!std::filesystem::exists(PELLMAR_ASSETS_BIN)) {
        GTEST_SKIP() << "no built asset file at " << PELLMAR_ASSETS_BIN;
    }
    InDirectory cwd;
    std::filesystem::copy_file(PELLMAR_ASSETS_BIN, cwd.dir.path() / "assets.bin");
    Log log;
    Engine engine{windowless_config()};
    TestScene scene{&log};
    scene.start(engine);
    EXPECT_NE(scene.assets().sprites.find_by_name("Player"), nullptr);
    scene.stop();
}

} // namespace

namespace {

struct MoveCase {
    std::string name;
    SystemMovePayload from;
    uint32_t to_group;
    size_t to_row;
    bool moved;
    std::vector<std::string> tick;   // the Tick group afterwards
    std::vector<std::string> unused; // the Unused group afterwards
};

class RowDrops : public ::testing::TestWithParam<MoveCase> {};

TEST_P(RowDrops, MoveRowsWithinAndBetweenGroups) {
    const MoveCase& c = GetParam();
    Log log;
    Engine engine{windowless_config()};
    TestScene scene{&log,
                    {{"a", SystemGroup::Tick},
                     {"b", SystemGroup::Tick},
                     {"c", SystemGroup::Tick},
                     {"x", SystemGroup::Unused},
                     {"y", SystemGroup::Unused}}};
    scene.start(engine);
    EXPECT_EQ(scene.move_system(c.from, c.to_group, c.to_row), c.moved);
    EXPECT_EQ(names_of(scene, SystemGroup::Tick), c.tick);
    EXPECT_EQ(names_of(scene, SystemGroup::Unused), c.unused);
    for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
        for (const auto& system : scene.systems()[g]) {
            EXPECT_EQ(system->group(), g) << system->name() << " keeps a group field that matches its list";
        }
    }
    scene.stop();
}

INSTANTIATE_TEST_SUITE_P(
    SceneWindow, RowDrops,
    ::testing::Values(
        MoveCase{"DownInTheSameGroup", {SystemGroup::Tick, 0}, SystemGroup::Tick, 2, true, {"b", "a", "c"}, {"x", "y"}},
        MoveCase{"UpInTheSameGroup", {SystemGroup::Tick, 2}, SystemGroup::Tick, 0, true, {"c", "a", "b"}, {"x", "y"}},
        MoveCase{"OntoItself", {SystemGroup::Tick, 1}, SystemGroup::Tick, 1, false, {"a", "b", "c"}, {"x", "y"}},
        MoveCase{"IntoAnotherGroup", {SystemGroup::Unused, 1}, SystemGroup::Tick, 1, true, {"a", "y", "b", "c"}, {"x"}},
        MoveCase{"OutOfUnused", {SystemGroup::Tick, 0}, SystemGroup::Unused, 0, true, {"b", "c"}, {"a", "x", "y"}},
        MoveCase{"PayloadGroupOutOfRange", {9, 0}, SystemGroup::Tick, 0, false, {"a", "b", "c"}, {"x", "y"}},
        MoveCase{"PayloadIndexOutOfRange",
                 {SystemGroup::Tick, 3},
                 SystemGroup::Unused,
                 0,
                 false,
                 {"a", "b", "c"},
                 {"x", "y"}},
        MoveCase{
            "HugePayloadIndex", {SystemGroup::Tick, ~0ull}, SystemGroup::Unused, 0, false, {"a", "b", "c"}, {"x", "y"}},
        MoveCase{
            "TargetRowOutOfRange", {SystemGroup::Tick, 0}, SystemGroup::Unused, 2, false, {"a", "b", "c"}, {"x", "y"}},
        MoveCase{"TargetGroupOutOfRange", {SystemGroup::Tick, 0}, 12, 0, false, {"a", "b", "c"}, {"x", "y"}}),
    [](const auto& info) { return info.param.name; });

} // namespace
