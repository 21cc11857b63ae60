// The editor's "Scene" window: event handlers, systems by group with drag and drop between groups.

#include <cstring>
#include <optional>
#include <string>

#include <imgui.h>

#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Scene.h"

namespace {

constexpr const char* kSystemMovePayload = "SYSTEM_MOVE";

// The dragged row, when the payload is one of ours and of the right size.
std::optional<SystemMovePayload> accept_system_move() {
    const ImGuiPayload* payload = ImGui::AcceptDragDropPayload(kSystemMovePayload);
    if (payload == nullptr || payload->Data == nullptr ||
        payload->DataSize != static_cast<int>(sizeof(SystemMovePayload))) {
        return std::nullopt;
    }
    SystemMovePayload from{};
    std::memcpy(&from, payload->Data, sizeof(from));
    return from;
}

} // namespace

bool SceneBase::move_system(const SystemMovePayload& from, uint32_t to_group, size_t to_row) {
    if (from.group >= m_systems.size() || to_group >= m_systems.size()) {
        return false;
    }
    SystemList& source = m_systems[from.group];
    SystemList& target = m_systems[to_group];
    if (from.index >= source.size() || to_row >= target.size()) {
        return false;
    }
    if (from.group == to_group && from.index == to_row) {
        return false;
    }
    std::unique_ptr<SystemBase> system = std::move(source[from.index]);
    source.erase(source.begin() + static_cast<std::ptrdiff_t>(from.index));
    size_t at = to_row;
    if (from.group == to_group && from.index < to_row) {
        at -= 1;
    }
    // The group field follows the move: it decides where the system's debug lines go.
    system->set_group(to_group);
    system->set_parked_from(-1);
    target.insert(target.begin() + static_cast<std::ptrdiff_t>(at), std::move(system));
    return true;
}

void SceneBase::draw_scene_window() {
    if (begin_editor_panel(EditorPanel::Scene, "Scene")) {
        ImGui::Text("Event handlers %zd:", m_event_handlers.size());
        size_t total = 0;
        for (const SystemList& list : m_systems) {
            total += list.size();
        }
        ImGui::Text("Systems (%zd)", total);

        // One move per drop, applied after the lists are drawn: the last row's target and the group's
        // target sit on the same item and both see the drop.
        struct RowMove {
            SystemMovePayload from;
            uint32_t group;
            size_t row;
        };
        struct GroupMove {
            std::string name;
            uint32_t group;
        };
        std::optional<RowMove> row_move;
        std::optional<GroupMove> group_move;

        for (uint32_t g = 0; g < SystemGroup::MAX; ++g) {
            std::string_view group_name = SystemBase::group_name(static_cast<int32_t>(g));
            ImGuiTreeNodeFlags flags =
                ImGuiTreeNodeFlags_DefaultOpen | ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_SpanFullWidth;
            if (!ImGui::TreeNodeEx(group_name.data(), flags)) {
                continue;
            }
            SystemList& list = m_systems[g];
            for (size_t i = 0; i < list.size(); ++i) {
                std::string label = fmt::format("{}##{}-{}", list[i]->name(), g, i);
                ImGui::Selectable(label.c_str(), false, ImGuiSelectableFlags_AllowItemOverlap);
                if (ImGui::BeginDragDropSource()) {
                    SystemMovePayload payload{g, i};
                    ImGui::SetDragDropPayload(kSystemMovePayload, &payload, sizeof(payload));
                    std::string name(list[i]->name());
                    ImGui::Text("Moving %s", name.c_str());
                    ImGui::EndDragDropSource();
                }
                if (ImGui::BeginDragDropTarget()) {
                    if (auto from = accept_system_move();
                        from && !row_move && !group_move && !(from->group == g && from->index == i)) {
                        row_move = RowMove{*from, g, i};
                    }
                    ImGui::EndDragDropTarget();
                }
            }
            if (ImGui::BeginDragDropTarget()) {
                auto from = accept_system_move();
                if (from && !row_move && !group_move && from->group != g && from->group < m_systems.size() &&
                    from->index < m_systems[from->group].size()) {
                    group_move = GroupMove{std::string(m_systems[from->group][from->index]->name()), g};
                }
                ImGui::EndDragDropTarget();
            }
            ImGui::TreePop();
        }
        ImGui::Text("Input schemes %zd:", m_input_schemes.size());

        if (row_move) {
            move_system(row_move->from, row_move->group, row_move->row);
        } else if (group_move) {
            transition_system(group_move->name, static_cast<int32_t>(group_move->group));
        }
    }
    ImGui::End();
}
