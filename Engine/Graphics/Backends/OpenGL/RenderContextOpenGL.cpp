#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>

#include "Engine/Graphics/Backends/OpenGL/GlError.h"
#include "Engine/Graphics/Backends/OpenGL/GuiBackend.h"
#include "Engine/Log.h"

#ifndef PELLMAR_SOURCE_ROOT
#define PELLMAR_SOURCE_ROOT "."
#endif

namespace {

// Enumeration tables; an out-of-range value raises the standard out-of-range error through at().
constexpr std::array<GLenum, 3> kBufferTypes{GL_ARRAY_BUFFER, GL_ELEMENT_ARRAY_BUFFER, GL_DRAW_INDIRECT_BUFFER};
constexpr std::array<GLenum, 2> kBufferUsages{GL_STATIC_DRAW, GL_DYNAMIC_DRAW};
constexpr std::array<GLenum, 3> kTopologies{GL_POINTS, GL_LINES, GL_TRIANGLES};
constexpr std::array<GLenum, 1> kAttributeTypes{GL_FLOAT};
constexpr std::array<GLenum, 2> kTextureTypes{GL_TEXTURE_2D, GL_TEXTURE_2D_ARRAY};
constexpr std::array<GLenum, 2> kTextureFormats{GL_RGBA8, GL_R16UI};
constexpr std::array<GLenum, 2> kUploadFormats{GL_RGBA, GL_RED_INTEGER};
constexpr std::array<GLenum, 2> kPixelTypes{GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT};
constexpr std::array<GLenum, 2> kStageKinds{GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
constexpr std::array<GLenum, 2> kBlendSrcs{GL_SRC_ALPHA, GL_ZERO};
constexpr std::array<GLenum, 2> kBlendDsts{GL_ONE, GL_ONE_MINUS_SRC_ALPHA};
constexpr std::array<GLbitfield, 2> kClearTargets{GL_COLOR_BUFFER_BIT, GL_DEPTH_BUFFER_BIT};
constexpr std::array<Uint32, 3> kDisplayModes{0, SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN};

void GLAPIENTRY debug_message(GLenum, GLenum, GLuint, GLenum severity, GLsizei, const GLchar* message, const void*) {
    if (severity == GL_DEBUG_SEVERITY_NOTIFICATION) {
        return;
    }
    std::printf("OpenGL Message: %s\n", message);
}

const char* gl_string(GLenum name) {
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}

uint64_t now_ns() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

// Drivers without a display have nothing to wait for: their swaps return at once whatever the swap interval.
bool driver_has_display() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver == nullptr || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0);
}

// Render targets are at least one pixel in each direction, so a collapsed panel never makes an empty target.
uint32_t at_least_one(uint32_t v) { return v == 0 ? 1 : v; }

} // namespace

RenderContextOpenGL::RenderContextOpenGL() : m_font_path(PELLMAR_SOURCE_ROOT "/SourceAssets/Fonts/arial.ttf") {}

RenderContextOpenGL::~RenderContextOpenGL() { shutdown(); }

