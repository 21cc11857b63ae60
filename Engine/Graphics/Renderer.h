#pragma once
// The engine's 2D renderer. Scenes and systems add draw items to its batches during the frame, the scene uploads
// them, and the frame records a fixed sequence of draw steps into one command list.

#include <cstdint>
#include <span>
#include <vector>

#include <glm/glm.hpp>

#include "Engine/Graphics/BranchingLineEffect.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Graphics/LightningEvent.h"
#include "Engine/Graphics/LineBatch.h"
#include "Engine/Graphics/ParticleBatch.h"
#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/Graphics/SpriteBatch.h"
#include "Engine/Graphics/SpriteDraw.h"
#include "Engine/Graphics/StaticSpriteBatch.h"
#include "Engine/Graphics/ThickLineBatch.h"
#include "Engine/Graphics/UvRect.h"
#include "Engine/Math/Transform.h"

class DebugLines;

inline constexpr uint32_t kRendererChunkSize = 32;
inline constexpr uint32_t kRendererLayerSize = 1024;

class Renderer {
public:
    Renderer();

    // Creates every batch's GPU objects and the five built-in shaders, and sets up the UI camera.
    void init(RenderContextBase& context);

    void set_world_camera(const Camera& camera) { m_world_camera = camera; }
    void set_ui_camera(const Camera& camera) { m_ui_camera = camera; }
    // The framebuffer the next frame binds first; the invalid handle draws into the window.
    void set_target(Handle framebuffer) { m_target = framebuffer; }
    void set_sprite_textures(Handle sprite_atlas, Handle chunk_color, Handle chunk_flags);

    // Particle time += delta; retires expired particles of both particle batches and grows the branching line
    // effects.
    void advance_time(float delta);

    // Particles: each is written once into a GPU ring and moved, scaled and faded by the particle shader until its
    // life ends. World particles are drawn additively over the world's sprites in world units; UI particles over
    // the UI, in the UI camera's units (half height 1). `angle` turns the sampled offset and velocity and is added
    // to the sampled angle. Safe without a window: the rings exist from construction.
    void spawn_particles(glm::vec2 position, float angle, const ParticleSpawnSettings& settings) {
        m_world_particles.emit(position, angle, settings);
    }
    void spawn_ui_particles(glm::vec2 position, float angle, const ParticleSpawnSettings& settings) {
        m_ui_particles.emit(position, angle, settings);
    }
    // Starts a branching line effect; it grows with advance_time and is drawn through the line batch.
    void add_effect(const SpawnLightningEvent& event) { spawn_branching_line_effect(m_effects, event); }

    // Destructible sprites, culled sprite by sprite and then chunk by chunk against the world (or UI) camera.
    void add_sprite(const Transform& transform, const SpriteDraw& sprite);
    void add_ui_sprite(const Transform& transform, const SpriteDraw& sprite);
    // The same for any range of chunk records, turned into SpriteChunkDraw by to_chunk; saves a copy per sprite.
    template <typename Range, typename ToChunk>
    void add_sprite(const Transform& transform, uint32_t chunks_x, uint32_t chunks_y, const Range& chunks,
                    ToChunk&& to_chunk) {
        add_sprite_chunks(m_world_sprites, m_world_camera, transform, chunks_x, chunks_y, chunks, to_chunk);
    }
    template <typename Range, typename ToChunk>
    void add_ui_sprite(const Transform& transform, uint32_t chunks_x, uint32_t chunks_y, const Range& chunks,
                       ToChunk&& to_chunk) {
        add_sprite_chunks(m_ui_sprites, m_ui_camera, transform, chunks_x, chunks_y, chunks, to_chunk);
    }

    // Culled against the world camera; drawn untinted.
    void add_static_sprite(const Transform& transform, const UvRect& uv);
    void add_ui_static_sprite(const Transform& transform, const UvRect& uv, uint32_t rgba8);
    void add_background_sprite(const Transform& transform, const UvRect& uv, uint32_t rgba8);
    void add_line(const Trail& trail) { m_lines.add_line(trail); }
    void add_line(std::span<const LinePoint> points) { m_lines.add_line(points); }

    // The buffer's coloured lines (rebuilt when stale) as segments of the debug line batch, which is uploaded
    // on its own once the three buffers are in.
    void add_debug_lines(DebugLines& lines);
    void upload_batches(RenderContextBase& context);
    // The frame's command list: bind the target, then the 13 steps.
    RenderCommandList record_frame() const;
    void render(RenderContextBase& context);

    const Camera& world_camera() const { return m_world_camera; }
    const Camera& ui_camera() const { return m_ui_camera; }
    Handle target() const { return m_target; }
    float time() const { return m_time; }
    LineBatch& debug_line_batch() { return m_debug_lines; }
    const SpriteBatch& world_sprite_batch() const { return m_world_sprites; }
    const SpriteBatch& ui_sprite_batch() const { return m_ui_sprites; }
    const StaticSpriteBatch& world_static_sprite_batch() const { return m_world_static_sprites; }
    const StaticSpriteBatch& background_batch() const { return m_background; }
    const ParticleBatch& world_particle_batch() const { return m_world_particles; }
    const ParticleBatch& ui_particle_batch() const { return m_ui_particles; }
    const ThickLineBatch& line_batch() const { return m_lines; }
    const std::vector<BranchingLineEffect>& effects() const { return m_effects; }

    // The world transform of chunk `index` of a sprite with the given chunk counts.
    static Transform chunk_transform(const Transform& sprite, uint32_t chunks_x, uint32_t chunks_y, int32_t index);

private:
    bool sprite_visible(const Camera& camera, const Transform& transform) const;
    void add_chunk(SpriteBatch& batch, const Camera& camera, const Transform& sprite, uint32_t chunks_x,
                   uint32_t chunks_y, const SpriteChunkDraw& chunk);
    template <typename Range, typename ToChunk>
    void add_sprite_chunks(SpriteBatch& batch, const Camera& camera, const Transform& transform, uint32_t chunks_x,
                           uint32_t chunks_y, const Range& chunks, ToChunk& to_chunk) {
        if (chunks_x == 0 || chunks_y == 0 || !sprite_visible(camera, transform)) {
            return;
        }
        for (const auto& chunk : chunks) {
            add_chunk(batch, camera, transform, chunks_x, chunks_y, to_chunk(chunk));
        }
    }

    LineBatch m_debug_lines;
    ThickLineBatch m_lines;
    ParticleBatch m_world_particles;
    SpriteBatch m_world_sprites;
    StaticSpriteBatch m_world_static_sprites;
    SpriteBatch m_ui_sprites;
    StaticSpriteBatch m_ui_static_sprites;
    ParticleBatch m_ui_particles;
    StaticSpriteBatch m_background;
    Handle m_line_shader = kInvalidHandle;
    Handle m_thick_line_shader = kInvalidHandle;
    Handle m_particle_shader = kInvalidHandle;
    Handle m_sprite_shader = kInvalidHandle;
    Handle m_static_sprite_shader = kInvalidHandle;
    std::vector<BranchingLineEffect> m_effects;
    Handle m_sprite_atlas = kInvalidHandle;
    Handle m_chunk_color = kInvalidHandle;
    Handle m_chunk_flags = kInvalidHandle;
    Handle m_target = kInvalidHandle;
    Camera m_world_camera;
    Camera m_ui_camera;
    float m_time = 0.0f;
};
