#pragma once
// Particle effects of the weapon presets. Each publishes SpawnParticleEvents and draws from the global generator
// in a fixed order, which replays rely on.

#include <glm/vec2.hpp>

#include "Game/Weapons/BulletProps.h"

class EventBus;
struct AssetPackage;
struct ParticleSpawnSettings;

// Caches the cannon's spark and smoke descriptions; a missing asset throws as every lookup does.
void load_weapon_particle_presets(const AssetPackage& assets);
const ParticleSpawnSettings& cannon_spark_settings();
const ParticleSpawnSettings& cannon_spark_smoke_settings();

void cannon_reload_effect(EventBus& bus, glm::vec2 holder_position, float progress);
void cannon_shot_effect(EventBus& bus, const WeaponShot& shot);
void laser_charge_effect(EventBus& bus, glm::vec2 holder_position, float progress);
void laser_reload_effect(EventBus& bus, glm::vec2 holder_position, float progress);
void laser_shot_effect(EventBus& bus, const WeaponShot& shot);
