#include "Editor/PropertyWidgets.h"

#include <array>

#include <imgui.h>

namespace {

constexpr std::array<AxisTagStyle, kAxisTagCount> kAxisTags = {{
    {"x", 182, 73, 73},
    {"y", 73, 182, 73},
    {"z", 73, 73, 182},
    {"w", 73, 73, 73},
    {"a", 182, 182, 73},
    {"kg", 127, 127, 127},
    {"I", 150, 48, 255},
    {"", 0, 0, 0},
}};

// Fields narrower than this stack one per line.
constexpr float kMinInlineFieldWidth = 100.0f;

void text(std::string_view s) { ImGui::TextUnformatted(s.data(), s.data() + s.size()); }

} // namespace

const AxisTagStyle& axis_tag_style(uint32_t tag) { return kAxisTags[tag < kTagNone ? tag : kTagNone]; }

bool begin_property_table() {
    if (!ImGui::BeginTable("##table", 2, ImGuiTableFlags_SizingFixedFit | ImGuiTableFlags_NoPadOuterX)) {
        return false;
    }
    ImGui::TableSetupColumn("##names", ImGuiTableColumnFlags_WidthFixed);
    ImGui::TableSetupColumn("##props", ImGuiTableColumnFlags_WidthStretch);
    return true;
}

void end_property_table() { ImGui::EndTable(); }

void property_label(std::string_view label) {
    ImGui::TableNextRow();
    ImGui::TableSetColumnIndex(0);
    // Lines the text up with the framed widgets of the value column.
    ImGui::SetCursorPosY(ImGui::GetCursorPosY() + ImGui::GetStyle().FramePadding.y);
    text(label);
    ImGui::TableSetColumnIndex(1);
}

void property_checkbox(std::string_view label, bool& value) {
    property_label(label);
    // Every row's checkbox is "##value"; the label keeps the rows of one table apart.
    ImGui::PushID(label.data(), label.data() + label.size());
    ImGui::Checkbox("##value", &value);
    ImGui::PopID();
}

void property_checkbox(std::string_view label, uint8_t& value) {
    bool flag = value != 0;
    property_checkbox(label, flag);
    value = flag ? 1 : 0;
}

void property_int(std::string_view label, int64_t value) {
    property_label(label);
    ImGui::Text("%lld", static_cast<long long>(value));
}

void property_entity_id(std::string_view label, const EntityId& id) {
    property_label(label);
    ImGui::Text("%d/%d %d", static_cast<int>(id.index), static_cast<int>(id.generation),
                static_cast<int>(id.entity_type_id));
}

bool property_floats(std::string_view label, FieldList fields) {
    property_label(label);
    return property_value_row(fields);
}

bool property_value_row(const FieldDescriptor* fields, size_t count) {
    if (count == 0) {
        return false;
    }
    const float available = ImGui::GetContentRegionAvail().x;
    const float width = available / static_cast<float>(count);
    const bool one_line = width > kMinInlineFieldWidth;
    bool changed = false;
    for (size_t i = 0; i < count; ++i) {
        if (one_line && i > 0) {
            // Neighbouring fields one pixel apart.
            ImGui::SameLine(0.0f, 1.0f);
        }
        changed |= tagged_drag_float(one_line ? width : available, fields[i].tag, *fields[i].value);
    }
    return changed;
}

bool tagged_drag_float(float width, uint32_t tag, float& value) {
    ImGui::PushID(&value);
    if (tag < kTagNone) {
        const AxisTagStyle& style = kAxisTags[tag];
        const float s = ImGui::GetFrameHeight();
        const ImVec2 p = ImGui::GetCursorScreenPos();
        ImDrawList* draw = ImGui::GetWindowDrawList();
        draw->AddRectFilled(p, ImVec2(p.x + s, p.y + s), IM_COL32(style.r, style.g, style.b, 255));
        const char* begin = style.label.data();
        const char* end = begin + style.label.size();
        const ImVec2 size = ImGui::CalcTextSize(begin, end);
        draw->AddText(ImVec2(p.x + (s - size.x) * 0.5f, p.y + (s - size.y) * 0.5f), ImGui::GetColorU32(ImGuiCol_Text),
                      begin, end);
        ImGui::SetCursorScreenPos(ImVec2(p.x + s, p.y));
        width -= s;
    }
    ImGui::SetNextItemWidth(width);
    const bool changed = ImGui::DragFloat("##value", &value, 0.05f, 0.0f, 0.0f, "%.3f");
    ImGui::PopID();
    return changed;
}
