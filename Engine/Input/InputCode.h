#pragma once
// Names one of the 1024 input slots, together with the kind of device that writes it.

#include <cstdint>

struct InputCode {
    uint32_t device = 0;
    uint32_t slot = 0;

    bool operator==(const InputCode&) const = default;
};

enum InputDevice : uint32_t {
    InputDeviceKeyboard = 0,
    InputDeviceMouse = 1,
    InputDeviceControllerButton = 2,
    InputDeviceControllerAxis = 3,
};

constexpr uint32_t kInputSlotCount = 1024;

// Slot layout: scancodes first, then controller axes, controller buttons and the mouse; 552 and up are
// unused.
constexpr uint32_t kKeyboardSlotCount = 512;
constexpr uint32_t kControllerAxisFirstSlot = 512;
constexpr uint32_t kControllerAxisCount = 6;
constexpr uint32_t kControllerButtonFirstSlot = 518;
constexpr uint32_t kControllerButtonCount = 21;
constexpr uint32_t kMouseFirstSlot = 539;
constexpr uint32_t kMouseCodeCount = 13;

// Mouse codes n of input_code_mouse.
enum MouseInput : uint32_t {
    MouseLeft = 0,
    MouseMiddle = 1,
    MouseRight = 2,
    MouseExtra1 = 3,
    MouseExtra2 = 4,
    MousePositionX = 5,  // 0 at the viewport's left edge, 1 at its right edge
    MousePositionY = 6,  // 0 at the bottom edge, 1 at the top edge
    MouseRelativeX = 9,  // this tick's motion, in viewport widths
    MouseRelativeY = 10, // in viewport heights, positive upwards
    MouseWheelX = 11,
    MouseWheelY = 12,
};

constexpr InputCode input_code_keyboard(uint32_t scancode) { return {InputDeviceKeyboard, scancode}; }
constexpr InputCode input_code_mouse(uint32_t n) { return {InputDeviceMouse, kMouseFirstSlot + n}; }
constexpr InputCode input_code_controller_button(uint32_t button) {
    return {InputDeviceControllerButton, kControllerButtonFirstSlot + button};
}
constexpr InputCode input_code_controller_axis(uint32_t axis) {
    return {InputDeviceControllerAxis, kControllerAxisFirstSlot + axis};
}
