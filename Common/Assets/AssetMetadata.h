#pragma once
// Name and identity carried by every asset record.

#include <array>
#include <cstdint>
#include <string>

// 16 raw bytes as stored in the asset file.
using Uuid = std::array<uint8_t, 16>;

struct AssetMetadata {
    std::string name;
    Uuid uuid{};
};

// An object that holds only the uuid of another asset (a font's atlas image).
struct AssetRef {
    Uuid uuid{};
};
