#include "Editor/EntityInspector.h"

#include <cmath>
#include <cstdio>

#include <imgui.h>

#include "Editor/PropertyWidgets.h"
#include "Engine/DestructibleSprite/Cell.h"
#include "Engine/DestructibleSprite/Sprite.h"
#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Systems/Sprite/SpriteCoreSet.h"
#include "Engine/EntityPool.h"
#include "Engine/Math/Transform.h"
#include "Engine/Physics/PhysicsBody.h"

namespace {

template <typename C>
C* component_of(EntityListBase& list, const EntityId& id) {
    if (!list.has_components(component_mask<C>())) {
        return nullptr;
    }
    return static_cast<C*>(list.get_component(component_type_id<C>(), id));
}

void separator_row() {
    ImGui::TableNextRow();
    ImGui::TableSetColumnIndex(0);
    ImGui::Separator();
    ImGui::TableSetColumnIndex(1);
    ImGui::Separator();
}

// A closed-by-default section; true while it is open.
bool section(const char* title) { return ImGui::CollapsingHeader(title); }

void draw_transform(Transform& t) {
    property_floats("Position", {{kTagX, &t.position.x}, {kTagY, &t.position.y}, {kTagZ, &t.z}});
    property_floats("Scale", {{kTagX, &t.scale.x}, {kTagY, &t.scale.y}});
    property_floats("Angle", {{kTagA, &t.angle}});
}

void draw_physics_body(PhysicsBody& body) {
    property_floats("Position", {{kTagX, &body.position.x}, {kTagY, &body.position.y}});
    property_floats("Angle", {{kTagA, &body.angle}});
    property_checkbox("Angle fixed", body.angle_fixed);
    separator_row();
    property_floats("Linear velocity", {{kTagX, &body.linear_velocity.x}, {kTagY, &body.linear_velocity.y}});
    property_floats("Angular velocity", {{kTagA, &body.angular_velocity}});
    separator_row();
    property_floats("Center of mass", {{kTagX, &body.center_of_mass.x}, {kTagY, &body.center_of_mass.y}});
    // The body keeps reciprocals; both are shown as values and written back together.
    float mass = body.get_mass();
    float inertia = body.get_inertia();
    bool changed = property_floats("Mass", {{kTagKg, &mass}});
    changed |= property_floats("Inertia", {{kTagI, &inertia}});
    if (changed) {
        apply_mass_inertia_edit(body, mass, inertia);
    }
    property_label("Joints");
    if (begin_property_table()) {
        for (size_t i = 0; i < body.joints.size(); ++i) {
            JointLink& link = body.joints[i];
            ImGui::PushID(static_cast<int>(i));
            property_int("Id", link.joint_id);
            property_floats("r", {{kTagX, &link.local_anchor.x}, {kTagY, &link.local_anchor.y}});
            ImGui::PopID();
        }
        end_property_table();
    }
}

void draw_sprite(const Sprite& sprite) {
    const SpriteGrid& grid = sprite.grid();
    property_label("Grid");
    if (begin_property_table()) {
        property_int("Chunk Size", grid.chunk_size);
        property_int("Chunk_x", grid.chunks_x);
        property_int("Chunk_y", grid.chunks_y);
        property_int("Cells_x", grid.cells_x);
        property_int("Cells_y", grid.cells_y);
        end_property_table();
    }

    property_label("Mass info");
    if (ImGui::BeginTable("##mass", 2, ImGuiTableFlags_Borders | ImGuiTableFlags_SizingFixedFit)) {
        const MassProperties mass = mass_properties_from_moments(sprite_moments_of(grid, sprite), grid);
        const auto row = [](const char* name) {
            ImGui::TableNextRow();
            ImGui::TableSetColumnIndex(0);
            ImGui::TextUnformatted(name);
            ImGui::TableSetColumnIndex(1);
        };
        row("Mass");
        ImGui::Text("%f", static_cast<double>(mass.mass));
        row("Center of mass");
        ImGui::Text("%2.2f %2.2f", static_cast<double>(mass.center_of_mass.x),
                    static_cast<double>(mass.center_of_mass.y));
        row("Moment of inertia");
        ImGui::Text("%2.2f", static_cast<double>(mass.inertia));
        ImGui::EndTable();
    }

    property_label("Cell Counts");
    if (ImGui::BeginTable("##counts", 3, ImGuiTableFlags_Borders | ImGuiTableFlags_SizingFixedFit)) {
        ImGui::TableSetupColumn("Type");
        ImGui::TableSetupColumn("Active");
        ImGui::TableSetupColumn("Removed");
        ImGui::TableHeadersRow();
        for (uint32_t type = 0; type < kCellTypeCount; ++type) {
            const CellTypeInfo& info = sprite.cell_type_info(type);
            const std::string_view name = cell_type_name(type);
            ImGui::TableNextRow();
            ImGui::TableSetColumnIndex(0);
            ImGui::TextUnformatted(name.data(), name.data() + name.size());
            ImGui::TableSetColumnIndex(1);
            ImGui::Text("%d", static_cast<int>(info.active));
            ImGui::TableSetColumnIndex(2);
            ImGui::Text("%zd", static_cast<ptrdiff_t>(info.removed.size()));
        }
        ImGui::EndTable();
    }
}

void draw_sprite_core_set(const SpriteCoreSet& set) {
    for (size_t i = 0; i < set.cores.size(); ++i) {
        const SpriteCore& core = set.cores[i];
        ImGui::PushID(static_cast<int>(i));
        property_label(cell_type_name(core.type));
        if (begin_property_table()) {
            property_int("Cells", core.initial_cell_count);
            end_property_table();
        }
        ImGui::PopID();
    }
}

// Opens the section of one component and its property table, and draws the rows into it.
template <typename C, typename Draw>
void component_panel(EntityListBase& list, const EntityId& id, const char* title, Draw draw) {
    if (!list.has_components(component_mask<C>()) || !section(title)) {
        return;
    }
    C* component = component_of<C>(list, id);
    if (component != nullptr && begin_property_table()) {
        draw(*component);
        end_property_table();
    }
}

} // namespace

