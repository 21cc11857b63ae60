#pragma once
// The editor window of the debug lines' enable flags and colours, with its preview table. An editor panel, so it
// lives with the editor layout rather than with the lines.

void draw_debug_renderer_colors();