Result RenderContextOpenGL::init(const WindowConfig& config) {
    if (!m_video_initialised) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return Result::fail("Failed to create SDL window");
        }
        m_video_initialised = true;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);

    std::string title(config.title);
    m_window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                static_cast<int>(config.width), static_cast<int>(config.height),
                                SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (m_window == nullptr) {
        return Result::fail("Failed to create SDL window");
    }
    m_gl_context = SDL_GL_CreateContext(m_window);
    if (m_gl_context == nullptr) {
        return Result::fail("Failed to create OpenGL context");
    }
    // libepoxy resolves functions on first use; there is no loader call to make.
    {
        LogGuard guard(LogLevelInfo, LogRender, 1);
        LOGF("Loaded OpenGL verion: {} {} {} {}", gl_string(GL_VERSION), gl_string(GL_RENDERER), gl_string(GL_VENDOR),
             gl_string(GL_SHADING_LANGUAGE_VERSION));
    }
    if (config.debug_output) {
        glEnable(GL_DEBUG_OUTPUT);
        GL_CALL(glDebugMessageCallback(debug_message, nullptr));
    }
    // A virtual X server refuses vsync (-1); then, or without vsync, end_frame paces frames at the display's
    // refresh rate.
    int interval_result = SDL_GL_SetSwapInterval(config.vsync ? 1 : 0);
    m_vsync_in_effect = config.vsync && interval_result == 0 && SDL_GL_GetSwapInterval() != 0 && driver_has_display();
    SDL_DisplayMode mode{};
    int refresh_hz = SDL_GetWindowDisplayMode(m_window, &mode) == 0 ? mode.refresh_rate : 0;
    m_pacer = FramePacer{frame_period_ns(refresh_hz), 0};
    {
        LogGuard guard(LogLevelInfo, LogRender, 1);
        if (m_vsync_in_effect) {
            LOGF("Frames wait for vsync");
        } else {
            LOGF("Frames paced at {} Hz", 1'000'000'000ull / m_pacer.period_ns);
        }
    }
    GL_CALL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    // Region writes of any width (odd-sized images, 16-bit flags) are tightly packed.
    GL_CALL(glPixelStorei(GL_UNPACK_ALIGNMENT, 1));

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    m_gui_context = true;
    ImGui::StyleColorsDark();
    ImGuiIO& io = ImGui::GetIO();
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard | ImGuiConfigFlags_NavEnableGamepad;

    std::error_code ec;
    if (!m_font_path.empty() && std::filesystem::is_regular_file(m_font_path, ec)) {
        ImFont* font = io.Fonts->AddFontFromFileTTF(m_font_path.c_str(), 18.0f);
        if (font == nullptr) {
            return Result::fail("Failed to load font!");
        }
        io.FontDefault = font;
    }

    gui_backend_init(m_window, m_gl_context);
    m_gui_backends = true;
    return Result::ok();
}

void RenderContextOpenGL::release_resources() {
    for (const GlBufferRecord& b : m_buffers.records) {
        glDeleteBuffers(1, &b.vbo);
    }
    for (uint32_t vao : m_meshes.records) {
        glDeleteVertexArrays(1, &vao);
    }
    for (const GlShaderRecord& s : m_shaders.records) {
        glDeleteProgram(s.program);
    }
    for (const GlTextureRecord& t : m_textures.records) {
        glDeleteTextures(1, &t.id);
    }
    for (const GlFramebufferRecord& f : m_framebuffers.records) {
        glDeleteFramebuffers(1, &f.id);
        glDeleteTextures(1, &f.color);
        glDeleteRenderbuffers(1, &f.depth);
    }
    m_buffers.clear();
    m_meshes.clear();
    m_shaders.clear();
    m_textures.clear();
    m_framebuffers.clear();
}

void RenderContextOpenGL::shutdown() {
    if (m_gui_backends) {
        gui_backend_shutdown();
        m_gui_backends = false;
    }
    if (m_gui_context) {
        ImGui::DestroyContext();
        m_gui_context = false;
    }
    if (m_gl_context != nullptr) {
        if (m_frame_fence != nullptr) {
            glDeleteSync(static_cast<GLsync>(m_frame_fence));
            m_frame_fence = nullptr;
        }
        release_resources();
        SDL_GL_DeleteContext(m_gl_context);
        m_gl_context = nullptr;
    }
    if (m_window != nullptr) {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
    if (m_video_initialised) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_video_initialised = false;
    }
}

bool RenderContextOpenGL::poll_event(SDL_Event& event) {
    if (SDL_PollEvent(&event) == 0) {
        return false;
    }
    if (m_gui_backends) {
        gui_backend_process_event(event);
    }
    return true;
}

