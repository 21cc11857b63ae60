#include "GlContext.h"

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <stdexcept>

#include <epoxy/gl.h>

namespace test_support {

void use_offscreen_video_driver() {
    // The GL driver itself stays loaded through Support/Process/GlDriver.cpp, linked into every test program.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
}

RenderContextOpenGL& gl_context() {
    static std::unique_ptr<RenderContextOpenGL> context = [] {
        use_offscreen_video_driver();
        auto gl = std::make_unique<RenderContextOpenGL>();
        WindowConfig config;
        config.vsync = false;
        Result result = gl->init(config);
        if (result.failed) {
            throw std::runtime_error("GL test context: " + result.message);
        }
        return gl;
    }();
    return *context;
}

std::vector<uint8_t> read_texture_rgba8(uint32_t gl_texture, uint32_t width, uint32_t height, uint32_t layers) {
    std::vector<uint8_t> out(size_t{width} * height * layers * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTextureImage(gl_texture, 0, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(out.size()), out.data());
    return out;
}

std::vector<uint16_t> read_texture_r16ui(uint32_t gl_texture, uint32_t width, uint32_t height, uint32_t layers) {
    std::vector<uint16_t> out(size_t{width} * height * layers);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTextureImage(gl_texture, 0, GL_RED_INTEGER, GL_UNSIGNED_SHORT, static_cast<GLsizei>(out.size() * 2),
                      out.data());
    return out;
}

Pixels read_framebuffer(RenderContextOpenGL& gl, Handle framebuffer, uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = read_texture_rgba8(gl.framebuffer_color_texture(framebuffer), width, height);
    Pixels p;
    p.width = width;
    p.height = height;
    p.rgba.resize(size_t{width} * height);
    for (size_t i = 0; i < p.rgba.size(); ++i) {
        p.rgba[i] = uint32_t{bytes[i * 4]} | uint32_t{bytes[i * 4 + 1]} << 8 | uint32_t{bytes[i * 4 + 2]} << 16 |
                    uint32_t{bytes[i * 4 + 3]} << 24;
    }
    return p;
}

void clear_target(RenderContextOpenGL& gl, Handle framebuffer, uint32_t width, uint32_t height, glm::vec4 color) {
    glClearColor(color.r, color.g, color.b, color.a);
    glClearDepth(1.0);
    RenderCommandList list;
    list.bind_framebuffer(framebuffer);
    list.set_viewport(0, 0, width, height);
    list.clear({ClearTargetColor, ClearTargetDepth});
    gl.execute(list);
}

} // namespace test_support
