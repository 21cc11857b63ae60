#pragma once
// Commits every sprite that lost cells this tick: split-off parts become rocks, debris becomes cell
// particles, the part holding the Core keeps the entity, and the chunk pool's queued work is applied once.

#include <string_view>

#include "Engine/Engine/System.h"

class SpriteChunkPool;

class SpriteCommitSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "SpriteCommitSystem";

    explicit SpriteCommitSystem(SpriteChunkPool* pool);
    void update(const SimulationTick& tick) override;

private:
    SpriteChunkPool* m_pool;
};
