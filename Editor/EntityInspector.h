#pragma once
// The editor's look into a scene's entities: "Entities" lists every live entity with selection and a deferred
// "Delete"; "Selected Entity" shows the selection's engine components as editable property panels.

#include <cstddef>
#include <string>

#include "Engine/Handle.h"

class EntityPool;
class EntityListBase;
class PhysicsBody;

// The selection shared by the editor tools; it outlives scenes. kInvalidEntityId means none.
EntityId& selected_entity();

// One line of "Entities": the lists in pool order, each list in dense order.
struct EntityRow {
    EntityListBase* list = nullptr;
    EntityId id = kInvalidEntityId;
};
size_t entity_row_count(const EntityPool& pool);
// Rows at or past the count give a row without a list.
EntityRow entity_row(const EntityPool& pool, size_t row);
// "<list name> <index> (<generation>)", at most 63 characters.
std::string entity_label(const EntityListBase& list, const EntityId& id);

// Queues the entity's destroy on its list; a deleted selection is cleared at once.
void delete_entity(EntityPool& pool, const EntityId& id, EntityId& selection);

void draw_entities_window(EntityPool& pool, EntityId& selection);
// Opens "Selected Entity"; true when the selection is alive and its panels are to be drawn. The caller closes
// the window whatever the result.
bool draw_selected_entity_window(EntityPool& pool, const EntityId& selection);
// "Transform", "Physics Body", "Sprite" and "Sprite Core Set", each only when the entity's type carries it.
void draw_entity_components(EntityPool& pool, const EntityId& selection);

// Stores an edited mass and inertia back together. A value that is not positive and finite is refused (the body
// keeps its own for that term), so an edit never makes a body immovable or its inverse infinite.
void apply_mass_inertia_edit(PhysicsBody& body, float mass, float inertia);
