// The test bed's two surfaces: the welcome panel drawn in every ticked frame and the editor's viewport menu.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <imgui.h>
#include <imgui_internal.h>

#include "Common/Assets/AssetPackage.h"
#include "Editor/EditorSpriteRemoveCellWithMouseSystem.h"
#include "Engine/Engine/EditorLayout.h"
#include "Engine/Engine/Engine.h"
#include "Engine/Engine/Systems/Sprite/RockEntity.h"
#include "Engine/EntityPool.h"
#include "Engine/Handle.h"
#include "Engine/Log.h"
#include "Game/Components/ItemSink.h"
#include "Game/Entities/GameEntityLists.h"
#include "Game/Scenes/GameScene.h"
#include "Game/Systems/Camera/CameraControllerSystem.h"
#include "Game/Systems/Player/PlayerCloudEffectSystem.h"

namespace {

// One create of a prepared scene; fields a step does not name stay zero.
struct LoadStep {
    enum Kind { Player, Enemy, Rock, Snake } kind;
    glm::vec2 position{0.0f};
    std::string_view asset{};
    uint32_t enemy = 0;
    float angle = 0.0f;
    glm::vec2 velocity{0.0f};
    float spin = 0.0f;
};

struct Loader {
    std::string_view label;
    std::vector<LoadStep> steps;
};

LoadStep player(glm::vec2 p) { return {LoadStep::Player, p}; }
LoadStep enemy(uint32_t kind, glm::vec2 p) { return {LoadStep::Enemy, p, {}, kind}; }
LoadStep snake(glm::vec2 p) { return {LoadStep::Snake, p, "snake"}; }
LoadStep rock(std::string_view name, glm::vec2 p, float angle = 0.0f, glm::vec2 velocity = glm::vec2(0.0f),
              float spin = 0.0f) {
    return {LoadStep::Rock, p, name, 0, angle, velocity, spin};
}

// The welcome panel's buttons, in panel order, each with its creates in order.
const std::vector<Loader>& loaders() {
    static const std::vector<Loader> table = {
        {"Load some enemies", {enemy(EnemyKindBase, {0, 10}), enemy(EnemyKindStation, {5, 4}), player({0, 0})}},
        {"Load large structure", {player({7, 3}), rock("horrid", {0, 0})}},
        {"Load some snakes", {player({0, 0}), snake({0, -3}), snake({3, 3})}},
        {"Load circle thing", {player({0, 0}), rock("hello", {0, 0})}},
        {"Load some shapes",
         {rock("game/shapes/hear", {-6, 0}), rock("game/shapes/star", {0, 0}), rock("game/shapes/hexagon", {6, 0})}},
        {"Load shapes hitting",
         {rock("game/shapes/hear", {-20, -10}, 0.5f, {30, 15}), rock("game/shapes/star", {0, 0}, 0.2f)}},
        {"Load 2 chunks", {rock("half_chunk", {0.25f, 2.0f}, 0.0f, {0.0f, -2.0f}), rock("full_chunk", {0, 0})}},
        {"Load floors", {rock("floor", {4, 3}, 0.0f, {0, 0}, 10.0f), rock("floor", {0, 0}, 0.0f, {0, 0}, -2.0f)}},
    };
    return table;
}

void load(GameScene& scene, const Loader& loader) {
    scene.reset();
    EntityFactory& factory = scene.factory();
    const AssetPackage& assets = scene.assets();
    bool has_player = false;
    for (const LoadStep& step : loader.steps) {
        switch (step.kind) {
        case LoadStep::Player:
            factory.create_player(step.position);
            has_player = true;
            break;
        case LoadStep::Enemy:
            factory.create_enemy(EnemyRequest{step.enemy, step.position, step.velocity});
            break;
        case LoadStep::Rock: {
            RockRequest request;
            request.position = step.position;
            request.angle = step.angle;
            request.velocity = step.velocity;
            request.angular_velocity = step.spin;
            request.sprite = assets.get_id_by_name<SpriteAsset>(step.asset);
            factory.create_rock(request);
            break;
        }
        case LoadStep::Snake:
            factory.create_multi_sprite(step.position, assets.get_by_name<MultiSpriteAsset>(step.asset));
            break;
        }
    }
    scene.entity_pool().flush();
    // Nothing follows a scene without a ship, so it is shown around the origin where it was built.
    if (!has_player) {
        Camera& camera = scene.camera();
        camera.position = glm::vec3(0.0f);
        camera.update_matrices();
    }
}

// The scene is also drawn outside a GUI frame (tests, benchmarks, windowless runs): no panel then.
bool gui_frame_open() {
    const ImGuiContext* context = ImGui::GetCurrentContext();
    return context != nullptr && context->WithinFrameScope;
}

// A clickable address: link-coloured, underlined, a hand over it.
bool text_link(std::string_view address) {
    const ImVec4 color(0.40f, 0.65f, 1.00f, 1.00f);
    ImGui::PushStyleColor(ImGuiCol_Text, color);
    ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0, 0, 0, 0));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, ImVec4(0, 0, 0, 0));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, ImVec4(0, 0, 0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 0));
    const std::string label(address);
    const bool clicked = ImGui::SmallButton(label.c_str());
    ImGui::PopStyleVar();
    ImGui::PopStyleColor(4);
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    ImGui::GetWindowDrawList()->AddLine(ImVec2(min.x, max.y), max, ImGui::GetColorU32(color));
    if (ImGui::IsItemHovered()) {
        ImGui::SetMouseCursor(ImGuiMouseCursor_Hand);
    }
    return clicked;
}

