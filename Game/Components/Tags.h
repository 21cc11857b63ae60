#pragma once
// Field-less markers of the game's entity kinds.

#include <cstdint>
#include <string_view>

// First member of every enemy record.
struct EnemyTag {
    static constexpr std::string_view kName = "EnemyTag";
};

struct PlayerIsCloudTag {
    static constexpr std::string_view kName = "PlayerIsCloudTag";
};

// Set to 1 by every creator of a bomb, rock or snake head; nothing reads it.
struct SpriteBodyMarker {
    uint8_t value = 0;
};
