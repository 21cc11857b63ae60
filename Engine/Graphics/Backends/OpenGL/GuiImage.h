#pragma once
// A GL texture shown in the GUI as an opaque picture: the GUI's pipeline blends and filters every image, which on
// a software rasteriser costs more than the rest of the editor's panels together for a window-sized picture.

#include <cstdint>

#include <imgui.h>

// Like ImGui::Image, with blending off and nearest sampling while it is drawn; the texture's own filtering is left
// as it is. Meant for render targets shown at their own size, whose alpha is 1 everywhere.
void gui_opaque_image(uint32_t gl_texture, ImVec2 size, ImVec2 uv0, ImVec2 uv1);
