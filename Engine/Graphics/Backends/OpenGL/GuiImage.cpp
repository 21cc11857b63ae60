#include "Engine/Graphics/Backends/OpenGL/GuiImage.h"

#include <cstdint>

#include <epoxy/gl.h>

namespace {

// Made on first use, on the thread that renders the GUI; lives as long as the GL context.
GLuint nearest_sampler() {
    static GLuint sampler = 0;
    if (sampler == 0) {
        glGenSamplers(1, &sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    return sampler;
}

void begin_opaque(const ImDrawList*, const ImDrawCmd*) {
    glDisable(GL_BLEND);
    glBindSampler(0, nearest_sampler());
}

void end_opaque(const ImDrawList*, const ImDrawCmd*) { glBindSampler(0, 0); }

} // namespace

void gui_opaque_image(uint32_t gl_texture, ImVec2 size, ImVec2 uv0, ImVec2 uv1) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    list->AddCallback(begin_opaque, nullptr);
    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(gl_texture)), size, uv0, uv1);
    list->AddCallback(end_opaque, nullptr);
    // The GUI back end sets its blending and sampler state up again for the draws that follow.
    list->AddCallback(ImDrawCallback_ResetRenderState, nullptr);
}
