#pragma once
// The OpenGL 4.5 core back end on SDL2, with the GUI library's context and five handle-addressed resource stores.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "Engine/Graphics/FramePacer.h"
#include "Engine/Graphics/RenderContextBase.h"
#include "Engine/SparseIndex.h"

struct SDL_Window;

struct GlBufferRecord {
    uint32_t gl_type = 0;
    uint32_t gl_usage = 0;
    uint64_t size = 0;
    uint32_t vbo = 0;
};

struct GlUniformEntry {
    std::string name;
    uint32_t kind = UniformKindFloat;
    int32_t location = -1;
};

struct GlShaderRecord {
    uint32_t program = 0;
    GlUniformEntry uniforms[kMaxUniforms];
    uint64_t uniform_count = 0;
};

struct GlTextureRecord {
    TextureLayout layout;
    uint32_t id = 0;
};

struct GlFramebufferRecord {
    uint32_t id = 0;
    uint32_t color = 0;
    uint32_t depth = 0;
};

// Record i belongs to dense index i of the sparse index; removal swaps the last record into the hole, like the index.
template <typename Record>
struct GlStore {
    SparseIndex index;
    std::vector<Record> records;

    Handle add(Record record) {
        Handle handle = index.allocate();
        records.push_back(std::move(record));
        return handle;
    }
    // A handle that does not resolve raises the standard out-of-range error.
    Record& get(Handle handle) {
        int32_t dense = index.index_of(handle);
        if (dense < 0) {
            throw std::out_of_range("GlStore: stale handle");
        }
        return records.at(static_cast<size_t>(dense));
    }
    bool contains(Handle handle) const { return index.contains(handle); }
    Record remove(Handle handle) {
        int32_t dense = index.index_of(handle);
        if (dense < 0) {
            throw std::out_of_range("GlStore: stale handle");
        }
        Record removed = std::move(records.at(static_cast<size_t>(dense)));
        index.free(handle.index);
        records[static_cast<size_t>(dense)] = std::move(records.back());
        records.pop_back();
        return removed;
    }
    void clear() {
        index = SparseIndex{};
        records.clear();
    }
};

class RenderContextOpenGL final : public RenderContextBase {
public:
    RenderContextOpenGL();
    ~RenderContextOpenGL() override;
    RenderContextOpenGL(const RenderContextOpenGL&) = delete;
    RenderContextOpenGL& operator=(const RenderContextOpenGL&) = delete;

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

    SDL_Window* window() const { return m_window; }
    bool initialized() const { return m_gl_context != nullptr; }
    // The GUI font; defaults to "SourceAssets/Fonts/arial.ttf" under the source root.
    void set_font_path(std::string path) { m_font_path = std::move(path); }
    const std::string& font_path() const { return m_font_path; }

    // Read access for tools and tests.
    const GlBufferRecord& buffer_record(Handle buffer) { return m_buffers.get(buffer); }
    const GlShaderRecord& shader_record(Handle shader) { return m_shaders.get(shader); }
    const GlTextureRecord& texture_record(Handle texture) { return m_textures.get(texture); }
    const GlFramebufferRecord& framebuffer_record(Handle framebuffer) { return m_framebuffers.get(framebuffer); }
    uint32_t mesh_vao(Handle mesh) { return m_meshes.get(mesh); }
    bool texture_alive(Handle texture) const { return m_textures.contains(texture); }
    // True when the swap waits for the display; otherwise end_frame paces frames itself.
    bool vsync_in_effect() const { return m_vsync_in_effect; }
    const FramePacer& frame_pacer() const { return m_pacer; }

    // A clear of buffers that nothing has drawn into since they were cleared to the same values is skipped: the
    // window cleared by begin_frame is cleared again by the renderer's first step, and a depth clear after draws
    // without depth testing finds nothing to clear. Off, every clear is issued (for checks).
    void set_skip_clean_clears(bool skip) { m_skip_clean_clears = skip; }
    // glClear calls issued so far.
    uint64_t clears_issued() const { return m_clears_issued; }
    // Off, end_frame never sleeps to hold the refresh rate: benchmarks time frames back to back.
    void set_frame_pacing(bool pace) { m_pace_frames = pace; }
    // Frames presented by end_frame, and frames that idle_frame let pass undrawn.
    uint64_t frames_presented() const { return m_frames_presented; }
    uint64_t frames_idled() const { return m_frames_idled; }

private:
    void clear_buffers(uint32_t bits);
    void forget_clean_buffers() { m_clean_bits = 0; }
    void release_resources();
    void make_framebuffer_attachments(GlFramebufferRecord& record, uint32_t width, uint32_t height);
    void wait_for_previous_frame();
    void pace_frame();
    void sleep_to_cadence();

    GlStore<GlBufferRecord> m_buffers;
    GlStore<uint32_t> m_meshes;
    GlStore<GlShaderRecord> m_shaders;
    GlStore<GlTextureRecord> m_textures;
    GlStore<GlFramebufferRecord> m_framebuffers;
    SDL_Window* m_window = nullptr;
    uint64_t m_frames_presented = 0;
    uint64_t m_frames_idled = 0;
    void* m_gl_context = nullptr;
    bool m_gui_context = false;
    bool m_gui_backends = false;
    bool m_video_initialised = false;
    bool m_vsync_in_effect = false;
    // Fence after the last swap (a GLsync).
    void* m_frame_fence = nullptr;
    FramePacer m_pacer;
    std::string m_font_path;
    // The bound framebuffer as far as the back end bound it; valid once the back end bound one itself.
    uint32_t m_bound_framebuffer = 0;
    bool m_bound_known = false;
    // Buffers of the bound framebuffer that hold only their clear values, and those values.
    uint32_t m_clean_bits = 0;
    float m_clean_color[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    double m_clean_depth = 1.0;
    // Depth testing as last set by a command; assumed on when unknown (a draw may then write depth).
    bool m_depth_test = true;
    bool m_skip_clean_clears = true;
    bool m_pace_frames = true;
    uint64_t m_clears_issued = 0;
};
