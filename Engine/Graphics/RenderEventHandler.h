#pragma once
// Hands the game's visual-effect events to the renderer: particle emissions, branching line effects, and the
// debris cells of broken sprites, each of which becomes one flying, fading chip.

#include "Engine/Event/EventHandler.h"
#include "Engine/Graphics/LightningEvent.h"
#include "Engine/Graphics/ParticleEvents.h"
#include "Engine/Graphics/SpawnCellParticleEvent.h"

class Renderer;

// The spawn description of one debris chip: four draws from the global generator (velocity spread, spin, tumble,
// life), every range single. The chip keeps the cell's world velocity and takes the sprite's angle as its own, so
// it is emitted with an emitter angle of 0.
ParticleSpawnSettings debris_cell_settings(const DebrisCellParticle& cell);

class RenderEventHandler final
    : public EventHandlerBase<RenderEventHandler, SpawnParticleEvent, SpawnLightningEvent, SpawnCellParticleEvent> {
public:
    RenderEventHandler(EventBus& bus, Renderer& renderer) : EventHandlerBase(bus), m_renderer(&renderer) {}

    void on_spawn_cell_particles(const SpawnCellParticleEvent& event);

    void handle(const SpawnParticleEvent& event);
    void handle(const SpawnLightningEvent& event);
    void handle(const SpawnCellParticleEvent& event) { on_spawn_cell_particles(event); }

private:
    Renderer* m_renderer;
};
