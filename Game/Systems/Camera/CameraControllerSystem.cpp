#include "Game/Systems/Camera/CameraControllerSystem.h"

#include <algorithm>

#include "Engine/EntityPool.h"
#include "Engine/Graphics/Camera.h"
#include "Engine/Math/AxisAlignedArea.h"
#include "Engine/Math/Transform.h"
#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"
#include "Game/Components/Player.h"

namespace {

constexpr float kMinZoom = 5.0f;
constexpr float kLookAhead = 1.5f;
constexpr float kMargin = 1.0f;
// Framed extents are widened so the framed set keeps clear of the view's edges.
constexpr float kFrameY = 1.1111112f;
constexpr float kFrameX = 1.5789458f;

} // namespace

CameraControllerSystem::CameraControllerSystem(SceneBase&) : SystemBase(kName) {}

void CameraControllerSystem::update(const SimulationTick& tick) {
    EntityViewOf<Player, PhysicsBody, Transform> players(entity_pool());
    auto first = players.begin();
    if (first == players.end()) {
        return; // nothing to follow: the camera stays where it is
    }
    const auto row = *first;
    const Player& player = row.get<Player>();
    const PhysicsBody& body = row.get<PhysicsBody>();
    Camera& cam = camera();

    // The easing factor is the top speed times dt: a faster ship gets a tighter camera.
    const float s = (player.is_cloud ? player.cloud_speed : player.speed) * tick.delta_time;
    const glm::vec2 look = row.get<Transform>().to_world(body.center_of_mass) + body.linear_velocity * s * kLookAhead;

    AxisAlignedArea framed = AxisAlignedArea::empty();
    AxisAlignedArea::expand(framed, look);
    const glm::vec2 center = (framed.min + framed.max) * 0.5f;
    const glm::vec2 half = (framed.max - framed.min) * 0.5f;

    const float aspect = cam.aspect;
    if (!(aspect > 0.0f)) {
        return; // no view to frame into yet
    }
    const float zoom = std::max(
        {kMinZoom, half.y * kFrameY + kMargin, (std::max(half.x * kFrameY, half.x * kFrameX) + kMargin) / aspect});
    const float width = zoom * aspect;
    glm::vec2 target;
    target.y = std::min(std::max(center.y, look.y - 0.9f * zoom), look.y + 0.9f * zoom);
    target.x = std::min(std::max(center.x, look.x - 0.633334f * width), look.x + 0.9f * width);

    const float size = lerp_clamped_float(cam.size, zoom, s);
    const glm::vec2 position = lerp_clamped(glm::vec2(cam.position), target, s);
    cam.position = glm::vec3(position, 0.0f);
    // Rebuilds the projection and every matrix from the new size, position and the camera's own aspect.
    cam.set_ortho(size, aspect, cam.depth);
}
