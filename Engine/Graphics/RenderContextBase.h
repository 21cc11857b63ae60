#pragma once
// The abstract render back end: window and frame, buffers, meshes, shaders, textures, render targets, command lists.
// Callers hold generational handles; GPU objects never leave the back end.

#include <cstdint>

#include "Engine/Graphics/RenderCommands.h"
#include "Engine/Graphics/RenderTypes.h"
#include "Engine/Graphics/WindowConfig.h"
#include "Engine/Handle.h"
#include "Engine/Result.h"

union SDL_Event;

enum DisplayMode : uint32_t { DisplayModeWindowed = 0, DisplayModeBorderless = 1, DisplayModeFullscreen = 2 };

class RenderContextBase {
public:
    virtual ~RenderContextBase() = default;

    virtual Result init(const WindowConfig& config) = 0;
    virtual void shutdown() = 0;
    virtual bool poll_event(SDL_Event& event) = 0;
    virtual void begin_frame() = 0;
    virtual void end_frame() = 0;
    // A frame that is not drawn (the window cannot be seen): nothing is presented, and the frame takes its
    // time as a presented one would.
    virtual void idle_frame() = 0;
    virtual void set_display_mode(uint32_t mode) = 0;
    virtual Handle create_buffer(uint32_t type, uint32_t usage, uint64_t size, const void* data) = 0;
    virtual void set_buffer_data(Handle buffer, uint64_t size, const void* data) = 0;
    virtual void set_buffer_sub_data(Handle buffer, uint64_t offset, uint64_t size, const void* data) = 0;
    // Buffer i is read through buffer layout i, for each of the layout's buffer layouts.
    virtual Handle create_mesh(const MeshLayout& layout, const Handle* buffers) = 0;
    virtual Handle create_shader(const ShaderDefinition& definition) = 0;
    virtual Handle create_texture(const TextureLayout& layout) = 0;
    virtual void destroy_texture(Handle texture) = 0;
    virtual void write_texture(Handle texture, const TextureWrite& region, const void* pixels) = 0;
    // A render target with a colour texture and a depth buffer.
    virtual Handle create_framebuffer(uint32_t width, uint32_t height) = 0;
    virtual void resize_framebuffer(Handle framebuffer, uint32_t width, uint32_t height) = 0;
    // The API name of the target's colour texture, shown by the editor as an image.
    virtual uint32_t framebuffer_color_texture(Handle framebuffer) = 0;
    virtual void execute(const RenderCommandList& commands) = 0;
};
