#pragma once
// What the GUI's windows take of the mouse, for keeping it from the game underneath them.

// The GUI wants the mouse: the pointer was over one of its windows at the start of its frame, or a press it
// took is still held, or a popup is open. False without a GUI context.
bool gui_wants_mouse();

// A window of the GUI's last frame lies at (x, y) in window pixels, where a press would go to it. False without
// a GUI context.
bool gui_window_at(float x, float y);
