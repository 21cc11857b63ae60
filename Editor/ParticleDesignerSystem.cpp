#include "Editor/ParticleDesignerSystem.h"

#include <algorithm>
#include <iostream>

#include <imgui.h>

#include "Common/Assets/AssetPackage.h"
#include "Common/Assets/JsonWrite.h"
#include "Editor/PropertyWidgets.h"
#include "Engine/Engine/EditorLayout.h"
#include "Engine/Event/EventBus.h"
#include "Engine/Graphics/ParticleBatch.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Game/Input/EditorInputScheme.h"

namespace {

// The axis tags of a value's components.
constexpr uint32_t kVectorTags[4] = {kTagX, kTagY, kTagZ, kTagW};

float* components(float& v) { return &v; }
float* components(glm::vec2& v) { return &v.x; }
float* components(glm::vec4& v) { return &v.x; }

template <typename T>
bool value_row(T& value) {
    constexpr size_t n = sizeof(T) / sizeof(float);
    FieldDescriptor fields[n];
    float* c = components(value);
    for (size_t i = 0; i < n; ++i) {
        fields[i] = FieldDescriptor{n == 1 ? static_cast<uint32_t>(kTagNone) : kVectorTags[i], c + i};
    }
    return property_value_row(fields, n);
}

template <typename T>
void range_body(Range<T>& range) {
    ImGui::Checkbox("single", &range.single);
    value_row(range.min_or_value);
    // "max" keeps its value while hidden and counts again once "single" is cleared.
    if (!range.single) {
        value_row(range.max);
    }
}

void range_body(Range<int32_t>& range) {
    ImGui::Checkbox("single", &range.single);
    if (range.single) {
        ImGui::DragInt("value", &range.min_or_value, 1.0f, 0, 0, "%d");
    } else {
        ImGui::DragInt("min", &range.min_or_value, 1.0f, 0, 0, "%d");
        ImGui::DragInt("max", &range.max, 1.0f, 0, 0, "%d");
    }
}

template <typename T>
void range_row(const char* label, Range<T>& range) {
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::PushID(label);
    if (ImGui::TreeNodeEx(label, ImGuiTreeNodeFlags_SpanAvailWidth)) {
        range_body(range);
        ImGui::TreePop();
    }
    ImGui::PopID();
}

} // namespace

void clamp_spawn_count(ParticleSpawnSettings& settings) {
    constexpr int32_t kMax = static_cast<int32_t>(kParticleCapacity);
    Range<int32_t>& n = settings.number_to_spawn;
    n.min_or_value = std::clamp(n.min_or_value, -kMax, kMax);
    n.max = std::clamp(n.max, -kMax, kMax);
}

int32_t& ParticleDesignerSystem::chosen_particle() {
    static int32_t index = -1;
    return index;
}

void ParticleDesignerSystem::load_chosen() {
    const auto& particles = assets().particles.m_assets;
    const int32_t index = chosen_particle();
    // The shared index may outlive the package it was chosen in.
    if (index < 0 || static_cast<size_t>(index) >= particles.size()) {
        return;
    }
    m_settings = particles[static_cast<size_t>(index)].spawn;
    clamp_spawn_count(m_settings);
}

void ParticleDesignerSystem::export_json(std::ostream& out) const { write_json(out, m_settings); }

void ParticleDesignerSystem::update(const SimulationTick&) {
    draw_window();
    spawn();
}

void ParticleDesignerSystem::draw_window() {
    if (!begin_editor_panel(EditorPanel::ParticleDesigner, "Particle Designer")) {
        ImGui::End();
        return;
    }
    const auto& particles = assets().particles.m_assets;
    int32_t& chosen = chosen_particle();
    ImGui::TextUnformatted("Load asset");
    const bool known = chosen >= 0 && static_cast<size_t>(chosen) < particles.size();
    const char* preview = known ? particles[static_cast<size_t>(chosen)].metadata.name.c_str() : "Select a particle";
    if (ImGui::BeginCombo("##particle_combo", preview)) {
        for (size_t i = 0; i < particles.size(); ++i) {
            const bool selected = static_cast<int32_t>(i) == chosen;
            ImGui::PushID(static_cast<int>(i));
            if (ImGui::Selectable(particles[i].metadata.name.c_str(), selected)) {
                chosen = static_cast<int32_t>(i);
            }
            if (selected) {
                ImGui::SetItemDefaultFocus();
            }
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    if (ImGui::Button("Load")) {
        load_chosen();
    }
    ImGui::Separator();
    if (ImGui::Button("Export")) {
        export_json(std::cout);
        std::cout.flush();
    }
    ImGui::Checkbox("m_only_spawn_on_click", &m_only_spawn_on_click);
    ImGui::TextUnformatted("Designer");
    ImGui::Separator();
    if (ImGui::BeginTable("SpawnTable", 1, ImGuiTableFlags_Resizable | ImGuiTableFlags_BordersInnerV)) {
        ParticleSpawnSettings& s = m_settings;
        range_row("Position", s.position);
        range_row("Z", s.z);
        range_row("Angle", s.angle);
        range_row("Angle XY", s.angle_xy);
        range_row("Velocity", s.velocity);
        range_row("Velocity Z", s.velocity_z);
        range_row("Damping", s.damping);
        range_row("Angular Vel", s.angular_velocity);
        range_row("Ang Vel XY", s.angular_velocity_xy);
        range_row("Ang Damp", s.angular_damping);
        range_row("Life", s.life);
        range_row("Init Scale", s.initial_scale);
        range_row("Final Scale", s.final_scale);
        range_row("Init Color", s.initial_color);
        range_row("Final Color", s.final_color);
        range_row("Factor Scale", s.factor_scale);
        range_row("Factor Color", s.factor_color);
        range_row("Number", s.number_to_spawn);
        ImGui::EndTable();
    }
    clamp_spawn_count(m_settings);
    ImGui::End();
}

void ParticleDesignerSystem::spawn() {
    glm::vec2 position{0.0f, 0.0f};
    if (m_only_spawn_on_click) {
        if (!m_input->mouse_down) {
            return;
        }
        position = m_input->mouse_world;
    }
    SpawnParticleEvent event;
    event.position = position;
    event.angle = 0.0f;
    event.settings = m_settings;
    // Drawn once per editor frame, so it must not move the simulation's random sequence.
    event.cosmetic = 1;
    event_bus().publish(event);
}
