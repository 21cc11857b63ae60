#pragma once
// Particles live on the GPU: each one is written once, when it is emitted, into a ring of instances, and the
// particle shader evaluates its motion, scale and colour from the spawn state and the time uniform. The CPU only
// retires expired particles from the front of the ring.

#include <cstdint>
#include <cstdlib>
#include <memory>

#include <glm/glm.hpp>

#include "Common/Assets/ParticleSpawnSettings.h"
#include "Engine/Graphics/RenderContextBase.h"

// Eight vec4 in the order of the particle shader's attributes.
struct ParticleInstance {
    glm::vec4 position_spawn;     // emit position x, y, z, spawn time
    glm::vec4 angle_scale_factor; // angle about x, y, z, scale exponent
    glm::vec4 scales;             // initial scale x, y, final scale x, y
    glm::vec4 initial_color;
    glm::vec4 final_color;
    glm::vec4 velocity_damping;         // velocity x, y, z, damping
    glm::vec4 angular_velocity_damping; // angular velocity about x, y, z, angular damping
    glm::vec4 color_factor_life;        // colour exponent, life, 0, 0
};
static_assert(sizeof(ParticleInstance) == 128);

inline constexpr uint32_t kParticleCapacity = 129792;

// The particle of the ranges sampled in their fixed order, emitted at `position` turned by `angle`. Draws from
// the global generator exactly as an emission does.
ParticleInstance sample_particle(glm::vec2 position, float angle, const ParticleSpawnSettings& settings,
                                 float spawn_time);

class ParticleBatch {
public:
    // The ring exists from construction, so scenes without a window emit and retire like any other.
    ParticleBatch();

    void create(RenderContextBase& context);
    // Emits "number_to_spawn" particles (at most the capacity). A particle with no life is sampled, keeping the
    // random sequence, but not written.
    void emit(glm::vec2 position, float angle, const ParticleSpawnSettings& settings);
    // Sets the batch time and drops expired particles from the front, strictly in emission order.
    void retire(float time);
    // Sends the live run (two runs when the ring wraps) when anything was emitted since the last upload.
    void upload(RenderContextBase& context);
    // One instanced draw, or two when the ring wraps.
    void append_draw(RenderStep& step) const;

    uint32_t head() const { return m_head; }
    uint32_t tail() const { return m_tail; }
    bool empty() const { return m_head == m_tail; }
    uint32_t live_count() const { return m_tail >= m_head ? m_tail - m_head : kParticleCapacity - m_head + m_tail; }
    float time() const { return m_time; }
    const ParticleInstance& slot(uint32_t index) const { return m_ring[index]; }
    Handle instance_buffer() const { return m_instance_buffer; }

private:
    struct FreeRing {
        void operator()(void* p) const { std::free(p); }
    };
    // Spawn time and life of each slot, beside the ring: retiring a long run of expired particles then reads
    // 8 bytes a particle instead of touching every 128-byte instance.
    struct Lifetime {
        float spawn;
        float life;
    };

    void push(const ParticleInstance& instance);

    Handle m_quad_buffer = kInvalidHandle;
    Handle m_instance_buffer = kInvalidHandle;
    Handle m_mesh = kInvalidHandle;
    // Zero-filled pages from calloc: a batch that never sees many particles never touches most of its 16 MB.
    std::unique_ptr<ParticleInstance[], FreeRing> m_ring;
    std::unique_ptr<Lifetime[], FreeRing> m_lifetimes;
    uint32_t m_head = 0; // oldest live particle
    uint32_t m_tail = 0; // next free slot
    // Counts writes: head and tail alone look unchanged after a ring that wrapped exactly once.
    uint64_t m_written = 0;
    uint64_t m_uploaded_written = 0;
    float m_time = 0.0f;
};
