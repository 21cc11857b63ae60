#pragma once
// Field-less markers of the game's entity kinds.

#include <string_view>

// First member of every enemy record.
struct EnemyTag {
    static constexpr std::string_view kName = "EnemyTag";
};

struct PlayerIsCloudTag {
    static constexpr std::string_view kName = "PlayerIsCloudTag";
};
