#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include <epoxy/gl.h>

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/ParticleBatch.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"
#include "Support/GlContext.h"

namespace {

template <typename T>
Range<T> single(T value) {
    return Range<T>{true, value, T(0)};
}

template <typename T>
Range<T> between(T low, T high) {
    return Range<T>{false, low, high};
}

// One particle of the given life, tagged by its x position.
ParticleSpawnSettings tagged(float x, float life) {
    ParticleSpawnSettings s;
    s.position = single(glm::vec2(x, 0.0f));
    s.life = single(life);
    return s;
}

// Emits `n` tagged particles, tags counting up from `first`.
void emit_tagged(ParticleBatch& batch, int32_t first, int32_t n, float life) {
    for (int32_t i = 0; i < n; ++i) {
        batch.emit({0.0f, 0.0f}, 0.0f, tagged(static_cast<float>(first + i), life));
    }
}

float tag(const ParticleBatch& batch, uint32_t slot) { return batch.slot(slot).position_spawn.x; }

uint32_t last_slot(const ParticleBatch& batch) { return batch.tail() == 0 ? kParticleCapacity - 1 : batch.tail() - 1; }

TEST(ParticleRing, OverflowKeepsTheNewest) {
    constexpr int32_t kCap = static_cast<int32_t>(kParticleCapacity);
    ParticleBatch one_by_one;
    emit_tagged(one_by_one, 0, kCap + 5, 10.0f);
    EXPECT_EQ(one_by_one.live_count(), kParticleCapacity - 1);
    EXPECT_EQ(tag(one_by_one, one_by_one.head()), static_cast<float>(kCap + 5 - (kCap - 1)));
    EXPECT_EQ(tag(one_by_one, last_slot(one_by_one)), static_cast<float>(kCap + 4));

    // One emission asking for far more than the ring holds is clamped to it: nothing but its own newest survive.
    ParticleBatch at_once;
    ParticleSpawnSettings many = tagged(1.0f, 10.0f);
    many.number_to_spawn = single(std::numeric_limits<int32_t>::max());
    at_once.emit({0.0f, 0.0f}, 0.0f, many);
    EXPECT_EQ(at_once.live_count(), kParticleCapacity - 1);
    EXPECT_EQ(at_once.head(), 1u);
    EXPECT_EQ(at_once.tail(), 0u);
}

TEST(ParticleRing, RetiresInEmissionOrderAndAtAgeEqualToLife) {
    ParticleBatch batch;
    batch.retire(1.0f);
    emit_tagged(batch, 0, 1, 0.5f);  // spawned at 1.0, dies at 1.5
    emit_tagged(batch, 1, 1, 0.25f); // dies at 1.25 but sits behind the older one
    ASSERT_EQ(batch.live_count(), 2u);
    EXPECT_EQ(batch.slot(0).position_spawn.w, 1.0f);

    batch.retire(1.375f);
    EXPECT_EQ(batch.live_count(), 2u) << "an expired particle behind a live older one stays";
    batch.retire(1.4999f);
    EXPECT_EQ(batch.live_count(), 2u);
    batch.retire(1.5f);
    EXPECT_TRUE(batch.empty()) << "age equal to life is retired, and the expired one behind it with it";
}

TEST(ParticleRing, NoLifeIsSampledButNotWrittenAndNoCountDrawsNothingMore) {
    ParticleSpawnSettings s;
    s.velocity = between(glm::vec2(-1.0f), glm::vec2(1.0f));
    s.life = single(1.0f);
    random_seed(11);
    ParticleBatch alive;
    alive.emit({0, 0}, 0, s);
    const int32_t after_alive = random_draw();

    s.life = single(0.0f);
    random_seed(11);
    ParticleBatch dead;
    dead.emit({0, 0}, 0, s);
    EXPECT_TRUE(dead.empty());
    EXPECT_EQ(random_draw(), after_alive) << "the random sequence is the same as for a living particle";

    for (int32_t count : {0, -3}) {
        s.life = single(1.0f);
        s.number_to_spawn = single(count);
        random_seed(11);
        const int32_t first = random_draw();
        random_seed(11);
        ParticleBatch none;
        none.emit({0, 0}, 0, s);
        EXPECT_TRUE(none.empty());
        EXPECT_EQ(random_draw(), first);
    }
}

// Without a window nothing is created on a GPU; emitting, retiring and effects still work.
TEST(ParticleRing, WindowlessRendererEmitsAndRetires) {
    Renderer renderer;
    renderer.spawn_particles({1.0f, 2.0f}, 0.0f, tagged(0.0f, 0.5f));
    renderer.spawn_ui_particles({1.0f, 2.0f}, 0.0f, tagged(0.0f, 0.5f));
    EXPECT_EQ(renderer.world_particle_batch().live_count(), 1u);
    EXPECT_EQ(renderer.ui_particle_batch().live_count(), 1u);
    renderer.add_effect(SpawnLightningEvent{{0, 0}, {1, 0}, 10, 0.5f, 1.0f, 8.0f});
    renderer.advance_time(0.5f);
    EXPECT_TRUE(renderer.world_particle_batch().empty());
    EXPECT_TRUE(renderer.ui_particle_batch().empty());
}

// Every range random and the count too: the instance fields equal values drawn by hand from the same seed in the
// specified order (a vec2 x then y, a vec4 z, w, then x, y).
TEST(ParticleSampling, DrawsEveryRangeInTheSpecifiedOrder) {
    ParticleSpawnSettings s;
    s.position = between(glm::vec2(-1.0f, -2.0f), glm::vec2(1.0f, 2.0f));
    s.z = between(0.0f, 0.5f);
    s.angle = between(-3.0f, 3.0f);
    s.angle_xy = between(glm::vec2(0.0f), glm::vec2(1.0f, 2.0f));
    s.velocity = between(glm::vec2(1.0f, -1.0f), glm::vec2(4.0f, 1.0f));
    s.velocity_z = between(-0.1f, 0.1f);
    s.damping = between(1.0f, 2.0f);
    s.angular_velocity = between(-6.0f, 6.0f);
    s.angular_velocity_xy = between(glm::vec2(-1.0f), glm::vec2(1.0f, 3.0f));
    s.angular_damping = between(0.0f, 1.0f);
    s.life = between(1.0f, 2.0f);
    s.initial_scale = between(glm::vec2(0.1f), glm::vec2(0.2f, 0.3f));
    s.final_scale = between(glm::vec2(0.0f), glm::vec2(0.05f, 0.06f));
    s.factor_scale = between(0.5f, 2.0f);
    s.initial_color = between(glm::vec4(0.0f), glm::vec4(1.0f, 0.9f, 0.8f, 0.7f));
    s.final_color = between(glm::vec4(0.1f), glm::vec4(0.2f, 0.3f, 0.4f, 0.5f));
    s.factor_color = between(1.0f, 3.0f);
    s.number_to_spawn = between(2, 5);
    const glm::vec2 at(3.0f, -1.0f);
    const float turn = 0.75f;

    random_seed(1234);
    ParticleBatch batch;
    batch.retire(2.5f);
    batch.emit(at, turn, s);

    random_seed(1234);
    const int32_t n = random_int_range(2, 5);
    ASSERT_EQ(batch.live_count(), static_cast<uint32_t>(n));
    const auto r = [](float a, float b) { return random_range(a, b); };
    for (int32_t i = 0; i < n; ++i) {
        const float px = r(-1, 1), py = r(-2, 2);
        const float z = r(0, 0.5f);
        const float angle = r(-3, 3);
        const float ax = r(0, 1), ay = r(0, 2);
        const float vx = r(1, 4), vy = r(-1, 1);
        const float vz = r(-0.1f, 0.1f);
        const float damping = r(1, 2);
        const float w = r(-6, 6);
        const float wx = r(-1, 1), wy = r(-1, 3);
        const float angular_damping = r(0, 1);
        const float life = r(1, 2);
        const float isx = r(0.1f, 0.2f), isy = r(0.1f, 0.3f);
        const float fsx = r(0, 0.05f), fsy = r(0, 0.06f);
        const float factor_scale = r(0.5f, 2);
        const float icz = r(0, 0.8f), icw = r(0, 0.7f), icx = r(0, 1), icy = r(0, 0.9f);
        const float fcz = r(0.1f, 0.4f), fcw = r(0.1f, 0.5f), fcx = r(0.1f, 0.2f), fcy = r(0.1f, 0.3f);
        const float factor_color = r(1, 3);

        const ParticleInstance& p = batch.slot(static_cast<uint32_t>(i));
        const glm::vec2 emitted = at + rotate({px, py}, turn);
        const glm::vec2 moving = rotate({vx, vy}, turn);
        EXPECT_EQ(p.position_spawn, glm::vec4(emitted, z, 2.5f)) << i;
        EXPECT_EQ(p.angle_scale_factor, glm::vec4(ax, ay, angle + turn, factor_scale));
        EXPECT_EQ(p.scales, glm::vec4(isx, isy, fsx, fsy));
        EXPECT_EQ(p.initial_color, glm::vec4(icx, icy, icz, icw));
        EXPECT_EQ(p.final_color, glm::vec4(fcx, fcy, fcz, fcw));
        EXPECT_EQ(p.velocity_damping, glm::vec4(moving, vz, damping));
        EXPECT_EQ(p.angular_velocity_damping, glm::vec4(wx, wy, w, angular_damping));
        EXPECT_EQ(p.color_factor_life, glm::vec4(factor_color, life, 0.0f, 0.0f));
    }
    // Nothing else was drawn.
    const int32_t next = random_draw();
    random_seed(1234);
    for (int32_t k = 0; k < 1 + n * 29; ++k) {
        random_draw();
    }
    EXPECT_EQ(random_draw(), next);
}

// Forwards to the real back end and records the partial buffer writes.
class UploadRecorder final : public RenderContextBase {
public:
    explicit UploadRecorder(RenderContextOpenGL& gl) : gl(gl) {}
    struct Write {
        uint64_t offset;
        uint64_t size;
        bool operator==(const Write&) const = default;
    };
    RenderContextOpenGL& gl;
    std::vector<Write> writes;

