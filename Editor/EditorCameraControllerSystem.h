#pragma once
// The editor's camera: a right-button drag pans the scene camera so the world point under the cursor stays
// under it, and the wheel zooms while that button is held. A small debug cross marks the mouse in the world.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;
class EditorInputScheme;

class EditorCameraControllerSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "EditorCameraControllerSystem";
    // Bounds of the half extent: the zoom factor 1 - wheel / 10 is unbounded, and a half extent of 0 or below
    // would make the projection singular or mirror the view.
    static constexpr float kMinSize = 0.05f;
    static constexpr float kMaxSize = 1000.0f;
    static constexpr float kCrossHalf = 0.2f; // half the length of each arm of the cross at the mouse

    EditorCameraControllerSystem(SceneBase& scene, EditorInputScheme* input);
    void update(const SimulationTick& tick) override;
    // Unseen frames of a replay still pan and zoom: the ship's aim is read through the camera.
    void update_undrawn(const SimulationTick& tick) override;

private:
    void move_camera();

    EditorInputScheme* m_input;
};
