// The space background on SDL's offscreen driver at 1280 x 720 (software GL here: figures compare runs, not
// machines): a frame of the game scene with only its 4,000 stars and 40 smoke clouds against the same frame
// with the background parked, both measured in the same run. Each frame runs the scene's render step, draws
// into a 1280 x 720 target and waits for the GPU.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <epoxy/gl.h>

#include "Engine/Engine/Engine.h"
#include "Engine/Engine/EngineEvents.h"
#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Graphics/Renderer.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"
#include "Game/Systems/Ui/GameUiRenderSystem.h"
#include "game_bench.h"
#include "sprite_ratio.h"

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;

// The game scene on an engine with its window, emptied of entities and of the side panel, drawn into a target
// of its own.
struct Sky {
    Sky() : dir("pellmar-bench-background") {
        game_bench::WindowedEngine windowed;
        engine = std::move(windowed.engine);
        gl = windowed.gl;
        // An empty frame still clears its target, as the game's frames do every time.
        gl->set_skip_clean_clears(false);
        scene = std::make_shared<GameScene>();
        engine->set_scene(scene);
        engine->run_frame();
        target = gl->create_framebuffer(kWidth, kHeight);
        scene->handle(ViewportResizedEvent{ViewportRect{0, 0, kWidth, kHeight}});
        scene->reset();
        scene->transition_system(GameUiRenderSystem::kName, SystemGroup::UnusedRender);
    }
    ~Sky() {
        game_bench::QuietStdout quiet;
        scene.reset();
        engine->shutdown();
    }

    void frame() {
        ++ticks;
        const SimulationTick tick = game_bench::numbered_tick(ticks, false);
        scene->render(tick);
        engine->renderer().set_target(target);
        engine->renderer().render(engine->render_context());
        glFinish();
    }

    game_bench::AssetsDir dir;
    std::unique_ptr<Engine> engine;
    std::shared_ptr<GameScene> scene;
    RenderContextOpenGL* gl = nullptr;
    Handle target = kInvalidHandle;
    uint32_t ticks = 0;
};

Sky& sky() { return game_bench::fixture<Sky>(); }

void run_frames(benchmark::State& state, bool background) {
    Sky& s = sky();
    game_bench::QuietStdout quiet;
    s.scene->transition_system(SpaceBackgroundRenderSystem::kName,
                               background ? SystemGroup::Render : SystemGroup::UnusedRender);
    for (int i = 0; i < 10; ++i) {
        s.frame();
    }
    for (auto _ : state) {
        s.frame();
    }
    state.counters["instances"] = background ? 4040.0 : 0.0;
}

void BM_EmptyFrame(benchmark::State& state) { run_frames(state, false); }
void BM_BackgroundFrame(benchmark::State& state) { run_frames(state, true); }

BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BackgroundFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    const int result = sprite_bench::run(argc, argv,
                                         {{"background frame (4,040 instances) / empty frame",
                                           "BM_BackgroundFrame/real_time", "BM_EmptyFrame/real_time", "report", ""}});
    // The window and its GL context go before the program's statics do.
    game_bench::fixture_holder<Sky>().reset();
    return result;
}