    Result init(const WindowConfig& c) override { return gl.init(c); }
    void shutdown() override {}
    bool poll_event(SDL_Event& e) override { return gl.poll_event(e); }
    void begin_frame() override {}
    void end_frame() override {}
    void idle_frame() override {}
    void set_display_mode(uint32_t) override {}
    Handle create_buffer(uint32_t t, uint32_t u, uint64_t s, const void* d) override {
        return gl.create_buffer(t, u, s, d);
    }
    void set_buffer_data(Handle b, uint64_t s, const void* d) override { gl.set_buffer_data(b, s, d); }
    void set_buffer_sub_data(Handle b, uint64_t o, uint64_t s, const void* d) override {
        writes.push_back({o, s});
        gl.set_buffer_sub_data(b, o, s, d);
    }
    Handle create_mesh(const MeshLayout& l, const Handle* b) override { return gl.create_mesh(l, b); }
    Handle create_shader(const ShaderDefinition& d) override { return gl.create_shader(d); }
    Handle create_texture(const TextureLayout& l) override { return gl.create_texture(l); }
    void destroy_texture(Handle t) override { gl.destroy_texture(t); }
    void write_texture(Handle t, const TextureWrite& r, const void* p) override { gl.write_texture(t, r, p); }
    Handle create_framebuffer(uint32_t w, uint32_t h) override { return gl.create_framebuffer(w, h); }
    void resize_framebuffer(Handle f, uint32_t w, uint32_t h) override { gl.resize_framebuffer(f, w, h); }
    uint32_t framebuffer_color_texture(Handle f) override { return gl.framebuffer_color_texture(f); }
    void execute(const RenderCommandList& commands) override { gl.execute(commands); }
};

// What the GPU buffer holds in a slot: its tag.
float gpu_tag(RenderContextOpenGL& gl, const ParticleBatch& batch, uint32_t slot) {
    ParticleInstance p;
    glGetNamedBufferSubData(gl.buffer_record(batch.instance_buffer()).vbo,
                            static_cast<GLintptr>(slot * sizeof(ParticleInstance)), sizeof(p), &p);
    return p.position_spawn.x;
}

struct Draw {
    uint64_t count;
    uint64_t base;
    bool operator==(const Draw&) const = default;
};

std::vector<Draw> draws(const ParticleBatch& batch) {
    RenderStep step;
    batch.append_draw(step);
    std::vector<Draw> out;
    for (uint64_t i = 0; i < step.draw_count; ++i) {
        EXPECT_EQ(step.draws[i].vertex_count, 6u);
        out.push_back({step.draws[i].instance_count, step.draws[i].instance_base});
    }
    return out;
}

TEST(ParticleRingGpu, WrappedRingUploadsAndDrawsItsTwoRuns) {
    constexpr uint64_t kSize = sizeof(ParticleInstance);
    constexpr uint32_t kCap = kParticleCapacity;
    UploadRecorder gl(test_support::gl_context());
    ParticleBatch batch;
    batch.create(gl);
    EXPECT_TRUE(draws(batch).empty());

    // Ten live particles at the end of the ring and fifteen at its start.
    emit_tagged(batch, 0, static_cast<int32_t>(kCap - 10), 1.0f);
    batch.retire(1.0f);
    ASSERT_TRUE(batch.empty());
    batch.upload(gl);
    EXPECT_TRUE(gl.writes.empty()) << "an empty ring uploads nothing";
    emit_tagged(batch, 1000, 25, 10.0f);
    ASSERT_EQ(batch.head(), kCap - 10);
    ASSERT_EQ(batch.tail(), 15u);

    batch.upload(gl);
    EXPECT_EQ(gl.writes, (std::vector<UploadRecorder::Write>{{(kCap - 10) * kSize, 10 * kSize}, {0, 15 * kSize}}));
    EXPECT_EQ(draws(batch), (std::vector<Draw>{{10, kCap - 10}, {15, 0}}));
    EXPECT_EQ(gpu_tag(gl.gl, batch, kCap - 10), 1000.0f);
    EXPECT_EQ(gpu_tag(gl.gl, batch, 14), 1024.0f);

    gl.writes.clear();
    batch.upload(gl);
    EXPECT_TRUE(gl.writes.empty()) << "nothing new, nothing sent";

    // Full, then exactly one more turn of the ring: head and tail are where they were, every slot is new.
    emit_tagged(batch, 2000, static_cast<int32_t>(kCap), 10.0f);
    ASSERT_EQ(batch.live_count(), kCap - 1);
    batch.upload(gl);
    const uint32_t head = batch.head();
    const uint32_t tail = batch.tail();
    const float newest_tag = tag(batch, last_slot(batch));
    emit_tagged(batch, 500000, static_cast<int32_t>(kCap), 10.0f);
    ASSERT_EQ(batch.head(), head);
    ASSERT_EQ(batch.tail(), tail);
    ASSERT_NE(tag(batch, last_slot(batch)), newest_tag);
    gl.writes.clear();
    batch.upload(gl);
    EXPECT_EQ(gl.writes,
              (std::vector<UploadRecorder::Write>{{head * kSize, (kCap - head) * kSize}, {0, tail * kSize}}));
    EXPECT_EQ(draws(batch), (std::vector<Draw>{{kCap - head, head}, {tail, 0}}));
    EXPECT_EQ(gpu_tag(gl.gl, batch, last_slot(batch)), tag(batch, last_slot(batch)));
    EXPECT_EQ(gpu_tag(gl.gl, batch, head), tag(batch, head));
}

// Both runs of a wrapped ring reach the screen: the oldest particle sits in the last slot, the newest in slot 0.
TEST(ParticleRingGpu, WrappedRingLightsBothRunsOnScreen) {
    RenderContextOpenGL& gl = test_support::gl_context();
    Renderer renderer;
    renderer.init(gl);
    renderer.set_world_camera(Camera{}); // x and y from -1 to 1

    ParticleSpawnSettings hidden = tagged(0.0f, 1.0f);
    for (uint32_t i = 0; i + 1 < kParticleCapacity; ++i) {
        renderer.spawn_particles({0, 0}, 0, hidden);
    }
    renderer.advance_time(1.0f);
    ASSERT_TRUE(renderer.world_particle_batch().empty());
    ParticleSpawnSettings lit;
    lit.life = single(10.0f);
    lit.initial_scale = single(glm::vec2(0.2f));
    lit.final_scale = single(glm::vec2(0.2f));
    lit.initial_color = single(glm::vec4(1.0f));
    lit.final_color = single(glm::vec4(1.0f));
    renderer.spawn_particles({-0.5f, 0.0f}, 0, lit);
    renderer.spawn_particles({0.5f, 0.0f}, 0, lit);
    ASSERT_EQ(renderer.world_particle_batch().head(), kParticleCapacity - 1);
    ASSERT_EQ(renderer.world_particle_batch().tail(), 1u);
    renderer.upload_batches(gl);

    Handle fb = gl.create_framebuffer(16, 16);
    test_support::clear_target(gl, fb, 16, 16, glm::vec4(0, 0, 0, 1));
    renderer.set_target(fb);
    renderer.render(gl);
    const test_support::Pixels p = test_support::read_framebuffer(gl, fb, 16, 16);
    EXPECT_EQ(p.at(4, 8), 0xFFFFFFFFu) << "the run at the end of the ring";
    EXPECT_EQ(p.at(12, 8), 0xFFFFFFFFu) << "the run at its start";
    EXPECT_EQ(p.at(8, 8) & 0xFFFFFFu, 0u);
}

} // namespace
