#pragma once
// Checks of the loaded values that later code indexes or divides by; the first problem found is reported
// with the asset that holds it.

#include "Common/Assets/AssetPackage.h"
#include "Engine/Result.h"

// Largest chunk grid a sprite may declare: its chunk table holds one entry per grid chunk.
inline constexpr int32_t kMaxSpriteChunksPerSide = 1024;
inline constexpr int64_t kMaxSpriteChunks = 65536;

// One emission never needs more particles than the particle ring holds.
inline constexpr int32_t kMaxParticlesPerEmission = 129792;

Result validate_image(const ImageAsset& image);
Result validate_particle(const ParticleAsset& particle);
Result validate_sprite(const SpriteAsset& sprite);
// Needs the package for the part names, which must name sprites in it.
Result validate_multi_sprite(const MultiSpriteAsset& multi, const AssetPackage& package);

// {"", false} when every asset passes; otherwise a message naming the first asset that fails.
Result validate_assets(const AssetPackage& package);