EntityId& selected_entity() {
    static EntityId selection = kInvalidEntityId;
    return selection;
}

size_t entity_row_count(const EntityPool& pool) {
    size_t n = 0;
    for (const auto& list : pool.lists()) {
        n += list->size();
    }
    return n;
}

EntityRow entity_row(const EntityPool& pool, size_t row) {
    for (const auto& list : pool.lists()) {
        const size_t n = list->size();
        if (row < n) {
            EntityListView all;
            list->view_all(all);
            return EntityRow{list.get(), all.id(row)};
        }
        row -= n;
    }
    return EntityRow{};
}

std::string entity_label(const EntityListBase& list, const EntityId& id) {
    char text[64];
    const std::string_view name = list.name();
    std::snprintf(text, sizeof(text), "%.*s %d (%d)", static_cast<int>(name.size()), name.data(),
                  static_cast<int>(id.index), static_cast<int>(id.generation));
    return text;
}

void delete_entity(EntityPool& pool, const EntityId& id, EntityId& selection) {
    if (!pool.has_list(id.entity_type_id)) {
        return;
    }
    pool.list_of(id).destroy_deferred(id);
    if (id == selection) {
        selection = kInvalidEntityId;
    }
}

void draw_entities_window(EntityPool& pool, EntityId& selection) {
    if (!begin_editor_panel(EditorPanel::Entities, "Entities")) {
        ImGui::End();
        return;
    }
    // Only the visible rows are formatted and submitted, so thousands of entities cost a screenful.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(entity_row_count(pool)));
    while (clipper.Step()) {
        size_t first = static_cast<size_t>(clipper.DisplayStart);
        const size_t last = static_cast<size_t>(clipper.DisplayEnd);
        size_t list_start = 0;
        for (const auto& list : pool.lists()) {
            const size_t n = list->size();
            const size_t list_end = list_start + n;
            if (first < list_end && first < last) {
                EntityListView all;
                list->view_all(all);
                for (; first < list_end && first < last; ++first) {
                    const EntityId id = all.id(first - list_start);
                    const std::string label = entity_label(*list, id);
                    if (ImGui::Selectable(label.c_str(), id == selection)) {
                        selection = id;
                    }
                    if (ImGui::BeginPopupContextItem()) {
                        if (ImGui::MenuItem("Delete")) {
                            delete_entity(pool, id, selection);
                        }
                        ImGui::EndPopup();
                    }
                }
            }
            list_start = list_end;
        }
    }
    ImGui::End();
}

bool draw_selected_entity_window(EntityPool& pool, const EntityId& selection) {
    if (!begin_editor_panel(EditorPanel::SelectedEntity, "Selected Entity")) {
        return false;
    }
    if (selection == kInvalidEntityId || !pool.has_list(selection.entity_type_id) ||
        !pool.list_of(selection).is_alive(selection)) {
        ImGui::TextUnformatted("None selected");
        return false;
    }
    return true;
}

void draw_entity_components(EntityPool& pool, const EntityId& selection) {
    EntityListBase& list = pool.list_of(selection);
    component_panel<Transform>(list, selection, "Transform", draw_transform);
    component_panel<PhysicsBody>(list, selection, "Physics Body", draw_physics_body);
    component_panel<Sprite>(list, selection, "Sprite", draw_sprite);
    component_panel<SpriteCoreSet>(list, selection, "Sprite Core Set", draw_sprite_core_set);
}

void apply_mass_inertia_edit(PhysicsBody& body, float mass, float inertia) {
    // A tiny positive value is refused too: its reciprocal would overflow to infinity.
    const auto usable = [](float v) { return std::isfinite(v) && v > 0.0f && std::isfinite(1.0f / v); };
    body.set_mass_inertia(usable(mass) ? mass : body.get_mass(), usable(inertia) ? inertia : body.get_inertia());
}
