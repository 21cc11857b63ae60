#include "Engine/Graphics/RenderEventHandler.h"

#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Constants.h"
#include "Engine/Random.h"

namespace {

template <typename T>
Range<T> single(T value) {
    return Range<T>{true, value, T(0)};
}

} // namespace

ParticleSpawnSettings debris_cell_settings(const DebrisCellParticle& cell) {
    const glm::vec2 v = cell.velocity;
    // Separate statements: the draws come in this order.
    const glm::vec2 spread = random_vec2_in_unit_box();
    const float spin = random_range(-kPi, kPi);
    const glm::vec2 tumble = random_vec2_in_box(kPi, kPi);
    const float life = random_range(5.0f, 10.0f);

    const glm::vec4 color = unpack_rgba8(cell.color);
    ParticleSpawnSettings s;
    s.position = single(glm::vec2(0.0f));
    s.z = single(0.0f);
    s.angle = single(cell.angle);
    s.angle_xy = single(glm::vec2(0.0f));
    s.velocity = single(v + 0.2f * glm::length(v) * spread);
    s.velocity_z = single(0.0f);
    s.damping = single(0.02f);
    s.angular_velocity = single(spin);
    s.angular_velocity_xy = single(tumble);
    s.angular_damping = single(0.02f);
    s.life = single(life);
    s.initial_scale = single(glm::vec2(1.0f / 64.0f));
    s.final_scale = single(glm::vec2(0.0f));
    s.factor_scale = single(1.0f);
    s.initial_color = single(color);
    // Fades out at the very end of its life.
    s.final_color = single(glm::vec4(color.r, color.g, color.b, 0.0f));
    s.factor_color = single(10.0f);
    s.number_to_spawn = single(int32_t{1});
    return s;
}

void RenderEventHandler::handle(const SpawnParticleEvent& event) {
    if (event.cosmetic) {
        ScopedRandomGenerator preview(cosmetic_random_generator());
        m_renderer->spawn_particles(event.position, event.angle, event.settings);
        return;
    }
    m_renderer->spawn_particles(event.position, event.angle, event.settings);
}

void RenderEventHandler::handle(const SpawnLightningEvent& event) { m_renderer->add_effect(event); }

void RenderEventHandler::on_spawn_cell_particles(const SpawnCellParticleEvent& event) {
    for (const DebrisCellParticle& cell : event.cells) {
        // The velocity is already in world space: an emitter angle would turn it a second time.
        m_renderer->spawn_particles(cell.world_position, 0.0f, debris_cell_settings(cell));
    }
}
