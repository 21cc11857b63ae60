#include "Game/Systems/Background/SpaceBackgroundRenderSystem.h"

#include <cmath>

#include "Common/Assets/AssetPackage.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Graphics/Renderer.h"
#include "Engine/Graphics/TextureAtlasPacked.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/Random.h"

namespace {

// Stars follow the camera more closely than smoke, so they look farther away.
constexpr float kSmokeFactor = 0.5f;
constexpr float kStarFactor = 2.0f;

uint32_t rgba8(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return r | (g << 8) | (b << 16) | (a << 24); }

// Inside [-half, half] a value is kept as it is (so a camera at the origin draws every record where it was
// placed); outside it comes back in from the other side.
float wrap(float v, float half) {
    if (v >= -half && v <= half) {
        return v;
    }
    const float span = 2.0f * half;
    return v - span * std::floor((v + half) / span);
}

Transform drawn_transform(const BackgroundRecord& record, glm::vec2 camera, float factor) {
    Transform transform;
    transform.position = SpaceBackgroundRenderSystem::drawn_position(record, camera, factor);
    transform.scale = record.scale;
    transform.angle = record.angle;
    transform.z = record.z;
    return transform;
}

// Whether a quad, turned any way, can reach into the view: its centre within the view grown by its half
// diagonal.
bool may_touch(const AxisAlignedArea& view, const Transform& quad) {
    const float reach = glm::length(quad.scale);
    return quad.position.x + reach >= view.min.x && quad.position.x - reach <= view.max.x &&
           quad.position.y + reach >= view.min.y && quad.position.y - reach <= view.max.y;
}

} // namespace

SpaceBackgroundRenderSystem::SpaceBackgroundRenderSystem(SceneBase&, TextureAtlasPacked* atlas)
    : SystemBase(kName), m_atlas(atlas) {}

void SpaceBackgroundRenderSystem::on_attach(SceneBase&) {
    AssetPackage& package = assets();
    const SpriteAsset& smoke = package.get_by_name<SpriteAsset>(kSmokeAsset);
    const SpriteAsset& star = package.get_by_name<SpriteAsset>(kStarAsset);
    m_smoke_picture = make_sprite_picture(smoke);
    m_star_picture = make_sprite_picture(star);
    m_smoke_region = add_sprite_picture(*m_atlas, m_smoke_picture).value_or(UvRect{});
    m_star_region = add_sprite_picture(*m_atlas, m_star_picture).value_or(UvRect{});
    // A cloud covers a good part of the view, and its shape takes only the middle of its picture: drawn by
    // that part it costs 40 % of the fragments, for the same pixels.
    m_smoke_part = opaque_bounds(m_smoke_picture);
    build_field();
}

void SpaceBackgroundRenderSystem::build_field() {
    // Every draw from the global generator, in this order per record: replays rely on it.
    m_stars.clear();
    m_stars.reserve(kStarCount);
    for (int32_t i = 0; i < kStarCount; ++i) {
        BackgroundRecord star;
        const float r = random_float();
        star.position = random_vec2_in_extent(kFieldExtent);
        const float s = random_range(0.001f, 0.01f);
        star.scale = glm::vec2(s, s);
        star.angle = random_float_scaled(kTwoPi);
        star.z = -3.0f - r;
        const int32_t red = random_int_range(128, 255);
        star.color = rgba8(static_cast<uint32_t>(red), 255, 255, 255);
        star.depth = r * 10.0f + 3.0f;
        m_stars.push_back(star);
    }
    m_smoke.clear();
    m_smoke.reserve(kSmokeCount);
    for (int32_t i = 0; i < kSmokeCount; ++i) {
        BackgroundRecord cloud;
        const float r = random_float();
        cloud.position = random_vec2_in_extent(kFieldExtent);
        const float s = random_range(10.0f, 20.0f);
        cloud.scale = glm::vec2(s, s);
        cloud.angle = random_float_scaled(kTwoPi);
        cloud.z = -4.0f - r;
        const int32_t green = random_int_range(0, 200);
        cloud.color = rgba8(100, static_cast<uint32_t>(green), 200, 100);
        cloud.depth = r * 10.0f + 4.0f;
        m_smoke.push_back(cloud);
    }
}

glm::vec2 SpaceBackgroundRenderSystem::drawn_position(const BackgroundRecord& record, glm::vec2 c, float factor) {
    // Depths are at least 3 by construction.
    const glm::vec2 shifted = record.position + c * (factor / record.depth);
    const glm::vec2 offset = shifted - c;
    return c + glm::vec2(wrap(offset.x, kFieldExtent.x), wrap(offset.y, kFieldExtent.y));
}

void SpaceBackgroundRenderSystem::update(const SimulationTick&) {
    m_camera_position = glm::vec2(camera().position);
    Renderer& draw = renderer();
    // The field is many views wide: only what can touch the view goes to the batch, the rest would cost
    // vertices and upload for no pixel. Smoke first: within the batch the stars lie over it.
    const AxisAlignedArea& view = camera().visible_area;
    for (const BackgroundRecord& cloud : m_smoke) {
        const Transform whole = drawn_transform(cloud, m_camera_position, kSmokeFactor);
        const PictureQuad part = picture_part(whole, m_smoke_region, m_smoke_picture, m_smoke_part);
        if (may_touch(view, part.transform)) {
            draw.add_background_sprite(part.transform, part.uv, cloud.color);
        }
    }
    for (const BackgroundRecord& star : m_stars) {
        const Transform transform = drawn_transform(star, m_camera_position, kStarFactor);
        if (may_touch(view, transform)) {
            draw.add_background_sprite(transform, m_star_region, star.color);
        }
    }
}
