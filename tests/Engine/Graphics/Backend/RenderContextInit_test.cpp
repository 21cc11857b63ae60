// Start-up and shutdown of the OpenGL back end: each test opens and closes its own window.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>

#include "Engine/Graphics/Backends/OpenGL/RenderContextOpenGL.h"
#include "Support/GlContext.h"

namespace {

using ::testing::HasSubstr;

class BackendInitTest : public ::testing::Test {
protected:
    void SetUp() override { test_support::use_offscreen_video_driver(); }

    Result init_capturing(RenderContextOpenGL& gl, const WindowConfig& config, std::string& out) {
        testing::internal::CaptureStdout();
        Result r = gl.init(config);
        std::fflush(stdout);
        out = testing::internal::GetCapturedStdout();
        return r;
    }
};

TEST_F(BackendInitTest, OpensTheConfiguredWindowWithA45CoreContext) {
    RenderContextOpenGL gl;
    gl.set_font_path("/nonexistent/arial.ttf");
    std::string out;
    Result r = init_capturing(gl, WindowConfig{}, out);
    ASSERT_FALSE(r.failed) << r.message;
    EXPECT_EQ(r.message, "");
    EXPECT_THAT(out, HasSubstr("[Render]"));
    EXPECT_THAT(out, HasSubstr("Loaded OpenGL verion: "));
    EXPECT_THAT(out, HasSubstr(reinterpret_cast<const char*>(glGetString(GL_RENDERER))));

    ASSERT_NE(gl.window(), nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(gl.window()), "Pellmar");
    int w = 0, h = 0;
    SDL_GetWindowSize(gl.window(), &w, &h);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    Uint32 flags = SDL_GetWindowFlags(gl.window());
    EXPECT_TRUE(flags & SDL_WINDOW_OPENGL);
    EXPECT_TRUE(flags & SDL_WINDOW_RESIZABLE);

    GLint major = 0, minor = 0, profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(major * 10 + minor, 45);
    EXPECT_TRUE(profile & GL_CONTEXT_CORE_PROFILE_BIT);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    // The GUI context exists with keyboard and gamepad navigation.
    ASSERT_NE(ImGui::GetCurrentContext(), nullptr);
    EXPECT_TRUE(ImGui::GetIO().ConfigFlags & ImGuiConfigFlags_NavEnableKeyboard);
    EXPECT_TRUE(ImGui::GetIO().ConfigFlags & ImGuiConfigFlags_NavEnableGamepad);

    gl.shutdown();
    EXPECT_EQ(gl.window(), nullptr);
    EXPECT_FALSE(gl.initialized());
    EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
}

TEST_F(BackendInitTest, DebugOutputFlagInstallsTheCallback) {
    for (bool debug : {false, true}) {
        RenderContextOpenGL gl;
        WindowConfig config;
        config.debug_output = debug;
        std::string out;
        ASSERT_FALSE(init_capturing(gl, config, out).failed);
        void* callback = nullptr;
        glGetPointerv(GL_DEBUG_CALLBACK_FUNCTION, &callback);
        EXPECT_EQ(callback != nullptr, debug);
        // A notification-level message is never printed.
        testing::internal::CaptureStdout();
        glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_OTHER, 1, GL_DEBUG_SEVERITY_NOTIFICATION, -1,
                             "quiet note");
        glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_OTHER, 2, GL_DEBUG_SEVERITY_HIGH, -1,
                             "loud note");
        std::fflush(stdout);
        std::string messages = testing::internal::GetCapturedStdout();
        EXPECT_EQ(messages, debug ? "OpenGL Message: loud note\n" : "") << "debug " << debug;
        gl.shutdown();
    }
}

TEST_F(BackendInitTest, MissingFontKeepsTheDefaultAndAPresentOneBecomesTheDefault) {
    {
        RenderContextOpenGL gl;
        gl.set_font_path("/nonexistent/SourceAssets/Fonts/arial.ttf");
        std::string out;
        ASSERT_FALSE(init_capturing(gl, WindowConfig{}, out).failed);
        EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 0);
        EXPECT_EQ(ImGui::GetIO().FontDefault, nullptr);
        // A frame builds the library's own font and runs.
        gl.begin_frame();
        ImGui::Text("hello");
        gl.end_frame();
        EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 1);
    }
    const char* system_font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(system_font)) {
        GTEST_SKIP() << "no TrueType font installed to load";
    }
    RenderContextOpenGL gl;
    gl.set_font_path(system_font);
    std::string out;
    ASSERT_FALSE(init_capturing(gl, WindowConfig{}, out).failed);
    ASSERT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 1);
    EXPECT_EQ(ImGui::GetIO().FontDefault, ImGui::GetIO().Fonts->Fonts[0]);
    ASSERT_EQ(ImGui::GetIO().Fonts->ConfigData.Size, 1);
    EXPECT_FLOAT_EQ(ImGui::GetIO().Fonts->ConfigData[0].SizePixels, 18.0f);
}

TEST_F(BackendInitTest, DefaultFontPathIsUnderTheSourceRoot) {
    RenderContextOpenGL gl;
    std::filesystem::path path(gl.font_path());
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path, std::filesystem::path(PELLMAR_SOURCE_ROOT) / "SourceAssets/Fonts/arial.ttf");
}

TEST_F(BackendInitTest, DisplayModeOneIsDesktopFullScreen) {
    RenderContextOpenGL gl;
    std::string out;
    ASSERT_FALSE(init_capturing(gl, WindowConfig{}, out).failed);
    gl.set_display_mode(DisplayModeBorderless);
    Uint32 flags = SDL_GetWindowFlags(gl.window());
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));
    gl.set_display_mode(DisplayModeWindowed);
    EXPECT_EQ(SDL_GetWindowFlags(gl.window()) & SDL_WINDOW_FULLSCREEN, 0u);
    gl.set_display_mode(17); // unknown modes change nothing
    EXPECT_EQ(SDL_GetWindowFlags(gl.window()) & SDL_WINDOW_FULLSCREEN, 0u);
}

TEST_F(BackendInitTest, PollEventHandsOutPendingEvents) {
    RenderContextOpenGL gl;
    std::string out;
    ASSERT_FALSE(init_capturing(gl, WindowConfig{}, out).failed);
    SDL_Event drain;
    while (gl.poll_event(drain)) {
    }
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    SDL_Event event{};
    ASSERT_TRUE(gl.poll_event(event));
    EXPECT_EQ(event.type, static_cast<Uint32>(SDL_QUIT));
    EXPECT_FALSE(gl.poll_event(event));
}

} // namespace
