#include "Engine/Graphics/ParticleBatch.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "Engine/Graphics/Shaders.h"
#include "Engine/Math/Vector.h"
#include "Engine/Random.h"

namespace {

// One draw per float; a vec2 draws x then y; a vec4 draws z, w, then x, y. Single ranges draw nothing.
float sample(const Range<float>& r) { return r.single ? r.min_or_value : random_range(r.min_or_value, r.max); }

glm::vec2 sample(const Range<glm::vec2>& r) {
    if (r.single) {
        return r.min_or_value;
    }
    const float x = random_range(r.min_or_value.x, r.max.x);
    const float y = random_range(r.min_or_value.y, r.max.y);
    return {x, y};
}

glm::vec4 sample(const Range<glm::vec4>& r) {
    if (r.single) {
        return r.min_or_value;
    }
    const float z = random_range(r.min_or_value.z, r.max.z);
    const float w = random_range(r.min_or_value.w, r.max.w);
    const float x = random_range(r.min_or_value.x, r.max.x);
    const float y = random_range(r.min_or_value.y, r.max.y);
    return {x, y, z, w};
}

uint32_t next_slot(uint32_t slot) { return slot + 1 == kParticleCapacity ? 0 : slot + 1; }

} // namespace

ParticleInstance sample_particle(glm::vec2 position, float angle, const ParticleSpawnSettings& s, float spawn_time) {
    // Separate statements: the order of the draws is what replays rely on.
    const glm::vec2 offset = sample(s.position);
    const float z = sample(s.z);
    const float own_angle = sample(s.angle);
    const glm::vec2 angle_xy = sample(s.angle_xy);
    const glm::vec2 velocity = sample(s.velocity);
    const float velocity_z = sample(s.velocity_z);
    const float damping = sample(s.damping);
    const float angular_velocity = sample(s.angular_velocity);
    const glm::vec2 angular_velocity_xy = sample(s.angular_velocity_xy);
    const float angular_damping = sample(s.angular_damping);
    const float life = sample(s.life);
    const glm::vec2 initial_scale = sample(s.initial_scale);
    const glm::vec2 final_scale = sample(s.final_scale);
    const float factor_scale = sample(s.factor_scale);
    const glm::vec4 initial_color = sample(s.initial_color);
    const glm::vec4 final_color = sample(s.final_color);
    const float factor_color = sample(s.factor_color);

    const glm::vec2 at = position + rotate(offset, angle);
    const glm::vec2 moving = rotate(velocity, angle);
    ParticleInstance p;
    p.position_spawn = {at.x, at.y, z, spawn_time};
    p.angle_scale_factor = {angle_xy.x, angle_xy.y, own_angle + angle, factor_scale};
    p.scales = {initial_scale.x, initial_scale.y, final_scale.x, final_scale.y};
    p.initial_color = initial_color;
    p.final_color = final_color;
    p.velocity_damping = {moving.x, moving.y, velocity_z, damping};
    p.angular_velocity_damping = {angular_velocity_xy.x, angular_velocity_xy.y, angular_velocity, angular_damping};
    p.color_factor_life = {factor_color, life, 0.0f, 0.0f};
    return p;
}

ParticleBatch::ParticleBatch()
    : m_ring(static_cast<ParticleInstance*>(std::calloc(kParticleCapacity, sizeof(ParticleInstance)))),
      m_lifetimes(static_cast<Lifetime*>(std::calloc(kParticleCapacity, sizeof(Lifetime)))) {
    if (!m_ring || !m_lifetimes) {
        throw std::bad_alloc();
    }
}

void ParticleBatch::create(RenderContextBase& context) {
    const glm::vec2 quad[6] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}, {-1, 1}, {1, -1}};
    m_quad_buffer = context.create_buffer(BufferTypeVertex, BufferUsageStatic, sizeof(quad), quad);
    m_instance_buffer = context.create_buffer(BufferTypeVertex, BufferUsageDynamic,
                                              uint64_t{kParticleCapacity} * sizeof(ParticleInstance), nullptr);
    Handle buffers[2] = {m_quad_buffer, m_instance_buffer};
    m_mesh = context.create_mesh(particle_shader_description().layout, buffers);
    // A new buffer holds nothing yet: whatever is live goes up with the next upload.
    m_uploaded_written = m_written - 1;
}

void ParticleBatch::push(const ParticleInstance& instance) {
    m_ring[m_tail] = instance;
    m_lifetimes[m_tail] = {instance.position_spawn.w, instance.color_factor_life.y};
    m_tail = next_slot(m_tail);
    if (m_tail == m_head) {
        // Full: the oldest particle is overwritten and dropped.
        m_head = next_slot(m_head);
    }
    ++m_written;
}

void ParticleBatch::emit(glm::vec2 position, float angle, const ParticleSpawnSettings& settings) {
    const Range<int32_t>& n = settings.number_to_spawn;
    int32_t count = n.single ? n.min_or_value : random_int_range(n.min_or_value, n.max);
    // More would only overwrite this same emission's own particles.
    count = std::min(count, static_cast<int32_t>(kParticleCapacity));
    for (int32_t i = 0; i < count; ++i) {
        const ParticleInstance p = sample_particle(position, angle, settings, m_time);
        // Not written: it would be retired at once, but could stop the retirement of those behind it until then.
        if (p.color_factor_life.y > 0.0f) {
            push(p);
        }
    }
}

void ParticleBatch::retire(float time) {
    m_time = time;
    while (m_head != m_tail) {
        const Lifetime& p = m_lifetimes[m_head];
        if (p.life > time - p.spawn) {
            return;
        }
        m_head = next_slot(m_head);
    }
}

void ParticleBatch::upload(RenderContextBase& context) {
    if (empty() || m_written == m_uploaded_written) {
        return;
    }
    m_uploaded_written = m_written;
    constexpr uint64_t kSize = sizeof(ParticleInstance);
    if (m_head < m_tail) {
        context.set_buffer_sub_data(m_instance_buffer, m_head * kSize, (m_tail - m_head) * kSize, &m_ring[m_head]);
        return;
    }
    context.set_buffer_sub_data(m_instance_buffer, m_head * kSize, (kParticleCapacity - m_head) * kSize,
                                &m_ring[m_head]);
    if (m_tail > 0) {
        context.set_buffer_sub_data(m_instance_buffer, 0, m_tail * kSize, &m_ring[0]);
    }
}

void ParticleBatch::append_draw(RenderStep& step) const {
    if (empty()) {
        return;
    }
    DrawCall draw;
    draw.mesh = m_mesh;
    draw.topology = TopologyTriangles;
    draw.vertex_count = 6;
    draw.instance_base = m_head;
    if (m_head < m_tail) {
        draw.instance_count = m_tail - m_head;
        step.add_draw(draw);
        return;
    }
    draw.instance_count = kParticleCapacity - m_head;
    step.add_draw(draw);
    if (m_tail > 0) {
        draw.instance_base = 0;
        draw.instance_count = m_tail;
        step.add_draw(draw);
    }
}