// A checkbox on a byte switch that moves its system between a running group and the parked one.
void system_switch(GameScene& scene, const char* label, uint8_t& flag, std::string_view system) {
    bool value = flag != 0;
    if (ImGui::Checkbox(label, &value)) {
        flag = value ? 1 : 0;
        scene.transition_system(system, value ? SystemGroup::Tick : SystemGroup::Unused);
    }
}

} // namespace

void GameScene::reset() {
    EntityPool& pool = entity_pool();
    pool.clear();
    register_rock_entity_list(pool);
    register_entity_lists();
    // A ship that was a cloud is gone with its cloud; the effect waits parked as at start-up.
    for (const auto& system : systems()[SystemGroup::Unused]) {
        if (system->name() == PlayerCloudEffectSystem::kName) {
            return;
        }
    }
    transition_system(PlayerCloudEffectSystem::kName, SystemGroup::Unused);
}

void GameScene::open_feedback_link() {
    const std::vector<std::string> argv = {"xdg-open", std::string(kFeedbackAddress)};
    const Result result = m_link_launcher ? m_link_launcher(argv) : Result::fail("No link launcher");
    if (result.failed) {
        LogGuard scope(LogLevelError, LogGame, 1);
        LOGF("Could not open {}: {}", kFeedbackAddress, result.message);
    }
}

void GameScene::place_welcome_window() {
    // In game mode the panel floats at the display's top right, clear of the side panel on the left and of the
    // ship in the middle; in the editor it has a tile of its own. Back in game mode it takes the place and size
    // it had there last, or else its first ones.
    constexpr float kMargin = 10.0f;
    const int32_t mode = has_engine() && engine().editor_mode() ? 1 : 0;
    if (mode == m_welcome_mode) {
        return;
    }
    // At the panel's very first use a place kept by the GUI's settings from an earlier run wins.
    const ImGuiCond cond = m_welcome_mode < 0 ? ImGuiCond_FirstUseEver : ImGuiCond_Always;
    m_welcome_mode = mode;
    if (mode == 1) {
        return;
    }
    if (m_welcome_game_place && m_welcome_game_size) {
        ImGui::SetNextWindowPos(ImVec2(m_welcome_game_place->x, m_welcome_game_place->y), ImGuiCond_Always);
        ImGui::SetNextWindowSize(ImVec2(m_welcome_game_size->x, m_welcome_game_size->y), ImGuiCond_Always);
        return;
    }
    const ImGuiViewport* main = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(main->WorkPos.x + main->WorkSize.x - kMargin, main->WorkPos.y + kMargin), cond,
                            ImVec2(1.0f, 0.0f));
    if (cond == ImGuiCond_Always) {
        // Out of its tile: sized to its contents again.
        ImGui::SetNextWindowSize(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
    }
}

