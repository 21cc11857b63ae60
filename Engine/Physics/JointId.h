#pragma once
// Joint ids: a joint has no object of its own, only an id that both of its bodies carry in their links.

#include <cstdint>

// A process-wide counter from 0, returned and then incremented. Main thread only.
uint32_t next_global_id();
