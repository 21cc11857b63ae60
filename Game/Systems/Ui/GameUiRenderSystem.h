#pragma once
// The side panel, flush with the left edge of the screen, with a live picture of the player's ship in it. The panel
// shakes when the ship loses cells and spits them out as UI particles; while the player is a cloud it tints toward
// red and shakes harder as the cloud time runs out.

#include <random>
#include <string_view>

#include <glm/vec4.hpp>

#include "Engine/Engine/System.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"
#include "Engine/Math/Transform.h"
#include "Game/Systems/Ui/UiSpritePicture.h"

class SceneBase;
class TextureAtlasPacked;

class GameUiRenderSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "GameUiRenderSystem";
    static constexpr std::string_view kPanelSprite = "game/ui/in_game_side_panel";
    static constexpr float kMaxShake = 10.0f; // picture pixels

    GameUiRenderSystem(SceneBase& scene, TextureAtlasPacked* atlas);
    // Packs the panel picture and starts listening for the player's lost cells.
    void on_attach(SceneBase& scene) override;
    void update(const SimulationTick& tick) override;
    void handle(const SpawnCellParticleEvent& event);

    float shake() const { return m_shake; }
    float units_per_pixel() const { return m_units_per_pixel; }
    const Transform& ship_transform() const { return m_ship; }
    // What the last update drew for the panel.
    const Transform& panel_transform() const { return m_panel; }
    glm::vec4 panel_color() const { return m_color; }
    const UvRect& panel_region() const { return m_picture.region; }

private:
    TextureAtlasPacked* m_atlas;
    UiSpritePicture m_picture;
    float m_units_per_pixel = 0.0f;
    float m_shake = 0.0f;
    Transform m_ship;
    Transform m_panel;
    glm::vec4 m_color{1.0f};
    // The shake is drawn once per rendered frame, so it must not touch the simulation's generator: replays that
    // pause or step would draw a different sequence there.
    std::mt19937 m_shake_random{0x5EA7u};
};
