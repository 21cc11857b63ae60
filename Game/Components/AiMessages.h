#pragma once
// AI messaging components: defined and inspectable, not yet carried by any entity kind.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

struct AIMessage {
    static constexpr std::string_view kName = "AIMessage";
};

struct AIQueuedMessage {
    std::array<uint8_t, 16> bytes{};
};
static_assert(sizeof(AIQueuedMessage) == 16);

struct AIMessageReceiver {
    static constexpr std::string_view kName = "AIMessageReceiver";
    static constexpr std::array<std::string_view, 1> kLabels = {"Queue Size"}; // read-only

    std::vector<AIQueuedMessage> queue;
};

struct AISquadMember {
    static constexpr std::string_view kName = "AISquadMember";
    static constexpr std::array<std::string_view, 1> kLabels = {"Squad ID"}; // read-only

    uint32_t squad_id = 0;
};
