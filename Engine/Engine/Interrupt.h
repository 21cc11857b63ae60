#pragma once
// SIGINT ends the run like closing the window: the signal only sets a flag, and the engine turns it into a
// QuitEvent at its next event poll. A second SIGINT ends the process at once, for a shutdown that hangs.

// The exit notice of a second SIGINT goes to `notice_fd` (the terminal, while the log takes standard error).
void install_interrupt_handler(int notice_fd = 2);
// True once after each interrupt.
bool take_interrupt_request();
// Raises the flag as the signal would.
void raise_interrupt_request();