void RenderContextOpenGL::begin_frame() {
    gui_backend_new_frame();
    ImGui::NewFrame();
    clear_buffers(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RenderContextOpenGL::clear_buffers(uint32_t bits) {
    float color[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    double depth = 1.0;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, color);
    glGetDoublev(GL_DEPTH_CLEAR_VALUE, &depth);
    uint32_t clean = m_clean_bits;
    if ((clean & GL_COLOR_BUFFER_BIT) != 0 && std::memcmp(color, m_clean_color, sizeof color) != 0) {
        clean &= ~static_cast<uint32_t>(GL_COLOR_BUFFER_BIT);
    }
    if ((clean & GL_DEPTH_BUFFER_BIT) != 0 && depth != m_clean_depth) {
        clean &= ~static_cast<uint32_t>(GL_DEPTH_BUFFER_BIT);
    }
    const uint32_t issue = m_skip_clean_clears ? bits & ~clean : bits;
    if (issue != 0) {
        // Nothing draws with the window's stencil, so a depth clear takes it along: the software rasteriser
        // then fills whole depth-stencil words instead of keeping the stencil bits of each pixel, which made
        // the depth clears a quarter of a frame's work.
        const uint32_t gl_bits = (issue & GL_DEPTH_BUFFER_BIT) != 0 ? issue | GL_STENCIL_BUFFER_BIT : issue;
        GL_CALL(glClear(gl_bits));
        m_clears_issued += 1;
    }
    m_clean_bits = clean | bits;
    std::memcpy(m_clean_color, color, sizeof color);
    m_clean_depth = depth;
}

void RenderContextOpenGL::end_frame() {
    ImGui::Render();
    gui_backend_render();
    // The GUI draws behind the back end's back, and the swap leaves the window undefined.
    forget_clean_buffers();
    m_depth_test = true;
    SDL_GL_SwapWindow(m_window);
    m_frames_presented += 1;
    wait_for_previous_frame();
    pace_frame();
}

void RenderContextOpenGL::idle_frame() {
    // No swap waits for the display here, vsync or not: the pacer holds the cadence.
    m_frames_idled += 1;
    if (m_pace_frames) {
        sleep_to_cadence();
    }
}

// At most one frame in flight: when the swap does not block, the driver would otherwise queue frames without
// bound (gigabytes of them, all rendered when the context closes).
void RenderContextOpenGL::wait_for_previous_frame() {
    constexpr GLuint64 kMaxWaitNs = 1'000'000'000ull;
    if (m_frame_fence != nullptr) {
        GLsync previous = static_cast<GLsync>(m_frame_fence);
        glClientWaitSync(previous, GL_SYNC_FLUSH_COMMANDS_BIT, kMaxWaitNs);
        glDeleteSync(previous);
    }
    m_frame_fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

void RenderContextOpenGL::pace_frame() {
    // A minimised or hidden window swaps at once even with vsync.
    bool hidden = (SDL_GetWindowFlags(m_window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
    if ((m_vsync_in_effect && !hidden) || !m_pace_frames) {
        return;
    }
    sleep_to_cadence();
}

void RenderContextOpenGL::sleep_to_cadence() {
    uint64_t wait = frame_pacer_wait(m_pacer, now_ns());
    if (wait > 0) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
    }
}

void RenderContextOpenGL::set_display_mode(uint32_t mode) {
    if (mode >= kDisplayModes.size() || m_window == nullptr) {
        return;
    }
    SDL_SetWindowFullscreen(m_window, kDisplayModes[mode]);
}

Handle RenderContextOpenGL::create_buffer(uint32_t type, uint32_t usage, uint64_t size, const void* data) {
    GlBufferRecord record;
    record.gl_type = kBufferTypes.at(type);
    record.gl_usage = kBufferUsages.at(usage);
    record.size = size;
    GLuint vbo = 0;
    GL_CALL(glCreateBuffers(1, &vbo));
    record.vbo = vbo;
    GLenum gl_usage = record.gl_usage;
    if (size != 0) {
        GL_CALL(glNamedBufferData(vbo, static_cast<GLsizeiptr>(size), data, gl_usage));
    }
    return m_buffers.add(record);
}

void RenderContextOpenGL::set_buffer_data(Handle buffer, uint64_t size, const void* data) {
    GlBufferRecord& record = m_buffers.get(buffer);
    if (record.size == 0 && size == 0) {
        return;
    }
    record.size = size;
    GLuint vbo = record.vbo;
    GLenum gl_usage = record.gl_usage;
    GL_CALL(glNamedBufferData(vbo, static_cast<GLsizeiptr>(size), size == 0 ? nullptr : data, gl_usage));
}

void RenderContextOpenGL::set_buffer_sub_data(Handle buffer, uint64_t offset, uint64_t size, const void* data) {
    GlBufferRecord& record = m_buffers.get(buffer);
    if (record.size == 0 && size == 0) {
        return;
    }
    GLuint vbo = record.vbo;
    GL_CALL(glNamedBufferSubData(vbo, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(size), data));
}

Handle RenderContextOpenGL::create_mesh(const MeshLayout& layout, const Handle* buffers) {
    GLuint vao = 0;
    GL_CALL(glGenVertexArrays(1, &vao));
    GL_CALL(glBindVertexArray(vao));
    for (uint64_t i = 0; i < layout.count && i < kMaxBufferLayouts; ++i) {
        const BufferLayout& buffer = layout.buffers[i];
        GLuint vbo = m_buffers.get(buffers[i]).vbo;
        GL_CALL(glBindBuffer(GL_ARRAY_BUFFER, vbo));
        for (uint64_t a = 0; a < buffer.count && a < kMaxAttributes; ++a) {
            const Attribute& attribute = buffer.attributes[a];
            GLenum gl_type = kAttributeTypes.at(attribute.type);
            const void* offset = reinterpret_cast<const void*>(static_cast<uintptr_t>(attribute.offset));
            GL_CALL(glEnableVertexAttribArray(attribute.index));
            GL_CALL(glVertexAttribPointer(attribute.index, static_cast<GLint>(attribute.count), gl_type, GL_FALSE,
                                          static_cast<GLsizei>(buffer.stride), offset));
            GL_CALL(glVertexAttribDivisor(attribute.index, buffer.instanced ? 1 : 0));
        }
    }
    return m_meshes.add(vao);
}

Handle RenderContextOpenGL::create_shader(const ShaderDefinition& definition) {
    GlShaderRecord record;
    GLuint program = GL_CALL_RET(glCreateProgram());
    record.program = program;
    for (uint64_t i = 0; i < definition.stage_count && i < kMaxStages; ++i) {
        const Stage& stage = definition.stages[i];
        GLuint shader = GL_CALL_RET(glCreateShader(kStageKinds.at(stage.kind)));
        const char* source = stage.source.c_str();
        GL_CALL(glShaderSource(shader, 1, &source, nullptr));
        GL_CALL(glCompileShader(shader));
        GLint status = GL_FALSE;
        GL_CALL(glGetShaderiv(shader, GL_COMPILE_STATUS, &status));
        if (status == GL_FALSE) {
            char log[1024] = {};
            GL_CALL(glGetShaderInfoLog(shader, sizeof(log), nullptr, log));
            std::printf("%s\n", log);
        }
        GL_CALL(glAttachShader(program, shader));
    }
    GL_CALL(glLinkProgram(program));
    GLint linked = GL_FALSE;
    GL_CALL(glGetProgramiv(program, GL_LINK_STATUS, &linked));
    if (linked == GL_FALSE) {
        char log[1024] = {};
        GL_CALL(glGetProgramInfoLog(program, sizeof(log), nullptr, log));
        std::printf("%s\n", log);
    }
    for (uint64_t i = 0; i < definition.uniform_count && i < kMaxUniforms; ++i) {
        const UniformDecl& decl = definition.uniforms[i];
        GLint location = GL_CALL_RET(glGetUniformLocation(program, decl.name.c_str()));
        record.uniforms[i] = GlUniformEntry{decl.name, decl.kind, location};
    }
    record.uniform_count = definition.uniform_count < kMaxUniforms ? definition.uniform_count : kMaxUniforms;
    return m_shaders.add(std::move(record));
}

Handle RenderContextOpenGL::create_texture(const TextureLayout& layout) {
    GLenum target = kTextureTypes.at(layout.type);
    GLenum internal_format = kTextureFormats.at(layout.format);
    GLuint id = 0;
    GL_CALL(glCreateTextures(target, 1, &id));
    GL_CALL(glTextureParameteri(id, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE));
    GL_CALL(glTextureParameteri(id, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE));
    // Integer formats must not be filtered; nearest keeps every cell exact for colours too.
    GL_CALL(glTextureParameteri(id, GL_TEXTURE_MIN_FILTER, GL_NEAREST));
    GL_CALL(glTextureParameteri(id, GL_TEXTURE_MAG_FILTER, GL_NEAREST));
    GLsizei width = static_cast<GLsizei>(layout.width);
    GLsizei height = static_cast<GLsizei>(layout.height);
    GLsizei depth = static_cast<GLsizei>(layout.depth);
    if (target == GL_TEXTURE_2D) {
        GL_CALL(glTextureStorage2D(id, 1, internal_format, width, height));
    } else {
        GL_CALL(glTextureStorage3D(id, 1, internal_format, width, height, depth));
    }
    return m_textures.add(GlTextureRecord{layout, id});
}

void RenderContextOpenGL::destroy_texture(Handle texture) {
    GlTextureRecord removed = m_textures.remove(texture);
    GL_CALL(glDeleteTextures(1, &removed.id));
}

void RenderContextOpenGL::write_texture(Handle texture, const TextureWrite& region, const void* pixels) {
    const GlTextureRecord& record = m_textures.get(texture);
    GLuint name = record.id;
    GLenum format = kUploadFormats.at(region.format);
    GLenum pixel_type = kPixelTypes.at(region.pixel_type);
    GLint x = static_cast<GLint>(region.x);
    GLint y = static_cast<GLint>(region.y);
    GLint z = static_cast<GLint>(region.z);
    GLsizei width = static_cast<GLsizei>(region.width);
    GLsizei height = static_cast<GLsizei>(region.height);
    GLsizei depth = static_cast<GLsizei>(region.depth);
    if (kTextureTypes.at(record.layout.type) == GL_TEXTURE_2D) {
        GL_CALL(glTextureSubImage2D(name, 0, x, y, width, height, format, pixel_type, pixels));
    } else {
        GL_CALL(glTextureSubImage3D(name, 0, x, y, z, width, height, depth, format, pixel_type, pixels));
    }
}

void RenderContextOpenGL::make_framebuffer_attachments(GlFramebufferRecord& record, uint32_t width, uint32_t height) {
    GLsizei w = static_cast<GLsizei>(at_least_one(width));
    GLsizei h = static_cast<GLsizei>(at_least_one(height));
    GLuint color = 0;
    GL_CALL(glGenTextures(1, &color));
    GL_CALL(glBindTexture(GL_TEXTURE_2D, color));
    GL_CALL(glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr));
    GL_CALL(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR));
    GL_CALL(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR));
    GL_CALL(glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0));
    GLuint depth = 0;
    GL_CALL(glGenRenderbuffers(1, &depth));
    GL_CALL(glBindRenderbuffer(GL_RENDERBUFFER, depth));
    GL_CALL(glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h));
    GL_CALL(glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth));
    record.color = color;
    record.depth = depth;
}

