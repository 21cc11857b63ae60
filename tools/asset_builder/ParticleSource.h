#pragma once
// Particle sources (".particle.json") hold the 18 spawn ranges in the form the particle designer
// exports, so an exported line can be pasted in as it is:
//   {"life": {"single": 0, "min_or_value": 0.2, "max": 0.5}, "number_to_spawn": 3, ...}
// A plain value stands for a single range; ranges left out keep the designer's defaults;
// members whose name starts with '_' are notes and are skipped.

#include "tools/asset_builder/AssetModel.h"

#include <filesystem>
#include <string_view>

namespace asset_builder {

constexpr int kMaxParticlesPerEmit = 10000;

ParticleSpawnSettings parse_particle(std::string_view text, const std::filesystem::path& file);

} // namespace asset_builder
