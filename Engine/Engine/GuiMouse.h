#pragma once
// What the GUI's windows take of the mouse, for keeping it from the game underneath them.

#include <cstdint>

// The GUI wants the mouse: the pointer was over one of its windows at the start of its frame, or a press it
// took is still held, or a popup is open. False without a GUI context.
bool gui_wants_mouse();

// A window of the GUI's last frame lies at (x, y) in window pixels, where a press would go to it. False without
// a GUI context.
bool gui_window_at(float x, float y);

// A pointer event at (x, y) goes to the item `item` of the window named `window_name`: that window (or one of
// its children) is the GUI's top window there, no popup is open, and no other item of the GUI holds the mouse.
// False without a GUI context.
bool gui_item_takes_pointer(float x, float y, const char* window_name, uint32_t item);
