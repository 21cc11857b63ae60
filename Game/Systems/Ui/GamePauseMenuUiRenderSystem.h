#pragma once
// The pause menu picture in the middle of the screen. Parked in UnusedRender; the pause moves it into Render.

#include <string_view>

#include "Engine/Engine/System.h"
#include "Game/Systems/Ui/UiSpritePicture.h"

class SceneBase;
class TextureAtlasPacked;

class GamePauseMenuUiRenderSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "GamePauseMenuUiRenderSystem";
    static constexpr std::string_view kMenuSprite = "game/ui/in_game_pause_menu";
    static constexpr float kUnitsPerPixel = 1.0f / 270.0f;

    GamePauseMenuUiRenderSystem(SceneBase& scene, TextureAtlasPacked* atlas);
    void on_attach(SceneBase& scene) override;
    void update(const SimulationTick& tick) override;

    float units_per_pixel() const { return m_units_per_pixel; }
    const UvRect& menu_region() const { return m_picture.region; }

private:
    TextureAtlasPacked* m_atlas;
    UiSpritePicture m_picture;
    float m_units_per_pixel = 0.0f;
};
