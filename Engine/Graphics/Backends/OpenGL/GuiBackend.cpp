#include "Engine/Graphics/Backends/OpenGL/GuiBackend.h"

#include <SDL2/SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

void gui_backend_init(SDL_Window* window, void* gl_context) {
    ImGui_ImplSDL2_InitForOpenGL(window, gl_context);
    ImGui_ImplOpenGL3_Init("#version 330 core");
}

void gui_backend_shutdown() {
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
}

void gui_backend_new_frame() {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
}

void gui_backend_render() { ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData()); }

void gui_backend_process_event(const SDL_Event& event) { ImGui_ImplSDL2_ProcessEvent(&event); }
