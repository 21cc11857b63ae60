// The "Debug Renderer Colors" window: enable flags and colours of the debug names and layers, and a preview
// of every mixed colour.

#include "Engine/Engine/DebugRendererColors.h"

#include <imgui.h>

#include "Engine/Engine/EditorLayout.h"
#include "Engine/Graphics/DebugLines.h"

namespace {

ImVec4 to_float_color(uint32_t rgba8) {
    return ImVec4(static_cast<float>(rgba8 & 0xFFu) / 255.0f, static_cast<float>((rgba8 >> 8) & 0xFFu) / 255.0f,
                  static_cast<float>((rgba8 >> 16) & 0xFFu) / 255.0f,
                  static_cast<float>((rgba8 >> 24) & 0xFFu) / 255.0f);
}

uint8_t to_byte(float channel) {
    // The editor keeps channels within [0, 1]; clamp anyway so a stray value cannot wrap.
    if (!(channel > 0.0f)) {
        return 0;
    }
    if (channel >= 1.0f) {
        return 255;
    }
    return static_cast<uint8_t>(channel * 255.0f);
}

// A checkbox, the label and a colour editor at x = 200.
void draw_setting_row(DebugColorSetting& setting, std::string_view label, const char* color_id) {
    bool enabled = setting.enabled != 0;
    if (ImGui::Checkbox("##enabled", &enabled)) {
        setting.enabled = enabled ? 1 : 0;
        // The lines already recorded are filtered again at the next build.
        debug_lines_invalidate_all();
    }
    ImGui::SameLine();
    ImGui::TextUnformatted(label.data(), label.data() + label.size());
    ImGui::SameLine(200.0f);
    float rgba[4];
    const ImVec4 c = to_float_color(setting.color);
    rgba[0] = c.x;
    rgba[1] = c.y;
    rgba[2] = c.z;
    rgba[3] = c.w;
    // A colour edit alone does not invalidate: it shows at the next rebuild.
    if (ImGui::ColorEdit4(color_id, rgba, ImGuiColorEditFlags_NoInputs)) {
        setting.color = static_cast<uint32_t>(to_byte(rgba[0])) | (static_cast<uint32_t>(to_byte(rgba[1])) << 8) |
                        (static_cast<uint32_t>(to_byte(rgba[2])) << 16) |
                        (static_cast<uint32_t>(to_byte(rgba[3])) << 24);
    }
}

} // namespace

void draw_debug_renderer_colors() {
    if (begin_editor_panel(EditorPanel::DebugRendererColors, "Debug Renderer Colors")) {
        if (ImGui::CollapsingHeader("Debug Names", ImGuiTreeNodeFlags_DefaultOpen)) {
            for (uint32_t i = 0; i < DebugName::MAX; ++i) {
                ImGui::PushID(static_cast<int>(i));
                draw_setting_row(debug_renderer_settings.names[i], kDebugNameNames[i], "##color");
                ImGui::PopID();
            }
        }
        ImGui::Separator();
        if (ImGui::CollapsingHeader("Debug Layers", ImGuiTreeNodeFlags_DefaultOpen)) {
            for (uint32_t i = 0; i < DebugLayer::MAX; ++i) {
                ImGui::PushID(static_cast<int>(1000 + i));
                draw_setting_row(debug_renderer_settings.layers[i], kDebugLayerNames[i], "##tint");
                ImGui::PopID();
            }
        }
        ImGui::Separator();
        if (ImGui::CollapsingHeader("Preview")) {
            if (ImGui::BeginTable("PreviewTable", 1 + DebugName::MAX, ImGuiTableFlags_Borders)) {
                ImGui::TableNextRow();
                ImGui::TableNextColumn();
                ImGui::TextUnformatted("Layer / Name");
                for (std::string_view name : kDebugNameNames) {
                    ImGui::TableNextColumn();
                    ImGui::TextUnformatted(name.data(), name.data() + name.size());
                }
                for (uint32_t layer = 0; layer < DebugLayer::MAX; ++layer) {
                    ImGui::TableNextRow();
                    ImGui::TableNextColumn();
                    ImGui::TextUnformatted(kDebugLayerNames[layer].data(),
                                           kDebugLayerNames[layer].data() + kDebugLayerNames[layer].size());
                    for (uint32_t name = 0; name < DebugName::MAX; ++name) {
                        ImGui::TableNextColumn();
                        ImGui::PushID(static_cast<int>(layer * DebugName::MAX + name));
                        ImVec4 mixed = to_float_color(debug_mixed_color(name, layer));
                        if (!debug_is_enabled(name, layer)) {
                            mixed.w *= 0.25f;
                        }
                        ImGui::ColorButton("##preview", mixed, 0, ImVec2(20.0f, 20.0f));
                        ImGui::PopID();
                    }
                }
                ImGui::EndTable();
            }
        }
    }
    ImGui::End();
}
