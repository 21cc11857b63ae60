#pragma once
// Game start-up: hands the engine the game scene as its first scene.

class Engine;

// 0 on success; a non-zero value is the process's exit code.
int init_game(Engine& engine);
