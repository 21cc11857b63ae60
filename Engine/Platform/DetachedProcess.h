#pragma once
// Starting a desktop helper program (a browser opener) in the background: no shell, nothing waited on.

#include <string>
#include <vector>

#include "Engine/Result.h"

// Runs argv[0] with the given arguments, searched on PATH when it holds no slash. The program runs in a
// grandchild that init adopts, so the game never waits for it and leaves no zombie; the short-lived child in
// between is reaped here. Fails, with the reason, when the program could not be started.
Result launch_detached(const std::vector<std::string>& argv);
