// Particles and branching lines at 1280 x 720 on SDL's offscreen driver (software GL here: the figures compare
// runs, not machines). Every figure is printed as a ratio to a baseline measured in the same run that does the
// same visible work the plain way, so a ratio says how close to the plain way we are:
// - emitting a particle against writing a ready 128-byte instance into a ring;
// - a frame with 1,000, 10,000 and a full ring of live small particles against the same number of plain
//   instanced quads (static sprites) of the same size, drawn by the same renderer;
// - the frame that retires a full ring of expired particles (it draws nothing) against one plain pass over the
//   same instances that finds each expired, and an empty frame;
// - a frame of 100 lightning bolts, generated, grown and drawn, against a frame of plain quads of the same
//   count and size as the bolts' drawn segments.

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

// Baseline: the plain way to find a full ring expired, one pass over its instances and an empty frame.
void BM_ExpiredRingScanBaseline(benchmark::State& state) {
    auto r = make_renderer();
    std::vector<ParticleInstance> ring(kParticleCapacity);
    for (ParticleInstance& p : ring) {
        p.color_factor_life.y = kDt / 2.0f;
    }
    float time = 0.0f;
    for (auto _ : state) {
        time += kDt;
        uint32_t expired = 0;
        for (const ParticleInstance& p : ring) {
            expired += p.color_factor_life.y > time - p.position_spawn.w ? 0u : 1u;
        }
        benchmark::DoNotOptimize(expired);
        frame(*r);
    }
}
BENCHMARK(BM_ExpiredRingScanBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 bolts as an exploding weak point throws them.
std::vector<SpawnLightningEvent> bolts() {
    random_seed(2);
    std::vector<SpawnLightningEvent> out;
    for (int i = 0; i < 100; ++i) {
        SpawnLightningEvent bolt;
        bolt.to = random_in_disc_radius_range(1.0f, 3.0f);
        bolt.segment_count = random_int_range(5, 50);
        bolt.branch_factor = random_range(0.0f, 1.0f);
        bolt.offset_scale = 5.0f;
        bolt.timing = random_range(4.0f, 32.0f);
        out.push_back(bolt);
    }
    return out;
}

// What the bolts draw after their first frame: segments, and their mean length and width.
struct BoltSegments {
    int32_t count = 0;
    float length = 0.0f;
    float width = 0.0f;
};

BoltSegments bolt_segments(const std::vector<BranchingLineEffect>& effects) {
    BoltSegments s;
    double length = 0.0;
    double width = 0.0;
    for (const BranchingLineEffect& effect : effects) {
        for (const BranchNode& node : effect.nodes) {
            const auto points = node.trail.points();
            for (size_t i = 1; i < points.size(); ++i) {
                s.count += 1;
                length += static_cast<double>(glm::length(points[i].position - points[i - 1].position));
                width += static_cast<double>(points[i].width + points[i - 1].width) * 0.5;
            }
        }
    }
    if (s.count > 0) {
        s.length = static_cast<float>(length / s.count);
        s.width = static_cast<float>(width / s.count);
    }
    return s;
}

// A frame of 100 bolts started, grown for one frame and drawn by the renderer.
void BM_LightningBoltsFrame(benchmark::State& state) {
    const std::vector<SpawnLightningEvent> requests = bolts();
    BoltSegments drawn;
    auto r = make_renderer();
    for (auto _ : state) {
        for (const SpawnLightningEvent& bolt : requests) {
            r->add_effect(bolt);
        }
        frame(*r);
        state.PauseTiming();
        drawn = bolt_segments(r->effects());
        // Long enough for every bolt to end, so the next frame starts them again.
        r->advance_time(1000.0f);
        state.ResumeTiming();
    }
    state.counters["segments"] = drawn.count;
}
BENCHMARK(BM_LightningBoltsFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: as many plain quads as the bolts draw segments, each a segment's mean length and width, pushed,
// uploaded and drawn every frame.
void BM_LightningPlainQuadsFrame(benchmark::State& state) {
    BoltSegments segments;
    {
        auto r = make_renderer();
        for (const SpawnLightningEvent& bolt : bolts()) {
            r->add_effect(bolt);
        }
        frame(*r);
        segments = bolt_segments(r->effects());
    }
    auto r = make_renderer();
    random_seed(3);
    std::vector<Transform> quads;
    for (int32_t i = 0; i < segments.count; ++i) {
        quads.push_back(Transform{random_in_disc_radius_range(0.0f, 3.0f),
                                  {segments.length * 0.5f, segments.width * 0.5f},
                                  random_range(0.0f, 6.28f),
                                  0.0f});
    }
    for (auto _ : state) {
        for (const Transform& t : quads) {
            r->add_background_sprite(t, UvRect{}, 0xFFFFE0C0u);
        }
        frame(*r);
    }
    state.counters["segments"] = segments.count;
}
BENCHMARK(BM_LightningPlainQuadsFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    const std::string full = std::to_string(kParticleCapacity);
    return sprite_bench::run(
        argc, argv,
        {{"emit a spark particle / write a ready instance", "BM_EmitSpark", "BM_RingWriteBaseline", "small", ""},
         {"frame, 1,000 live particles / 1,000 plain quads", "BM_LiveParticlesFrame/1000/real_time",
          "BM_PlainQuadsFrame/1000/real_time", "<= 1.5", ""},
         {"frame, 10,000 live particles / 10,000 plain quads", "BM_LiveParticlesFrame/10000/real_time",
          "BM_PlainQuadsFrame/10000/real_time", "<= 1.5", ""},
         {"frame, full ring live / as many plain quads", "BM_LiveParticlesFrame/" + full + "/real_time",
          "BM_PlainQuadsFrame/" + full + "/real_time", "<= 1.5", ""},
         {"frame retiring a full expired ring / plain pass over it", "BM_ExpiredRingFrame/real_time",
          "BM_ExpiredRingScanBaseline/real_time", "<= 1", ""},
         {"frame, 100 lightning bolts / quads of their segments", "BM_LightningBoltsFrame/real_time",
          "BM_LightningPlainQuadsFrame/real_time", "report", ""}});
}