void GameScene::draw_test_bed_window() {
    if (!gui_frame_open()) {
        return;
    }
    place_welcome_window();
    const bool in_tile = m_welcome_mode == 1;
    const bool open = in_tile ? begin_editor_panel(EditorPanel::Welcome, "Pellmar") : ImGui::Begin("Pellmar");
    // Wherever it is now in game mode, the user may have put it: the mode keeps that place. Not while it is
    // still hidden for its first measuring, before its place is final.
    const ImGuiWindow* window = ImGui::GetCurrentWindow();
    if (!in_tile && !window->Hidden) {
        m_welcome_game_place = glm::vec2(window->Pos.x, window->Pos.y);
        m_welcome_game_size = glm::vec2(window->Size.x, window->Size.y);
    }
    if (!open) {
        ImGui::End();
        return;
    }
    ImGui::TextUnformatted("Welcome to this test bed version of Pellmar!");
    ImGui::TextUnformatted("Feedback is welcome at");
    ImGui::SameLine();
    if (text_link(kFeedbackAddress)) {
        open_feedback_link();
    }
    ImGui::Separator();
    ImGui::TextUnformatted("Move with WASD, shoot with left mouse.");
    ImGui::TextUnformatted("If the camera is not following the player");
    ImGui::TextUnformatted("right click pans and scroll zooms.");
    ImGui::TextUnformatted("Press ` to open the debug mode.");
    ImGui::Separator();

    for (const Loader& loader : loaders()) {
        const std::string label(loader.label);
        if (ImGui::Button(label.c_str())) {
            load(*this, loader);
        }
    }

    bool spawn = m_spawn_enabled != 0;
    if (ImGui::Checkbox("Spawn Random Enemies", &spawn)) {
        m_spawn_enabled = spawn ? 1 : 0;
    }
    if (m_spawn_enabled) {
        ImGui::SameLine();
        ImGui::Text("Spawning in %1.f seconds", static_cast<double>(m_spawn_interval - m_spawn_timer));
    }
    system_switch(*this, "Camera follow player", m_camera_follow_player, CameraControllerSystem::kName);
    system_switch(*this, "Cut sprite with mouse", m_cut_sprite_with_mouse,
                  EditorSpriteRemoveCellWithMouseSystem::kName);
    ImGui::End();
}

void GameScene::draw_viewport_menu() {
    if (!gui_frame_open()) {
        return;
    }
    const ImGuiWindow* hovered = ImGui::GetCurrentContext()->HoveredWindow;
    if (hovered != nullptr && std::string_view(hovered->Name) == "Viewport" &&
        ImGui::IsMouseClicked(ImGuiMouseButton_Middle)) {
        ImGui::OpenPopup("ViewportMenu");
    }
    if (!ImGui::BeginPopup("ViewportMenu")) {
        return;
    }
    // Everything made here appears at the next tick's flush, under the mouse.
    const glm::vec2 p = m_editor_input.mouse_world;
    if (ImGui::MenuItem("Create Player")) {
        m_factory.create_player(p);
    }
    if (ImGui::BeginMenu("Create Enemy")) {
        static constexpr const char* kEnemies[] = {"Bomb", "Fighter", "Station", "Base", "Boss"};
        for (uint32_t kind = 0; kind < EnemyKindCount; ++kind) {
            if (ImGui::MenuItem(kEnemies[kind])) {
                m_factory.create_enemy(EnemyRequest{kind, p, glm::vec2(0.0f)});
            }
        }
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Create Item")) {
        if (ImGui::MenuItem("Core")) {
            m_factory.create_item(ItemRequest{p, glm::vec2(0.0f), ItemKindCore});
        }
        if (ImGui::MenuItem("Health")) {
            m_factory.create_item(ItemRequest{p, glm::vec2(0.0f), ItemKindHealth});
        }
        ImGui::EndMenu();
    }
    if (ImGui::MenuItem("Create Bullet")) {
        // A shot that goes nowhere: no speed, no life, the plain trail, at the origin, nobody's.
        WeaponShot shot;
        shot.props = BulletProps{};
        shot.direction = glm::vec2(0.0f);
        m_factory.create_bullet(shot);
    }
    if (ImGui::MenuItem("Create Multi-Sprite")) {
        m_factory.create_multi_sprite(p, assets().get_by_name<MultiSpriteAsset>("snake"));
    }
    if (ImGui::MenuItem("Create Rock")) {
        RockRequest rock;
        rock.position = p;
        rock.sprite = assets().get_id_by_name<SpriteAsset>("Chunk");
        m_factory.create_rock(rock);
    }
    ImGui::Separator();
    if (ImGui::MenuItem("Cancel")) {
        ImGui::CloseCurrentPopup();
    }
    ImGui::EndPopup();
}