Handle RenderContextOpenGL::create_framebuffer(uint32_t width, uint32_t height) {
    GlFramebufferRecord record;
    GLuint id = 0;
    GL_CALL(glGenFramebuffers(1, &id));
    GL_CALL(glBindFramebuffer(GL_FRAMEBUFFER, id));
    m_bound_framebuffer = id;
    m_bound_known = true;
    forget_clean_buffers();
    record.id = id;
    make_framebuffer_attachments(record, width, height);
    return m_framebuffers.add(record);
}

void RenderContextOpenGL::resize_framebuffer(Handle framebuffer, uint32_t width, uint32_t height) {
    GlFramebufferRecord& record = m_framebuffers.get(framebuffer);
    GL_CALL(glDeleteTextures(1, &record.color));
    GL_CALL(glDeleteRenderbuffers(1, &record.depth));
    GL_CALL(glBindFramebuffer(GL_FRAMEBUFFER, record.id));
    m_bound_framebuffer = record.id;
    m_bound_known = true;
    forget_clean_buffers();
    make_framebuffer_attachments(record, width, height);
}

uint32_t RenderContextOpenGL::framebuffer_color_texture(Handle framebuffer) {
    return m_framebuffers.get(framebuffer).color;
}

void RenderContextOpenGL::execute(const RenderCommandList& list) {
    Handle current_shader = kInvalidHandle;
    uint64_t next_uniform = 0;
    GLint next_unit = 0;
    for (const RenderCommand& command : list.commands()) {
        switch (command.kind) {
        case RenderCommandDepthTest:
            command.enabled ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
            m_depth_test = command.enabled != 0;
            break;
        case RenderCommandBlend:
            command.enabled ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
            break;
        case RenderCommandBlendFunc: {
            GLenum source = kBlendSrcs.at(command.blend_func.source);
            GLenum destination = kBlendDsts.at(command.blend_func.destination);
            GL_CALL(glBlendFunc(source, destination));
            break;
        }
        case RenderCommandUseShader: {
            GLuint program = m_shaders.get(command.shader).program;
            GL_CALL(glUseProgram(program));
            current_shader = command.shader;
            next_uniform = 0;
            next_unit = 0;
            break;
        }
        case RenderCommandSetUniform: {
            const GlShaderRecord& shader = m_shaders.get(current_shader);
            if (next_uniform >= kMaxUniforms) {
                throw std::out_of_range("execute: more uniforms than a shader declares");
            }
            const GlUniformEntry& entry = shader.uniforms[next_uniform++];
            GLint location = entry.location;
            const UniformValue& value = command.uniform;
            if (entry.kind == UniformKindFloat) {
                GL_CALL(glUniform1f(location, value.scalar));
            } else if (entry.kind == UniformKindMatrix) {
                GL_CALL(glUniformMatrix4fv(location, 1, GL_FALSE, &value.matrix[0][0]));
            } else if (entry.kind == UniformKindTexture && m_textures.contains(value.texture)) {
                GLuint texture = m_textures.get(value.texture).id;
                GLint unit = next_unit++;
                GL_CALL(glBindTextureUnit(static_cast<GLuint>(unit), texture));
                GL_CALL(glUniform1i(location, unit));
            }
            break;
        }
        case RenderCommandBindFramebuffer: {
            GLuint id = command.framebuffer == kInvalidHandle ? 0 : m_framebuffers.get(command.framebuffer).id;
            GL_CALL(glBindFramebuffer(GL_FRAMEBUFFER, id));
            if (!m_bound_known || id != m_bound_framebuffer) {
                forget_clean_buffers();
            }
            m_bound_framebuffer = id;
            m_bound_known = true;
            break;
        }
        case RenderCommandViewport:
            glViewport(static_cast<GLint>(command.viewport.x), static_cast<GLint>(command.viewport.y),
                       static_cast<GLsizei>(command.viewport.width), static_cast<GLsizei>(command.viewport.height));
            break;
        case RenderCommandClear: {
            GLbitfield bits = 0;
            for (uint64_t i = 0; i < command.clear.count && i < 4; ++i) {
                bits |= kClearTargets.at(command.clear.targets[i]);
            }
            clear_buffers(bits);
            break;
        }
        case RenderCommandDraw: {
            const DrawCall& draw = command.draw;
            // Only a depth-tested draw writes depth.
            m_clean_bits &= m_depth_test ? 0u : static_cast<uint32_t>(GL_DEPTH_BUFFER_BIT);
            GLuint vao = m_meshes.get(draw.mesh);
            GL_CALL(glBindVertexArray(vao));
            GLenum gl_topology = kTopologies.at(draw.topology);
            if (draw.indirect_draw_count != 0) {
                const GlBufferRecord& indirect = m_buffers.get(draw.indirect_buffer);
                GL_CALL(glBindBuffer(indirect.gl_type, indirect.vbo));
                GL_CALL(
                    glMultiDrawArraysIndirect(gl_topology, nullptr, static_cast<GLsizei>(draw.indirect_draw_count), 0));
            } else if (draw.instance_count != 0 && draw.instance_base != 0) {
                GL_CALL(glDrawArraysInstancedBaseInstance(gl_topology, 0, static_cast<GLsizei>(draw.vertex_count),
                                                          static_cast<GLsizei>(draw.instance_count),
                                                          static_cast<GLuint>(draw.instance_base)));
            } else if (draw.instance_count != 0) {
                GL_CALL(glDrawArraysInstanced(gl_topology, 0, static_cast<GLsizei>(draw.vertex_count),
                                              static_cast<GLsizei>(draw.instance_count)));
            } else if (draw.vertex_count != 0) {
                GL_CALL(glDrawArrays(gl_topology, 0, static_cast<GLsizei>(draw.vertex_count)));
            }
            break;
        }
        default:
            break;
        }
    }
}
