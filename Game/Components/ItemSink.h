#pragma once
// Marks an entity that picks up items, with the incoming mark of each item kind.

#include <array>
#include <cstdint>
#include <string_view>

enum ItemKind : uint32_t {
    ItemKindCore = 0,
    ItemKindHealth = 1,
    ItemKindCount = 2,
};

struct ItemSink {
    static constexpr std::string_view kName = "ItemSink";
    static constexpr std::string_view kRowLabel = "ItemSink (Tag)";

    // Set while an item of that kind flies towards the sink.
    std::array<uint8_t, ItemKindCount> incoming{};
};
