// Particles and branching lines at 1280 x 720 on SDL's offscreen driver (software GL here: the figures compare
// runs, not machines). Every figure is printed as a ratio to a baseline measured in the same run:
// - emitting a particle against writing a ready 128-byte instance into a ring;
// - a frame with 1,000, 10,000 and a full ring of live small particles against an empty frame and against the
//   same number of plain instanced quads (static sprites) drawn by the same renderer;
// - the frame that retires a full ring of expired particles against an empty frame;
// - 100 lightning bolts generated and grown for one frame against an empty frame.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include <epoxy/gl.h>

#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Graphics/ParticleBatch.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Random.h"
#include "sprite_ratio.h"

namespace {

constexpr uint32_t kWidth = 1280;
constexpr uint32_t kHeight = 720;
constexpr float kDt = 1.0f / 60.0f;

struct Gl {
    RenderContextOpenGL context;
    Handle target = kInvalidHandle;
    Handle white = kInvalidHandle;

    Gl() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        WindowConfig config;
        config.vsync = false;
        config.debug_output = false;
        if (context.init(config).failed) {
            std::abort();
        }
        target = context.create_framebuffer(kWidth, kHeight);
        white = context.create_texture({TextureType2D, TextureFormatRgba8, 1, 1, 1, 4, 1});
        const uint32_t px = 0xFFFFFFFFu;
        context.write_texture(white, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 1, 1, 1}, &px);
    }
};

Gl& gl() {
    static std::unique_ptr<Gl> g = std::make_unique<Gl>();
    return *g;
}

std::unique_ptr<Renderer> make_renderer() {
    auto r = std::make_unique<Renderer>();
    r->init(gl().context);
    r->set_sprite_textures(gl().white, kInvalidHandle, kInvalidHandle);
    r->set_target(gl().target);
    Camera camera;
    camera.set_ortho(5.0f, 16.0f / 9.0f, 1.0f);
    r->set_world_camera(camera);
    return r;
}

template <typename T>
Range<T> single(T value) {
    return Range<T>{true, value, T(0)};
}

template <typename T>
Range<T> between(T low, T high) {
    return Range<T>{false, low, high};
}

// Small particles spread over the view, drifting slowly; `life` decides whether they stay.
ParticleSpawnSettings small_particles(float life, int32_t count) {
    ParticleSpawnSettings s;
    s.position = between(glm::vec2(-8.8f, -5.0f), glm::vec2(8.8f, 5.0f));
    s.angle = between(0.0f, 6.28f);
    s.velocity = between(glm::vec2(-0.1f), glm::vec2(0.1f));
    s.life = single(life);
    s.initial_scale = single(glm::vec2(0.02f));
    s.final_scale = single(glm::vec2(0.01f));
    s.initial_color = single(glm::vec4(1.0f, 0.8f, 0.5f, 1.0f));
    s.final_color = single(glm::vec4(1.0f, 0.3f, 0.1f, 0.5f));
    s.number_to_spawn = single(count);
    return s;
}

// The cell-spark look: every range random, three particles an emission.
ParticleSpawnSettings spark() {
    ParticleSpawnSettings s;
    s.velocity = between(glm::vec2(1.0f, -1.8f), glm::vec2(4.5f, 1.8f));
    s.damping = between(4.0f, 8.0f);
    s.angle = between(0.0f, 6.2831855f);
    s.angular_velocity = between(-6.0f, 6.0f);
    s.life = between(0.1f, 0.35f);
    s.initial_scale = between(glm::vec2(0.012f, 0.004f), glm::vec2(0.02f, 0.008f));
    s.initial_color = single(glm::vec4(1.0f, 0.85f, 0.55f, 1.0f));
    s.final_color = single(glm::vec4(1.0f, 0.35f, 0.1f, 0.0f));
    s.number_to_spawn = single(3);
    return s;
}

void frame(Renderer& r) {
    r.advance_time(kDt);
    r.upload_batches(gl().context);
    r.render(gl().context);
    glFinish();
}

void BM_EmitSpark(benchmark::State& state) {
    ParticleBatch batch;
    const ParticleSpawnSettings s = spark();
    for (auto _ : state) {
        batch.emit({0.0f, 0.0f}, 0.5f, s);
    }
    benchmark::DoNotOptimize(batch.tail());
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_EmitSpark);

