#include "Game/Systems/Ui/GamePauseMenuUiRenderSystem.h"

#include "Engine/Engine/Scene.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Math/Transform.h"

GamePauseMenuUiRenderSystem::GamePauseMenuUiRenderSystem(SceneBase&, TextureAtlasPacked* atlas)
    : SystemBase(kName), m_atlas(atlas) {}

void GamePauseMenuUiRenderSystem::on_attach(SceneBase& scene) { m_picture.load(scene.assets(), kMenuSprite, *m_atlas); }

void GamePauseMenuUiRenderSystem::update(const SimulationTick&) {
    m_units_per_pixel = kUnitsPerPixel;
    Transform menu;
    menu.scale = glm::vec2(static_cast<float>(m_picture.region.width), static_cast<float>(m_picture.region.height)) *
                 m_units_per_pixel;
    renderer().add_ui_static_sprite(menu, m_picture.region, 0xFFFFFFFFu);
}
