#pragma once
// The GUI library's SDL2 and OpenGL3 back ends, kept in their own translation unit away from the GL loader.

struct SDL_Window;
union SDL_Event;

void gui_backend_init(SDL_Window* window, void* gl_context);
void gui_backend_shutdown();
void gui_backend_new_frame();
void gui_backend_render();
void gui_backend_process_event(const SDL_Event& event);
