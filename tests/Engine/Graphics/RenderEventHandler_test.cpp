#include <gtest/gtest.h>

#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/RenderEventHandler.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Constants.h"
#include "Engine/Random.h"

namespace {

struct Handled {
    EventBus bus;
    Renderer renderer; // windowless: the rings exist without a GPU
    RenderEventHandler handler{bus, renderer};
};

DebrisCellParticle cell(glm::vec2 at, float angle, glm::vec2 velocity, uint32_t color) {
    DebrisCellParticle c;
    c.world_position = at;
    c.angle = angle;
    c.velocity = velocity;
    c.color = color;
    return c;
}

TEST(RenderEventHandler, SubscribesToItsThreeEventsOnce) {
    Handled h;
    h.handler.subscribe();
    EXPECT_EQ(h.bus.subscriber_count<SpawnParticleEvent>(), 1u);
    EXPECT_EQ(h.bus.subscriber_count<SpawnLightningEvent>(), 1u);
    EXPECT_EQ(h.bus.subscriber_count<SpawnCellParticleEvent>(), 1u);

    ParticleSpawnSettings s;
    s.life = {true, 1.0f, 0.0f};
    s.number_to_spawn = {true, 3, 0};
    h.bus.publish(SpawnParticleEvent{{1, 2}, 0.0f, s});
    h.bus.publish(SpawnLightningEvent{{0, 0}, {1, 1}, 8, 0.0f, 1.0f, 4.0f});
    h.bus.dispatch();
    EXPECT_EQ(h.renderer.world_particle_batch().live_count(), 3u);
    EXPECT_EQ(h.renderer.ui_particle_batch().live_count(), 0u);
    EXPECT_EQ(h.renderer.effects().size(), 1u);
    h.handler.unsubscribe();
    EXPECT_EQ(h.bus.subscriber_count<SpawnParticleEvent>(), 0u);
}

// k cells give k particles and exactly four draws each (a vector, a value, a vector, a value), in list order.
TEST(RenderEventHandler, DebrisCellsBecomeOneParticleEachWithTheirDraws) {
    for (size_t k : {size_t{0}, size_t{1}, size_t{7}}) {
        Handled h;
        SpawnCellParticleEvent event;
        for (size_t i = 0; i < k; ++i) {
            event.cells.push_back(cell({static_cast<float>(i), 0.0f}, 0.1f, {1.0f, 0.0f}, 0xFF0000FFu));
        }
        random_seed(21);
        h.handler.on_spawn_cell_particles(event);
        const int32_t next = random_draw();
        random_seed(21);
        for (size_t d = 0; d < k * 6; ++d) {
            random_draw();
        }
        EXPECT_EQ(random_draw(), next) << k << " cells";
        ASSERT_EQ(h.renderer.world_particle_batch().live_count(), k);
        for (size_t i = 0; i < k; ++i) {
            EXPECT_EQ(h.renderer.world_particle_batch().slot(static_cast<uint32_t>(i)).position_spawn.x,
                      static_cast<float>(i));
        }
    }
}

// The chip's velocity is world velocity: a sprite turned half a turn does not send it backwards.
TEST(RenderEventHandler, DebrisChipFliesAlongItsWorldVelocity) {
    Handled h;
    const glm::vec2 v(2.0f, 1.0f);
    SpawnCellParticleEvent event;
    event.cells.push_back(cell({0.5f, -0.5f}, kPi, v, pack_rgba8(255, 128, 0, 200)));
    random_seed(4);
    const glm::vec2 spread = random_vec2_in_unit_box();
    const float spin = random_range(-kPi, kPi);
    const glm::vec2 tumble = random_vec2_in_box(kPi, kPi);
    const float life = random_range(5.0f, 10.0f);
    random_seed(4);
    h.handler.on_spawn_cell_particles(event);

    const ParticleInstance& p = h.renderer.world_particle_batch().slot(0);
    const glm::vec2 expected = v + 0.2f * glm::length(v) * spread;
    EXPECT_EQ(glm::vec2(p.velocity_damping), expected);
    EXPECT_GT(glm::dot(glm::vec2(p.velocity_damping), v), 0.0f);
    EXPECT_EQ(p.velocity_damping.w, 0.02f);
    EXPECT_EQ(p.position_spawn, glm::vec4(0.5f, -0.5f, 0.0f, 0.0f));
    EXPECT_EQ(p.angle_scale_factor, glm::vec4(0.0f, 0.0f, kPi, 1.0f)) << "the sprite's angle, once";
    EXPECT_EQ(p.angular_velocity_damping, glm::vec4(tumble, spin, 0.02f));
    EXPECT_EQ(p.scales, glm::vec4(1.0f / 64.0f, 1.0f / 64.0f, 0.0f, 0.0f));
    EXPECT_EQ(p.initial_color, unpack_rgba8(pack_rgba8(255, 128, 0, 200)));
    EXPECT_EQ(glm::vec3(p.final_color), glm::vec3(p.initial_color));
    EXPECT_EQ(p.color_factor_life, glm::vec4(10.0f, life, 0.0f, 0.0f));
}

} // namespace
