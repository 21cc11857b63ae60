#pragma once
// Makes the scene camera follow the first player ship: it aims ahead of the ship along its velocity, keeps a
// minimum view size, and eases position and zoom at a rate that grows with the ship's top speed.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;

class CameraControllerSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "CameraControllerSystem";

    explicit CameraControllerSystem(SceneBase& scene);
    void update(const SimulationTick& tick) override;
};
