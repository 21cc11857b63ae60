// Frame time of the renderer with N destructible sprites (2 x 2 chunks each) and N static sprites, drawn into a
// 1280 x 720 target on SDL's offscreen driver (software GL here: figures compare runs, not machines).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include <epoxy/gl.h>

#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Engine/Graphics/Color.h"
#include "Engine/Graphics/Renderer.h"

namespace {

struct Scene {
    RenderContextOpenGL gl;
    Renderer renderer;
    Handle target = kInvalidHandle;
    std::vector<SpriteChunkDraw> chunks;

    Scene() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        WindowConfig config;
        config.vsync = false;
        config.debug_output = false;
        if (gl.init(config).failed) {
            std::abort();
        }
        renderer.init(gl);
        target = gl.create_framebuffer(1280, 720);

        // Four chunk blocks of filled cells on layer 0 and a small white picture for the static sprites.
        Handle color = gl.create_texture({TextureType2DArray, TextureFormatRgba8, 1024, 1024, 1, 4, 1});
        Handle flags = gl.create_texture({TextureType2DArray, TextureFormatR16ui, 1024, 1024, 1, 1, 1});
        std::vector<uint32_t> block_color(64 * 64, pack_rgba8(180, 120, 60, 255));
        std::vector<uint16_t> block_flags(64 * 64, 1);
        gl.write_texture(color, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 64, 64, 1}, block_color.data());
        gl.write_texture(flags, {UploadFormatRedInteger, PixelTypeUnsignedShort, 0, 0, 0, 64, 64, 1},
                         block_flags.data());
        Handle atlas = gl.create_texture({TextureType2D, TextureFormatRgba8, 8, 8, 1, 4, 1});
        std::vector<uint32_t> white(64, 0xFFFFFFFFu);
        gl.write_texture(atlas, {UploadFormatRgba, PixelTypeUnsignedByte, 0, 0, 0, 8, 8, 1}, white.data());
        renderer.set_sprite_textures(atlas, color, flags);
        float e = 32.0f / 1024.0f;
        chunks = {{0, {0, 0, 0}}, {1, {e, 0, 0}}, {2, {0, e, 0}}, {3, {e, e, 0}}};

        Camera camera;
        camera.set_ortho(5.0f, 16.0f / 9.0f, 1.0f);
        renderer.set_world_camera(camera);
    }
};

Scene& scene() {
    static std::unique_ptr<Scene> s = std::make_unique<Scene>();
    return *s;
}

void BM_RendererFrame(benchmark::State& state) {
    Scene& s = scene();
    const int n = static_cast<int>(state.range(0));
    SpriteDraw sprite{2, 2, s.chunks};
    UvRect uv{{0, 0}, {1, 1}, 8, 8};
    RenderCommandList viewport;
    viewport.bind_framebuffer(s.target);
    viewport.set_viewport(0, 0, 1280, 720);
    s.gl.execute(viewport);
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            // Spread over the visible 17.8 x 10 units, a few outside it to exercise the culling.
            float x = static_cast<float>((i * 37) % 200) * 0.1f - 10.0f;
            float y = static_cast<float>((i * 53) % 120) * 0.1f - 6.0f;
            s.renderer.add_sprite(Transform{{x, y}, {0.5f, 0.5f}, static_cast<float>(i) * 0.01f, 0.0f}, sprite);
            s.renderer.add_static_sprite(Transform{{-x, y}, {0.25f, 0.25f}, 0.0f, 0.1f}, uv);
        }
        s.renderer.upload_batches(s.gl);
        s.renderer.set_target(s.target);
        s.renderer.render(s.gl);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * n * 2);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RendererFrame)->Arg(0)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
