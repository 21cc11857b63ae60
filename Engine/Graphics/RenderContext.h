#pragma once
// The facade that the engine, scenes and systems use: owns one back end and forwards every call to it.

#include <memory>

#include "Engine/Graphics/RenderContextBase.h"

enum RenderBackendKind : uint32_t { RenderBackendOpenGL = 0 };

// It is a back end itself, so code written against RenderContextBase takes either.
class RenderContext final : public RenderContextBase {
public:
    RenderContext() = default;
    explicit RenderContext(std::unique_ptr<RenderContextBase> backend);

    bool has_backend() const { return m_backend != nullptr; }
    RenderContextBase* backend() const { return m_backend.get(); }

    Result init(const WindowConfig& config) override;
    void shutdown() override;
    bool poll_event(SDL_Event& event) override;
    void begin_frame() override;
    void end_frame() override;
    void idle_frame() override;
    void set_display_mode(uint32_t mode) override;
    Handle create_buffer(uint32_t type, uint32_t usage, uint64_t size, const void* data) override;
    void set_buffer_data(Handle buffer, uint64_t size, const void* data) override;
    void set_buffer_sub_data(Handle buffer, uint64_t offset, uint64_t size, const void* data) override;
    Handle create_mesh(const MeshLayout& layout, const Handle* buffers) override;
    Handle create_shader(const ShaderDefinition& definition) override;
    Handle create_texture(const TextureLayout& layout) override;
    void destroy_texture(Handle texture) override;
    void write_texture(Handle texture, const TextureWrite& region, const void* pixels) override;
    Handle create_framebuffer(uint32_t width, uint32_t height) override;
    void resize_framebuffer(Handle framebuffer, uint32_t width, uint32_t height) override;
    uint32_t framebuffer_color_texture(Handle framebuffer) override;
    void execute(const RenderCommandList& commands) override;

private:
    std::unique_ptr<RenderContextBase> m_backend;
};

// Kind 0 is OpenGL; any other kind logs an error and yields no back end.
std::unique_ptr<RenderContextBase> create_render_context(uint32_t kind);
