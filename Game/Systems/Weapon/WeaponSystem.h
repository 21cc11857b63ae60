#pragma once
// Fires every armed weapon whose holder pulls the trigger: reload, then charge, then a shot of bullets made
// through the entity factory, with the preset's effects along the way.

#include <string_view>

#include "Engine/Engine/System.h"

class SceneBase;
class EntityFactory;

class WeaponSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "WeaponSystem";

    WeaponSystem(SceneBase& scene, EntityFactory* factory);
    void update(const SimulationTick& tick) override;

private:
    EntityFactory* m_factory;
};
