#pragma once
// Explodes the cores of a sprite that lost too much: fewer than 30 % of a core's own cells left, a core
// that makes up more than a fifth of what is left of the sprite, or a sprite the commit destroyed.

#include <string_view>

#include "Engine/Engine/System.h"

class SpriteCoreUpdateSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "SpriteCoreUpdateSystem";

    SpriteCoreUpdateSystem();
    void update(const SimulationTick& tick) override;
};

// The explode rule of one core, on its live cells, its initial cells and the sprite's live cells.
bool sprite_core_should_explode(uint32_t live, int32_t initial, uint32_t total, bool explode_all);
