#pragma once
// A named particle emission.

#include "Common/Assets/AssetMetadata.h"
#include "Common/Assets/ParticleSpawnSettings.h"

struct ParticleAsset {
    AssetMetadata metadata;
    ParticleSpawnSettings spawn;
};
