#pragma once
// The cloud time of a player ran out with no core on its way back: the player is gone.

struct PlayerKillEvent {};
static_assert(sizeof(PlayerKillEvent) == 1);
