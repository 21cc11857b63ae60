#pragma once
// A picture as stored: size, channel count and the pixel bytes, rows as the builder wrote them.

#include <cstdint>
#include <vector>

#include "Common/Assets/AssetMetadata.h"

struct ImageAsset {
    AssetMetadata metadata;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;
    // width x height x channels bytes once the loader has accepted the image.
    std::vector<uint8_t> pixels;
};
