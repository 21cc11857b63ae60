#include "Engine/Graphics/RenderContext.h"

#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Log.h"

RenderContext::RenderContext(std::unique_ptr<RenderContextBase> backend) : m_backend(std::move(backend)) {}

Result RenderContext::init(const WindowConfig& config) { return m_backend->init(config); }
void RenderContext::shutdown() { m_backend->shutdown(); }
bool RenderContext::poll_event(SDL_Event& event) { return m_backend->poll_event(event); }
void RenderContext::begin_frame() { m_backend->begin_frame(); }
void RenderContext::end_frame() { m_backend->end_frame(); }
void RenderContext::idle_frame() { m_backend->idle_frame(); }
void RenderContext::set_display_mode(uint32_t mode) { m_backend->set_display_mode(mode); }
Handle RenderContext::create_buffer(uint32_t type, uint32_t usage, uint64_t size, const void* data) {
    return m_backend->create_buffer(type, usage, size, data);
}
void RenderContext::set_buffer_data(Handle buffer, uint64_t size, const void* data) {
    m_backend->set_buffer_data(buffer, size, data);
}
void RenderContext::set_buffer_sub_data(Handle buffer, uint64_t offset, uint64_t size, const void* data) {
    m_backend->set_buffer_sub_data(buffer, offset, size, data);
}
Handle RenderContext::create_mesh(const MeshLayout& layout, const Handle* buffers) {
    return m_backend->create_mesh(layout, buffers);
}
Handle RenderContext::create_shader(const ShaderDefinition& definition) { return m_backend->create_shader(definition); }
Handle RenderContext::create_texture(const TextureLayout& layout) { return m_backend->create_texture(layout); }
void RenderContext::destroy_texture(Handle texture) { m_backend->destroy_texture(texture); }
void RenderContext::write_texture(Handle texture, const TextureWrite& region, const void* pixels) {
    m_backend->write_texture(texture, region, pixels);
}
Handle RenderContext::create_framebuffer(uint32_t width, uint32_t height) {
    return m_backend->create_framebuffer(width, height);
}
void RenderContext::resize_framebuffer(Handle framebuffer, uint32_t width, uint32_t height) {
    m_backend->resize_framebuffer(framebuffer, width, height);
}
uint32_t RenderContext::framebuffer_color_texture(Handle framebuffer) {
    return m_backend->framebuffer_color_texture(framebuffer);
}
void RenderContext::execute(const RenderCommandList& commands) { m_backend->execute(commands); }

std::unique_ptr<RenderContextBase> create_render_context(uint32_t kind) {
    if (kind == RenderBackendOpenGL) {
        return std::make_unique<RenderContextOpenGL>();
    }
    LogGuard guard(LogLevelError, LogRender, 1);
    LOGF("Invalid renderer backend");
    return nullptr;
}
