#pragma once
// Sections of the "Selected Entity" window for the game's components, one per component the entity's type
// carries, always in the order of one fixed table.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "Engine/Handle.h"

class EntityPool;
class EntityListBase;

struct GameComponentSection {
    std::string_view name;
    uint8_t (*component_id)();
    // Draws the component's rows into an open property table, starting with its name row.
    void (*draw_fields)(const EntityId& id, void* component);
};

// The 19 sections in the order they are drawn.
std::span<const GameComponentSection> game_component_sections();
// The sections a list's entity type carries, in table order.
std::vector<const GameComponentSection*> game_component_sections_of(const EntityListBase& list);

// Draws into the current window; the caller has checked that the entity is alive.
void draw_game_component_inspector(EntityPool& pool, const EntityId& id);
