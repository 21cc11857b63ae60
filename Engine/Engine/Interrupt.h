#pragma once
// SIGINT ends the run like closing the window: the signal only sets a flag, and the engine turns it into a
// QuitEvent at its next event poll.

void install_interrupt_handler();
// True once after each interrupt.
bool take_interrupt_request();
// Raises the flag as the signal would.
void raise_interrupt_request();
