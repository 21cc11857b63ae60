#pragma once
// The parallax backdrop: 4000 small stars over 40 large faint smoke clouds, scattered once when attached and
// drawn every rendered frame into the background batch, each shifted with the camera by its own depth.

#include <cstdint>
#include <string_view>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Engine/System.h"
#include "Engine/Graphics/UvRect.h"
#include "Game/Rendering/PictureBounds.h"
#include "Game/Rendering/SpritePicture.h"

class SceneBase;
class TextureAtlasPacked;

struct BackgroundRecord {
    glm::vec2 position{0.0f}; // in the field, world units
    glm::vec2 scale{0.0f};    // half size
    float angle = 0.0f;
    float z = 0.0f;
    uint32_t color = 0; // RGBA8, red in the low byte
    float depth = 1.0f; // parallax divisor
};

class SpaceBackgroundRenderSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "SpaceBackgroundRenderSystem";
    static constexpr std::string_view kSmokeAsset = "game/sprite/smoke1";
    static constexpr std::string_view kStarAsset = "game/sprite/star";
    static constexpr int32_t kStarCount = 4000;
    static constexpr int32_t kSmokeCount = 40;
    // Half size of the field the records are scattered over; drawn positions wrap around the camera within it.
    static constexpr glm::vec2 kFieldExtent{64.0f, 36.0f};

    SpaceBackgroundRenderSystem(SceneBase& scene, TextureAtlasPacked* atlas);
    void on_attach(SceneBase& scene) override;
    void update(const SimulationTick& tick) override;

    // Where a record is drawn for a camera at c: shifted by c x factor / depth, then wrapped into the field
    // around c, so the sky never runs out however far the camera goes.
    static glm::vec2 drawn_position(const BackgroundRecord& record, glm::vec2 c, float factor);

    const std::vector<BackgroundRecord>& stars() const { return m_stars; }
    const std::vector<BackgroundRecord>& smoke() const { return m_smoke; }
    // The part of its picture each cloud is drawn by.
    const PictureRect& smoke_part() const { return m_smoke_part; }
    const SpritePicture& smoke_picture() const { return m_smoke_picture; }
    const UvRect& smoke_region() const { return m_smoke_region; }

private:
    void build_field();

    TextureAtlasPacked* m_atlas;
    // Kept alive: the atlas borrows the pixels until its next upload.
    SpritePicture m_smoke_picture;
    SpritePicture m_star_picture;
    UvRect m_smoke_region{};
    UvRect m_star_region{};
    PictureRect m_smoke_part{};
    std::vector<BackgroundRecord> m_smoke;
    std::vector<BackgroundRecord> m_stars;
    glm::vec2 m_camera_position{0.0f};
};