// Baseline: three ready instances copied into a ring of the same size.
void BM_RingWriteBaseline(benchmark::State& state) {
    std::vector<ParticleInstance> ring(kParticleCapacity);
    ParticleInstance p{};
    uint32_t tail = 0;
    for (auto _ : state) {
        for (int i = 0; i < 3; ++i) {
            p.position_spawn.w += 1.0f;
            ring[tail] = p;
            tail = tail + 1 == kParticleCapacity ? 0 : tail + 1;
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(ring.data());
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_RingWriteBaseline);

void BM_EmptyFrame(benchmark::State& state) {
    auto r = make_renderer();
    for (auto _ : state) {
        frame(*r);
    }
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Live particles emitted once: frames only retire (nothing due) and draw.
void BM_LiveParticlesFrame(benchmark::State& state) {
    auto r = make_renderer();
    const auto n = static_cast<int32_t>(state.range(0));
    r->spawn_particles({0.0f, 0.0f}, 0.0f, small_particles(1.0e6f, n));
    frame(*r);
    for (auto _ : state) {
        frame(*r);
    }
    state.counters["live"] = static_cast<double>(r->world_particle_batch().live_count());
}
BENCHMARK(BM_LiveParticlesFrame)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(kParticleCapacity)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Baseline: the same number of small quads as static sprites, uploaded once, drawn by the same renderer.
void BM_PlainQuadsFrame(benchmark::State& state) {
    auto r = make_renderer();
    const auto n = static_cast<int32_t>(state.range(0));
    random_seed(1);
    for (int32_t i = 0; i < n; ++i) {
        const glm::vec2 at = random_vec2_in_box(8.8f, 5.0f);
        r->add_background_sprite(Transform{at, {0.02f, 0.02f}, random_range(0.0f, 6.28f), 0.0f}, UvRect{}, 0xFF80CCFFu);
    }
    r->upload_batches(gl().context);
    for (auto _ : state) {
        r->advance_time(kDt);
        r->render(gl().context);
        glFinish();
    }
}
BENCHMARK(BM_PlainQuadsFrame)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(kParticleCapacity)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A full ring that has just expired: the frame retires all of it and draws nothing.
void BM_ExpiredRingFrame(benchmark::State& state) {
    auto r = make_renderer();
    for (auto _ : state) {
        state.PauseTiming();
        r->spawn_particles({0.0f, 0.0f}, 0.0f, small_particles(kDt / 2.0f, static_cast<int32_t>(kParticleCapacity)));
        state.ResumeTiming();
        frame(*r);
    }
    state.counters["live"] = static_cast<double>(r->world_particle_batch().live_count());
}
BENCHMARK(BM_ExpiredRingFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 bolts as an exploding weak point throws them, generated and grown for one frame (CPU only).
void BM_LightningBolts(benchmark::State& state) {
    random_seed(2);
    for (auto _ : state) {
        std::vector<BranchingLineEffect> effects;
        for (int i = 0; i < 100; ++i) {
            SpawnLightningEvent bolt;
            bolt.to = random_in_disc_radius_range(1.0f, 3.0f);
            bolt.segment_count = random_int_range(5, 50);
            bolt.branch_factor = random_range(0.0f, 1.0f);
            bolt.offset_scale = 5.0f;
            bolt.timing = random_range(4.0f, 32.0f);
            spawn_branching_line_effect(effects, bolt);
        }
        update_branching_line_effects(effects, kDt);
        benchmark::DoNotOptimize(effects.data());
    }
}
BENCHMARK(BM_LightningBolts)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    const std::string full = std::to_string(kParticleCapacity);
    return sprite_bench::run(
        argc, argv,
        {{"emit a spark particle / write a ready instance", "BM_EmitSpark", "BM_RingWriteBaseline", "small", ""},
         {"frame, 1,000 live particles / empty frame", "BM_LiveParticlesFrame/1000/real_time",
          "BM_EmptyFrame/real_time", "close to 1", ""},
         {"frame, 1,000 live particles / 1,000 plain quads", "BM_LiveParticlesFrame/1000/real_time",
          "BM_PlainQuadsFrame/1000/real_time", "<= 1.5", ""},
         {"frame, 10,000 live particles / empty frame", "BM_LiveParticlesFrame/10000/real_time",
          "BM_EmptyFrame/real_time", "report", ""},
         {"frame, 10,000 live particles / 10,000 plain quads", "BM_LiveParticlesFrame/10000/real_time",
          "BM_PlainQuadsFrame/10000/real_time", "<= 1.5", ""},
         {"frame, full ring live / empty frame", "BM_LiveParticlesFrame/" + full + "/real_time",
          "BM_EmptyFrame/real_time", "report", ""},
         {"frame, full ring live / as many plain quads", "BM_LiveParticlesFrame/" + full + "/real_time",
          "BM_PlainQuadsFrame/" + full + "/real_time", "<= 1.5", ""},
         {"frame retiring a full expired ring / empty frame", "BM_ExpiredRingFrame/real_time",
          "BM_EmptyFrame/real_time", "close to 1", ""},
         {"100 lightning bolts generated and grown / empty frame", "BM_LightningBolts/real_time",
          "BM_EmptyFrame/real_time", "well below 1", ""},
         {"100 lightning bolts generated and grown", "BM_LightningBolts/real_time", "", "report", ""}});
}
