#pragma once
// An item reached the sink it flew to.

#include <cstdint>

#include "Engine/Handle.h"

struct ItemPickupEvent {
    EntityId entity;   // the sink that received the item
    uint32_t kind = 0; // 0 Core, 1 Health
};
static_assert(sizeof(ItemPickupEvent) == 16);
